// ReadResourceById must answer exactly as a full catalogue load does, reading only the
// resource's own file when that file is trustworthy.
#include "catalogue/ResourceLookup.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "catalogue/Kitroster.h"
#include "tests/video/VideoSandbox.h"

namespace {

using kitroster::EnvOp;
using NResourceItem::CKitrosterFactory;
using NResourceItem::CZRauto_ptr;
using NResourceItem::IKitroster;
using NResourceItem::IResourceItem;
using NResourceItem::ReadResourceById;

std::string Describe(CZRauto_ptr<IResourceItem> item) {
    if (!item)
        return "<none>";
    return item->get_ID().str() + "|" + item->get_Type().str() + "|" + item->get_Name().str() +
           "|" + item->get_Conn().str() + "|" + item->get_Caps().str() +
           (item->IsDirty() ? "|dirty" : "");
}

TEST(ResourceLookup, OwnFileAndFullLoadAgree) {
    videotest::CVideoSandbox sandbox;
    sandbox.WriteResource("A", "CAMERA_IP", "IPADDR=1.2.3.4;");
    sandbox.WriteResource("C", "SERVER", "SERVER=m1;", "B");  // file name and identifier disagree
    sandbox.WriteResource("d", "ASSY_VIDEO", "RES_SERVER=C;", "D");  // lower-case identifier inside
    sandbox.WriteResource("E", "SERVER", "SERVER=old;", "", 999);    // another schema
    sandbox.WriteResource("x", "SERVER", "SERVER=low;");             // lower-case file name

    constexpr int kFullLoad = -1;
    struct Row {
        const char* id;
        int opens;  // files opened when the own file answers, or kFullLoad
    };
    const Row rows[] = {
        {"A", 1},          {"a", 2},         {"B", kFullLoad}, {"C", kFullLoad},
        {"D", 1},          {"d", 2},         {"E", kFullLoad}, {"F", kFullLoad},
        {"x", 1},          {"X", kFullLoad}, {"", 0},          {"..\\A", kFullLoad},
        {"A:", kFullLoad},
    };
    CZRauto_ptr<IKitroster> catalogue = CKitrosterFactory::CreateInstance();
    catalogue->Load();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.id);
        sandbox.env().ResetCounts();
        std::string fast = Describe(ReadResourceById(row.id));
        int opens = sandbox.env().CallCount(EnvOp::kOpenFile);
        if (row.opens == kFullLoad) {
            EXPECT_GE(opens, 5);
        } else {
            EXPECT_EQ(opens, row.opens);
        }
        EXPECT_EQ(fast, Describe(catalogue->GetItemById(row.id)));
    }
    EXPECT_EQ(Describe(ReadResourceById("d")), "d|ASSY_VIDEO|Name of d|RES_SERVER=C;|");
    EXPECT_EQ(Describe(ReadResourceById("E")), "<none>");
}

// A file far over the resource file limit (sparse, so it costs no disk) is refused from its
// size by both ways of reading, before a single byte of it is read.
TEST(ResourceLookup, OversizedOwnFileIsRefusedBeforeReading) {
    videotest::CVideoSandbox sandbox;
    sandbox.WriteResource("A", "CAMERA_IP", "IPADDR=1.2.3.4;");
    sandbox.WriteResource("BIG", "SERVER", "SERVER=m1;");
    std::filesystem::resize_file(sandbox.root() + "/SettingsGeneral/_RES_BIG.zrr", 64u << 20);

    sandbox.env().ResetCounts();
    EXPECT_EQ(Describe(ReadResourceById("BIG")), "<none>");
    // Only A's file is read, once, by the full load that follows the refusal.
    EXPECT_EQ(sandbox.env().CallCount(EnvOp::kRead), 1);
    EXPECT_EQ(Describe(ReadResourceById("A")), "A|CAMERA_IP|Name of A|IPADDR=1.2.3.4;|");
}

}  // namespace
