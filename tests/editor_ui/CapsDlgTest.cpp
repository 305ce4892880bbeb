// The capability dialogs: each keeps its one key and drops the rest.
#include <gtest/gtest.h>

#include "testing/site/TestSite.h"
#include "tests/editor_ui/EditorTestHelpers.h"

namespace NResourceItem {
namespace {

TEST(CapsDlgTest, OneKeyIsKeptAndEveryOtherDropped) {
    kitroster::testing::CTestSite site;
    struct SCase {
        const char* type;
        const char* stored;
        std::string script;
        int result;
        const char* value;
    };
    const SCase cases[] = {
        {"SERVER_MPEG4", "OTHER=1;STREAM_1=h264;GENERIC=g;", "click 1\n", IDOK, "STREAM_1=h264;"},
        {"SERVER_LEGACY", "", "type 15006 \"a=b\"\nclick 1\n", IDOK, "STREAM_1=\"a=b\";"},
        {"CAMERA_IP", "STREAM_1=h264;", "click 1\n", IDOK, "GENERIC=;"},
        {"ROOM_VIDEO", "GENERIC=x;", "type 15006 \"two words\"\nclick 1\n", IDOK,
         "GENERIC=two words;"},
        {"ASSY_VIDEO", "GENERIC=x;", "type 15006 y\nclick 2\n", IDCANCEL, "GENERIC=x;"},
    };
    for (const SCase& c : cases) {
        const SOutcome out = RunEditor(true, c.type, {}, "R1", c.stored, c.script);
        EXPECT_EQ(out.result, c.result) << c.type << "\n" << out.transcript;
        EXPECT_EQ(out.value, CString(c.value)) << c.type;
    }
}

}  // namespace
}  // namespace NResourceItem
