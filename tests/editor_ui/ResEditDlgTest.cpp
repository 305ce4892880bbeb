// The edit dialog as a person meets it: when OK becomes possible, the identifier and field
// rules, read-only mode and the types a filter offers.
#include "editor_ui/ResEditDlg.h"

#include <gtest/gtest.h>

#include "catalogue/queries/IdentifierCheck.h"
#include "resources/dialogs/ControlIds.h"
#include "resources/strings/StringTable.h"
#include "testing/site/TestSite.h"
#include "tests/editor_ui/EditorTestHelpers.h"

namespace NResourceItem {
namespace {

// Chooses the camera type and closes its connectivity editor with OK. The Edit... buttons
// follow the type at the next tick.
const std::string kEditCamera =
    "choose 15004 CAMERA_IP\n"
    "wait 100\n"
    "click 15007\n"
    "type 15009 10.0.0.5\n"
    "click 1\n";

struct SFields {
    const char* id = "";
    const char* type = "";
    const char* name = "";
    const char* conn = "";
};

struct SEditRun {
    SOutcome out;
    CString id, type, name, conn, caps;
};

SEditRun RunEdit(bool existing, bool readOnly, const SFields& in, const std::string& script,
                 CZRauto_ptr<IResourceTypeList> filter = {}) {
    CZRauto_ptr<IKitroster> catalogue = MakeCatalogue({{"CAM1", "CAMERA_IP", "IPADDR=1.2.3.4;"}});
    CResEditDlg dlg(catalogue, existing, readOnly, filter, nullptr);
    dlg.m_id = in.id;
    dlg.m_type = in.type;
    dlg.m_name = in.name;
    dlg.m_conn = in.conn;
    kitroster::testing::CScriptSession session(script);
    SEditRun run;
    run.out = SOutcome{session.Record([&] { return dlg.DoModal(); }), {}};
    run.id = dlg.m_id;
    run.type = dlg.m_type;
    run.name = dlg.m_name;
    run.conn = dlg.m_conn;
    return run;
}

std::vector<int> IgnoredLines(const SOutcome& out) {
    std::vector<int> lines;
    for (const auto& e : out.Of("ignored"))
        lines.push_back(e["line"]);
    return lines;
}

TEST(ResEditDlgTest, OkWaitsForTheConnectivityEditorAndTheFieldRules) {
    kitroster::testing::CTestSite site;
    const std::string invalidName = FormatResString(IDS_INVALID_CHARACTER, kLabelName).str();
    const std::string invalidConn =
        FormatResString(IDS_INVALID_CHARACTER, kLabelConnectivity).str();
    struct SCase {
        const char* what;
        bool existing;
        SFields in;
        std::string script;
        int result;
        std::vector<std::string> boxes;
        std::vector<int> ignored;  // script lines that found their control disabled
        const char* id;            // after IDOK
    };
    const SCase cases[] = {
        {"new: OK only after the connectivity editor's OK",
         false,
         {},
         "type 15002 CAM05\nchoose 15004 CAMERA_IP\nwait 100\nclick 1\nclick 15007\n"
         "type 15009 10.0.0.5\nclick 1\nwait 100\nclick 1\n",
         IDOK,
         {},
         {4},
         "CAM05"},
        {"a type chosen after the editor disables OK again",
         false,
         {"CAM05"},
         kEditCamera + "choose 15004 SERVER_MPEG4\nwait 100\nclick 1\nclick 2\n",
         IDCANCEL,
         {},
         {8},
         ""},
        {"leading blank",
         false,
         {" CAM5"},
         kEditCamera + "wait 100\nclick 1\nanswer OK\nclick 2\n",
         IDCANCEL,
         {LoadResString(IDS_ID_INVALID_CHARS).str()},
         {},
         ""},
        {"blanks only",
         false,
         {"   "},
         kEditCamera + "wait 100\nclick 1\nanswer OK\nclick 2\n",
         IDCANCEL,
         {LoadResString(IDS_ID_EMPTY).str()},
         {},
         ""},
        {"hyphen",
         false,
         {"CAM-5"},
         kEditCamera + "wait 100\nclick 1\nanswer OK\nclick 2\n",
         IDCANCEL,
         {LoadResString(IDS_ID_INVALID_CHARS).str()},
         {},
         ""},
        {"duplicate in another case",
         false,
         {"cam1"},
         kEditCamera + "wait 100\nclick 1\nanswer OK\nclick 2\n",
         IDCANCEL,
         {FormatResString(IDS_DUPLICATE_NEW_ID, "cam1").str()},
         {},
         ""},
        {"a new identifier takes 27 characters",
         false,
         {},
         "type 15002 ABCDEFGHIJKLMNOPQRSTUVWXYZ0123\n" + kEditCamera + "wait 100\nclick 1\n",
         IDOK,
         {},
         {},
         "ABCDEFGHIJKLMNOPQRSTUVWXYZ0"},
        {"lower case and underscore from the caller",
         false,
         {"cam_5"},
         kEditCamera + "wait 100\nclick 1\n",
         IDOK,
         {},
         {},
         "cam_5"},
        {"existing: OK at once, the identifier cannot be typed over",
         true,
         {"CAM1", "CAMERA_IP", " Lobby ", "IPADDR=1.2.3.4;"},
         "type 15002 OTHER\nclick 1\n",
         IDOK,
         {},
         {},
         "CAM1"},
        {"'}' in the name",
         true,
         {"CAM1", "CAMERA_IP", "a}b", ""},
         "click 1\nanswer OK\nclick 2\n",
         IDCANCEL,
         {invalidName},
         {},
         ""},
        {"carriage return in the name: the message says so",
         true,
         {"CAM1", "CAMERA_IP", "a\rb", ""},
         "click 1\nanswer OK\nclick 2\n",
         IDCANCEL,
         {"Invalid character detected for 'Name'. Entry cannot include line breaks."},
         {},
         ""},
        {"line feed in the connectivity",
         true,
         {"CAM1", "CAMERA_IP", "", "A=1;\nB=2;"},
         "click 1\nanswer OK\nclick 2\n",
         IDCANCEL,
         {invalidConn},
         {},
         ""},
    };
    for (const SCase& c : cases) {
        const SEditRun run = RunEdit(c.existing, false, c.in, c.script);
        EXPECT_EQ(run.out.result, c.result) << c.what << "\n" << run.out.transcript;
        EXPECT_EQ(run.out.boxes, c.boxes) << c.what;
        if (c.result == IDOK) {
            EXPECT_EQ(run.id, CString(c.id)) << c.what;
        }
        if (c.existing && c.result == IDOK) {
            EXPECT_EQ(run.name, CString("Lobby")) << "fields are trimmed";
            EXPECT_EQ(run.out.Of("ignored").at(0)["reason"], "read-only") << c.what;
        } else {
            EXPECT_EQ(IgnoredLines(run.out), c.ignored) << c.what << "\n" << run.out.transcript;
        }
    }
    // What the camera editor wrote is the dialog's connectivity string.
    const SEditRun run = RunEdit(false, false, {"CAM5"}, kEditCamera + "wait 100\nclick 1\n");
    EXPECT_EQ(Property(run.conn, "IPADDR"), "10.0.0.5");
    EXPECT_EQ(run.type, CString("CAMERA_IP"));
}

TEST(ResEditDlgTest, ReadOnlyShowsAndAlwaysCancels) {
    kitroster::testing::CTestSite site;
    const SEditRun run = RunEdit(false, true, {"CAM1", "CAMERA_IP", "x{", "A=1;"},
                                 "dump\nclick 1\nclick 15007\ntype 15003 new\nclick 2\n");
    EXPECT_EQ(run.out.result, IDCANCEL) << run.out.transcript;
    EXPECT_TRUE(run.out.boxes.empty()) << "nothing is validated";
    EXPECT_EQ(run.out.Of("open").at(0)["title"], LoadResString(IDS_RESOURCE_PROPERTIES).str());
    EXPECT_EQ(DumpedControl(run.out, IDCANCEL)["text"], LoadResString(IDS_CLOSE).str());
    EXPECT_EQ(DumpedControl(run.out, IDC_RESOURCE_TYPE)["enabled"], false);
    const auto ignored = run.out.Of("ignored");
    ASSERT_EQ(ignored.size(), 3u) << run.out.transcript;
    EXPECT_EQ(ignored[0]["reason"], "hidden");
    EXPECT_EQ(ignored[1]["reason"], "hidden");
    EXPECT_EQ(ignored[2]["reason"], "read-only");
}

TEST(ResEditDlgTest, TypeFilterOffersTypesByTheirComponents) {
    kitroster::testing::CTestSite site;
    const std::vector<std::string> all{"SERVER_MPEG4", "SERVER_LEGACY", "CAMERA_IP", "ASSY_VIDEO",
                                       "ROOM_VIDEO"};
    struct SCase {
        std::vector<const char*> filter;
        bool noFilter;
        std::vector<std::string> offered;
    };
    const SCase cases[] = {
        {{"SERVER"}, false, {"SERVER_MPEG4", "SERVER_LEGACY"}},
        {{"CAMERA_IP"}, false, {"CAMERA_IP"}},
        {{"ROOM_VIDEO_X", "assy_video"}, false, {"ASSY_VIDEO"}},
        {{}, false, all},
        {{}, true, all},
    };
    for (const SCase& c : cases) {
        CZRauto_ptr<IResourceTypeList> filter;
        if (!c.noFilter) {
            filter = CResourceTypeList::CreateInstance();
            for (const char* type : c.filter)
                filter->Put(type);
        }
        const SEditRun run = RunEdit(false, false, {}, "dump\nclick 2\n", filter);
        EXPECT_EQ(DumpedControl(run.out, IDC_RESOURCE_TYPE)["items"], nlohmann::json(c.offered))
            << (c.filter.empty() ? "" : c.filter[0]);
    }
}

}  // namespace
}  // namespace NResourceItem
