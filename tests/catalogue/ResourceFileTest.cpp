// Resource files: exact bytes, tolerant reading, schema check, atomic replacement, unsafe
// identifiers.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "catalogue/ResourceItemPersist.h"
#include "testing/log/LogCapture.h"
#include "tests/catalogue/CatalogueTestSupport.h"

using namespace NResourceItem;

namespace {

CZRauto_ptr<IResourceItem> MakeItem(const char* id, const char* type, const char* name,
                                    const char* conn, const char* caps) {
    CZRauto_ptr<IResourceItem> item = CResourceItemFactory::CreateInstance();
    item->set_ID(id);
    item->set_Type(type);
    item->set_Name(name);
    item->set_Conn(conn);
    item->set_Caps(caps);
    return item;
}

}  // namespace

class ResourceFileTest : public CatalogueFolderTest {
  protected:
    CString PathOf(const char* id) {
        return JoinCataloguePath(GetCatalogueFolder(), ResourceFileName(id));
    }
    CZRauto_ptr<IResourceItemPersist> m_persist = CResourceItemPersistFactory::CreateInstance();
};

TEST_F(ResourceFileTest, WritesExactBytesAndReadsThemBack) {
    CZRauto_ptr<IResourceItem> item =
        MakeItem("cam01", "CAMERA_IP", "Lobby", "IPADDR=10.0.0.5;", "");
    ASSERT_TRUE(m_persist->Write(PathOf("CAM01"), item));  // creates the missing folder
    EXPECT_EQ(ReadRaw("_RES_CAM01.zrr"),
              "<SCMA> {1000}\r\n<ID> {CAM01}\r\n<TYPE> {CAMERA_IP}\r\n<NAME> {Lobby}\r\n"
              "<CONN> {IPADDR=10.0.0.5;}\r\n<CAPS> {}\r\n");
    EXPECT_EQ(Entries(), std::vector<std::string>{"_RES_CAM01.zrr"}) << "no temporary file left";

    int schema = 0;
    CZRauto_ptr<IResourceItem> back = m_persist->Read(PathOf("CAM01"), &schema);
    ASSERT_TRUE(back);
    EXPECT_EQ(schema, 1000);
    EXPECT_FALSE(back->IsDirty());
    EXPECT_EQ(back->get_ID(), "CAM01");
    EXPECT_EQ(back->get_Name(), "Lobby");
    EXPECT_EQ(back->get_Conn(), "IPADDR=10.0.0.5;");
    EXPECT_EQ(back->get_Caps(), "");
    EXPECT_FALSE(m_persist->Write(PathOf("X"), CZRauto_ptr<IResourceItem>()));
}

TEST_F(ResourceFileTest, ReadingIsTolerantAndChecksTheSchema) {
    struct Case {
        const char* text;
        int schema;  // -1: untouched
        bool item;
        const char* id;
        const char* name;
    };
    const std::vector<Case> cases = {
        // Reordered, indented, LF only, unknown lines.
        {"\t<NAME> {Lobby}\n  <ID> {A}\njunk\n<SCMA> {1000}\n<CONN> {}\n", 1000, true, "A",
         "Lobby"},
        // Braces, blanks and tabs at the ends of values are lost.
        {"<SCMA> {1000}\r\n<ID> { B }\r\n<NAME> {{x}} \t\r\n", 1000, true, "B", "x"},
        // Only the first occurrence of a key counts; a value holding "<ID>" on an earlier
        // line is taken as the identifier line.
        {"<SCMA> {1000}\n<NAME> {n<ID> {Z}\n<ID> {C}\n<ID> {D}\n", 1000, true, "Z", ""},
        {"<SCMA> {999}\r\n<ID> {E}\r\n", 999, false, "", ""},
        {"<ID> {F}\r\n", 0, false, "", ""},
        {"<SCMA> {1000abc}\n<ID> {G}\n", 1000, true, "G", ""},
        {"", 0, false, "", ""},
    };
    for (const Case& c : cases) {
        WriteRaw("_RES_T.zrr", c.text);
        int schema = -1;
        CZRauto_ptr<IResourceItem> item = m_persist->Read(PathOf("T"), &schema);
        EXPECT_EQ(schema, c.schema) << c.text;
        ASSERT_EQ(item.get() != nullptr, c.item) << c.text;
        if (item) {
            EXPECT_EQ(item->get_ID(), c.id) << c.text;
            EXPECT_EQ(item->get_Name(), c.name) << c.text;
            EXPECT_EQ(item->get_Type(), "") << "missing keys read as empty";
        }
        // The fast path the collection uses agrees with Read.
        int fastSchema = -1;
        CZRauto_ptr<IResourceItem> fast =
            CResourceItemPersistFactory::ParseResourceText(c.text, &fastSchema);
        EXPECT_EQ(fastSchema, c.schema) << c.text;
        EXPECT_EQ(fast.get() != nullptr, c.item) << c.text;
        if (fast && item) {
            EXPECT_EQ(fast->get_ID(), item->get_ID());
        }
    }

    // A missing file: an item with empty fields, schema untouched.
    int schema = 7;
    CZRauto_ptr<IResourceItem> missing = m_persist->Read(PathOf("NOPE"), &schema);
    ASSERT_TRUE(missing);
    EXPECT_EQ(schema, 7);
    EXPECT_EQ(missing->get_ID(), "");
}

