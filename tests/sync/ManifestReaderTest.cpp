// Reading manifests: edge cases of the layout, backup recovery, retries on sharing
// violations (on the fake clock, tick wrap included) and the writer's generations.
#include <gtest/gtest.h>

#include "platform/app/KitrosterApp.h"
#include "testing/env/TempDir.h"
#include "testing/env/TestEnv.h"
#include "testing/log/LogCapture.h"
#include "tests/sync/ManifestTestSupport.h"
#include "tests/sync/SyncTestServices.h"

using namespace manifest_test;
using kitroster::CTempDir;
using kitroster::CTestEnv;
using kitroster::EnvOp;

namespace {

class ManifestReaderTest : public ::testing::Test {
  protected:
    CTempDir m_dir;
    CTestEnv m_env;
    CAppServicesOverride m_services{sync_test::WithEnv(&m_env)};
    std::string m_main = m_dir.Path("cat.mfs");
    std::string m_backup = m_dir.Path("cat.mf2");

    std::string Contents(const std::string& path) {
        std::string contents;
        m_env.ReadFileToString(path, &contents);
        return contents;
    }
    void Put(const std::string& path, const std::string& contents) {
        ASSERT_TRUE(m_env.WriteStringToFile(path, contents).ok());
    }
    std::string HeaderBlock(uint32_t version = 0x1002) {
        CManifestHdr header("h");
        std::string block(reinterpret_cast<const char*>(header.Payload()), kManifestBlockSize);
        block[16] = static_cast<char>(version & 0xFF);
        block[17] = static_cast<char>(version >> 8);
        return block;
    }
    std::string RecordBlock(const std::string& name, int64_t q1) {
        CManifestRecord record(name, 0, q1, 0);
        return std::string(reinterpret_cast<const char*>(record.Payload()), kManifestBlockSize);
    }
};

TEST_F(ManifestReaderTest, GenerationsRotateThroughTheBackup) {
    ASSERT_EQ(Write(m_main, Generation(1, 3)), S_OK);
    ASSERT_EQ(Write(m_main, Generation(2, 2)), S_OK);
    EXPECT_EQ(Read(m_main).records, Generation(2, 2));
    EXPECT_EQ(Read(m_backup).records, Generation(2, 2)) << "the reader reads the .mfs name";
    // The backup holds the previous generation byte for byte.
    std::string backup = Contents(m_backup);
    EXPECT_EQ(backup.size(), 4 * kManifestBlockSize);
    EXPECT_FALSE(m_env.FileExists(m_dir.Path("cat.mfp")));
    EXPECT_FALSE(m_env.FileExists(m_dir.Path("cat.mfl")));
}

TEST_F(ManifestReaderTest, AnyExtensionReadsTheMainFile) {
    ASSERT_EQ(Write(m_main, Generation(1, 2)), S_OK);
    EXPECT_EQ(Read(m_dir.Path("cat.txt")).records, Generation(1, 2));
    EXPECT_EQ(Read(m_dir.Path("cat")).records, Generation(1, 2));
}

TEST_F(ManifestReaderTest, EdgeCasesOfTheMainFile) {
    struct Case {
        const char* what;
        std::string main;
        bool haveBackup;
        bool validate;
        HRESULT hr;
        bool usedBackup;
        size_t records;
        const char* message;
    };
    const std::string header = HeaderBlock();
    const std::string good = header + RecordBlock("a", 1);
    const std::string backup = header + RecordBlock("b1", 1) + RecordBlock("b2", 2);
    const Case cases[] = {
        {"header only", header, false, true, S_OK, false, 0, nullptr},
        {"partial record dropped", header + std::string(100, 'z'), false, true, S_OK, false, 0,
         nullptr},
        {"one record", good, true, true, S_OK, false, 1, nullptr},
        {"old version", HeaderBlock(0x1001), true, true, ZRSYNC_E_INVALID_HEADER, false, 0,
         "invalid header (schema?)"},
        {"short header, no backup", header.substr(0, 100), false, true, ZRSYNC_E_CORRUPT_DATA,
         false, 0, "no backup file detected"},
        {"short header, backup", header.substr(0, 100), true, true, S_OK, true, 2,
         "successfully recovered"},
        {"zero qword1", header + RecordBlock("a", 0), true, true, S_OK, true, 2,
         "found corrupt record data"},
        {"negative qword1", header + RecordBlock("a", -1), true, true, S_OK, true, 2,
         "switching to backup file"},
        {"empty name", header + RecordBlock("", 3), true, true, S_OK, true, 2, nullptr},
        {"empty name, not validated", header + RecordBlock("", 3), true, false, S_OK, false, 1,
         nullptr},
        {"invalid record, no backup: the valid ones stay", good + RecordBlock("", 3), false, true,
         ZRSYNC_E_CORRUPT_DATA, false, 1, "found corrupt record data"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        m_env.DeleteFile(m_backup);
        Put(m_main, c.main);
        if (c.haveBackup)
            Put(m_backup, backup);
        CLogCapture log("ZRSYNC_ZRSYNCCOMMON=0x2d");
        ReadResult r = Read(m_main, c.validate);
        EXPECT_EQ(r.hr, c.hr);
        EXPECT_EQ(r.usedBackup, c.usedBackup);
        EXPECT_EQ(r.records.size(), c.records);
        if (c.message) {
            EXPECT_TRUE(log.Contains(c.message));
        }
        if (c.hr == ZRSYNC_E_INVALID_HEADER) {
            EXPECT_EQ(Contents(m_main), c.main) << "the backup is not used";
        }
        if (c.usedBackup) {
            EXPECT_EQ(Contents(m_main), backup) << "the backup took the main file's place";
        }
    }
}

TEST_F(ManifestReaderTest, CorruptBackupIsReportedOnce) {
    Put(m_main, HeaderBlock() + RecordBlock("a", 0));
    Put(m_backup, HeaderBlock() + RecordBlock("b", -3));
    CLogCapture log("ZRSYNC_ZRSYNCCOMMON=0x2d");
    ReadResult r = Read(m_main);
    EXPECT_EQ(r.hr, ZRSYNC_E_CORRUPT_DATA);
    EXPECT_TRUE(log.Contains("BACKUP FILE WAS CORRUPT!", ZRLOG_FAILURE));
    EXPECT_EQ(log.Count("switching to backup file"), 1u);
}

TEST_F(ManifestReaderTest, MissingFileIsNotRecoveredFromTheBackup) {
    Put(m_backup, HeaderBlock());
    CLogCapture log("ZRSYNC_ZRSYNCCOMMON=0x2d");
    EXPECT_EQ(Read(m_main).hr, HRESULT_FILE_NOT_FOUND);
    EXPECT_TRUE(log.Contains("manifest file not found", ZRLOG_INFO));
    EXPECT_FALSE(m_env.FileExists(m_main));
    EXPECT_EQ(Read(m_dir.Path("nofolder/x.mfs")).hr, HRESULT_PATH_NOT_FOUND);
}

TEST_F(ManifestReaderTest, SharingViolationsAreRetriedUntilTheTimeout) {
    ASSERT_EQ(Write(m_main, Generation(1, 1)), S_OK);
    struct Case {
        uint32_t startTick;
        int violations;
        unsigned long timeout;
        HRESULT hr;
    } cases[] = {
        {1000, 3, 1000, S_OK},
        {1000, 1000, 1000, HRESULT_SHARING_VIOLATION},
        {0xFFFFFF00u, 1000, 1000, HRESULT_SHARING_VIOLATION},  // the counter wraps
        {1000, 1000, 0, HRESULT_SHARING_VIOLATION},
    };
    for (const Case& c : cases) {
        m_env.ClearFaults();
        m_env.SetTickCount(c.startTick);
        uint64_t sleptBefore = m_env.TotalSleptMilliseconds();
        m_env.SimulateSharingViolation("cat.mfs", c.violations);
        CLogCapture log("ZRSYNC_ZRSYNCCOMMON=0x2d");
        ReadResult r = Read(m_main, true, c.timeout);
        EXPECT_EQ(r.hr, c.hr);
        uint64_t slept = m_env.TotalSleptMilliseconds() - sleptBefore;
        if (c.hr == S_OK) {
            EXPECT_EQ(slept, 3u * 50u);
            EXPECT_EQ(r.records, Generation(1, 1));
        } else {
            // Sleeps of 50 ms until more than the time-out has passed, and no more.
            EXPECT_GT(slept + 50, c.timeout);
            EXPECT_LE(slept, c.timeout + 100);
            EXPECT_TRUE(log.Contains("TIMEOUT EXPIRED (timeout is", ZRLOG_FAILURE));
        }
    }
}

TEST_F(ManifestReaderTest, HeaderOnlyReadSkipsRecordsAndSharesWithWriters) {
    ASSERT_EQ(Write(m_main, Generation(1, 4), "text"), S_OK);
    auto reader = CZRManifestPersistReader::CreateInstance(m_main, true, true, 0);
    EXPECT_EQ(reader->GetResult(), S_OK);
    EXPECT_EQ(reader->GetHeaderText(), "text");
    EXPECT_EQ(reader->GetContainer()->GetRecordSet()->GetCount(), 0);
}

TEST_F(ManifestReaderTest, WriterResults) {
    CLogCapture log("ZRSYNC_ZRSYNCCOMMON=0x2d");
    EXPECT_EQ(Write(m_main, {}), S_FALSE);
    EXPECT_EQ(Contents(m_main).size(), kManifestBlockSize) << "an empty set is published";
    EXPECT_EQ(CZRManifestPersistWriter::CreateInstance(m_main, "h", {}, 0, false, 0)->GetResult(),
              E_POINTER);
    EXPECT_EQ(Write(m_main, Generation(1, 1), "h", true), S_OK);
    EXPECT_TRUE(log.Contains("'commit' variant in use", ZRLOG_INFO));
    EXPECT_EQ(Write(m_dir.Path("nofolder/x.mfs"), Generation(1, 1)), HRESULT_PATH_NOT_FOUND);
    EXPECT_TRUE(log.Contains("failed to open file for writing (0x80070003)", ZRLOG_INFO));
}

TEST_F(ManifestReaderTest, WriterRetriesWhileTheTemporaryFileIsHeld) {
    ASSERT_EQ(Write(m_main, Generation(1, 1)), S_OK);
    m_env.SimulateSharingViolation("cat.mfp", 2);
    auto writer = CZRManifestPersistWriter::CreateInstance(m_main, "h", MakeSet(Generation(2, 1)),
                                                           0, false, 1000);
    EXPECT_EQ(writer->GetResult(), S_OK);
    EXPECT_EQ(Read(m_main).records, Generation(2, 1));

    m_env.SimulateSharingViolation("cat.mfp", 1000);
    writer = CZRManifestPersistWriter::CreateInstance(m_main, "h", MakeSet(Generation(3, 1)), 0,
                                                      false, 500);
    EXPECT_EQ(writer->GetResult(), HRESULT_SHARING_VIOLATION);
    EXPECT_EQ(Read(m_main).records, Generation(2, 1));
}

}  // namespace
