// The byte layout of manifest files: what we write is what a Windows peer writes, and a
// file built byte by byte from the layout reads back.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/app/KitrosterApp.h"
#include "testing/env/TempDir.h"
#include "testing/env/TestEnv.h"
#include "tests/sync/ManifestTestSupport.h"
#include "tests/sync/SyncTestServices.h"

using namespace manifest_test;
using kitroster::CTempDir;
using kitroster::CTestEnv;

namespace {

std::string Bytes(std::initializer_list<int> values) {
    std::string s;
    for (int v : values)
        s.push_back(static_cast<char>(v));
    return s;
}

class ManifestFormatTest : public ::testing::Test {
  protected:
    CTempDir m_dir;
    CTestEnv m_env;
    CAppServicesOverride m_services{sync_test::WithEnv(&m_env)};
    std::string m_path = m_dir.Path("cat.mfs");

    std::string Contents(const std::string& path) {
        std::string contents;
        EXPECT_TRUE(m_env.ReadFileToString(path, &contents).ok());
        return contents;
    }
};

TEST_F(ManifestFormatTest, WrittenFileHasThePackedLittleEndianLayout) {
    ASSERT_EQ(Write(m_path, {{"first", 0x11223344u, 0x0102030405060708LL, -2}}, "hello"), S_OK);
    std::string file = Contents(m_path);
    ASSERT_EQ(file.size(), 2 * kManifestBlockSize);
    EXPECT_EQ(file.substr(0, 16), Bytes({0x76, 0x9D, 0xF4, 0x87, 0x5F, 0x3B, 0x41, 0x4B, 0xA6, 0x31,
                                         0x5A, 0x5B, 0xF7, 0xCA, 0x9F, 0x71}));
    EXPECT_EQ(file.substr(16, 4), Bytes({0x02, 0x10, 0x00, 0x00}));
    EXPECT_EQ(file.substr(20, 6), std::string("hello\0", 6));
    EXPECT_EQ(file.substr(26, 255), std::string(255, '\0'));

    std::string record = file.substr(kManifestBlockSize);
    EXPECT_EQ(record.substr(0, 6), std::string("first\0", 6));
    EXPECT_EQ(record.substr(6, 255), std::string(255, '\0'));
    EXPECT_EQ(record.substr(261, 4), Bytes({0x44, 0x33, 0x22, 0x11}));
    EXPECT_EQ(record.substr(265, 8), Bytes({8, 7, 6, 5, 4, 3, 2, 1}));
    EXPECT_EQ(record.substr(273, 8), Bytes({0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
}

TEST_F(ManifestFormatTest, HandBuiltFileReadsBack) {
    uint8_t header[kManifestBlockSize] = {};
    std::memcpy(header, kManifestSchemaId, 16);
    header[16] = 0x02;
    header[17] = 0x10;
    std::memcpy(header + 20, "peer", 4);
    uint8_t record[kManifestBlockSize] = {};
    std::memcpy(record, "R1", 2);
    record[261] = 7;
    record[265] = 9;
    record[273] = 0xFF;  // qword2 = 255
    std::string file(reinterpret_cast<char*>(header), sizeof header);
    file.append(reinterpret_cast<char*>(record), sizeof record);
    ASSERT_TRUE(m_env.WriteStringToFile(m_path, file).ok());

    auto reader = CZRManifestPersistReader::CreateInstance(m_path, false, true, 0);
    EXPECT_EQ(reader->GetResult(), S_OK);
    EXPECT_EQ(reader->GetHeaderText(), "peer");
    EXPECT_EQ(RecordsOf(*reader), (std::vector<Rec>{{"R1", 7, 9, 255}}));
}

TEST_F(ManifestFormatTest, TextsAreCutTo260CharactersAndTerminated) {
    const std::string longText(300, 'x');
    ASSERT_EQ(Write(m_path, {{longText, 1, 1, 1}}, longText.c_str()), S_OK);
    auto reader = CZRManifestPersistReader::CreateInstance(m_path, false, true, 0);
    EXPECT_EQ(reader->GetHeaderText(), std::string(260, 'x'));
    EXPECT_EQ(RecordsOf(*reader)[0].name, std::string(260, 'x'));

    // A block whose text fills all 261 bytes still reads as 260 characters.
    uint8_t block[kManifestBlockSize];
    std::memset(block, 'y', sizeof block);
    EXPECT_EQ(CManifestRecord(block).GetName(), std::string(260, 'y'));
    EXPECT_EQ(CManifestHdr(block).Payload()[280], 0);
}

TEST_F(ManifestFormatTest, RecordValidity) {
    struct Case {
        std::string name;
        int64_t q1;
        bool valid;
    } cases[] = {{"a", 1, true}, {"a", 0, false}, {"a", -5, false}, {"", 1, false}};
    for (const Case& c : cases)
        EXPECT_EQ(CManifestRecord(c.name, 0, c.q1, 0).IsValid(), c.valid) << c.name << c.q1;
}

}  // namespace