TEST_F(ResourceFileTest, FailedWriteLeavesTheOldFileIntact) {
    const std::string original = ResourceText("CAM1", "OLD");
    CZRauto_ptr<IResourceItem> item = MakeItem("CAM1", "NEW", "", "", "");
    struct Fault {
        kitroster::EnvOp op;
        uint32_t error;
    };
    const std::vector<Fault> faults = {
        {kitroster::EnvOp::kOpenFile, kitroster::kErrorAccessDenied},
        {kitroster::EnvOp::kWrite, kitroster::kErrorDiskFull},
        {kitroster::EnvOp::kSync, kitroster::kErrorIoDevice},
        {kitroster::EnvOp::kClose, kitroster::kErrorIoDevice},
        {kitroster::EnvOp::kMoveFile, kitroster::kErrorAccessDenied},
    };
    for (const Fault& fault : faults) {
        WriteRaw("_RES_CAM1.zrr", original);
        m_env.ClearFaults();
        m_env.FailNth(fault.op, 1, fault.error);
        CLogCapture log("KITROSTER=0x2d");
        EXPECT_FALSE(m_persist->Write(PathOf("CAM1"), item)) << kitroster::EnvOpName(fault.op);
        EXPECT_EQ(ReadRaw("_RES_CAM1.zrr"), original) << kitroster::EnvOpName(fault.op);
        EXPECT_EQ(Entries(), std::vector<std::string>{"_RES_CAM1.zrr"})
            << "temporary file removed after " << kitroster::EnvOpName(fault.op);
        EXPECT_TRUE(log.Contains("_write", ZRLOG_FAILURE)) << kitroster::EnvOpName(fault.op);
    }

    // A failed folder sync comes after the rename: the new text is in place, but the
    // write is not reported as durable.
    m_env.ClearFaults();
    m_env.FailNth(kitroster::EnvOp::kSyncDirectory, 1, kitroster::kErrorIoDevice);
    EXPECT_FALSE(m_persist->Write(PathOf("CAM1"), item));
    EXPECT_NE(ReadRaw("_RES_CAM1.zrr").find("<TYPE> {NEW}"), std::string::npos);

    // The happy path syncs the file and the folder and renames once.
    m_env.ClearFaults();
    m_env.ResetCounts();
    EXPECT_TRUE(m_persist->Write(PathOf("CAM1"), item));
    EXPECT_EQ(m_env.CallCount(kitroster::EnvOp::kSync), 1);
    EXPECT_EQ(m_env.CallCount(kitroster::EnvOp::kMoveFile), 1);
    EXPECT_EQ(m_env.CallCount(kitroster::EnvOp::kSyncDirectory), 1);
    ASSERT_EQ(m_env.OpenedForWrite().size(), 1u);
    EXPECT_EQ(m_env.OpenedForWrite()[0].find("_RES_"), std::string::npos)
        << "the data is written to a temporary name the catalogue wildcard cannot match";
}

TEST_F(ResourceFileTest, UnsafeIdentifiersAreNeverWritten) {
    const std::vector<const char*> unsafe = {"../X", "A\\B", "A:B", "A/B", "A*",   "A?",
                                             "A\"B", "A<B",  "A>B", "A|B", "A\tB", "..\\X"};
    for (const char* id : unsafe) {
        EXPECT_FALSE(IsSafeResourceId(id)) << id;
        CLogCapture log("KITROSTER=0x2d");
        m_env.ResetCounts();
        CZRauto_ptr<IResourceItem> item = MakeItem(id, "T", "", "", "");
        EXPECT_FALSE(m_persist->Write(PathOf("SAFE"), item)) << id;
        EXPECT_TRUE(m_env.OpenedForWrite().empty()) << id;
        EXPECT_TRUE(log.Contains(item->get_ID().str(), ZRLOG_FAILURE)) << id;
    }
    EXPECT_FALSE(IsSafeResourceId(""));
    for (const char* id : {"CAM1", "SRV-01.A", "R\xc9SUM\xc9", "A B", "A..B", "..", "A.."}) {
        EXPECT_TRUE(IsSafeResourceId(id)) << id;
    }
}
