// The assembly and room dialogs: their defaults, what they write, the room's link check,
// editing a referenced resource in place, and an editor asked for again while it runs.
#include <gtest/gtest.h>

#include "resources/dialogs/ControlIds.h"
#include "resources/strings/StringTable.h"
#include "testing/site/TestSite.h"
#include "tests/editor_ui/EditorTestHelpers.h"

namespace NResourceItem {
namespace {

CZRauto_ptr<IKitroster> VideoCatalogue() {
    return MakeCatalogue({
        {"SRV1", "SERVER_MPEG4", "SERVER=vs1;"},
        {"CAM1", "CAMERA_IP", "IPADDR=10.0.0.1;"},
        {"CAM2", "CAMERA_IP", "IPADDR=10.0.0.2;"},
        {"ASSY_B", "ASSY_VIDEO", "RES_SERVER=SRV1;RES_CAMERA=CAM1;"},
        {"ASSY_A", "ASSY_VIDEO", "RES_SERVER=SRV1;RES_CAMERA=CAM2;"},
        {"LEGACY", "SERVER_LEGACY", ""},
    });
}

TEST(AssemblyRoomDlgTest, AssemblyDefaultsCamerasAndNone) {
    kitroster::testing::CTestSite site;
    const std::string twice = FormatResString(IDS_DUPLICATE_CAMERA_ASK, "CAM1").str();
    struct SCase {
        const char* stored;
        std::string script;
        int result;
        const char* value;  // after IDOK
        std::vector<std::string> boxes;
    };
    const SCase cases[] = {
        {"", "click 1\n", IDOK, "RES_SERVER=(local);RES_CAMERA=(local);RES_CAMERA2=;", {}},
        {"RES_SERVER=SRV1;RES_CAMERA=CAM1;RES_CAMERA2=CAM2;OTHER=1;",
         "choose 15017 CAM1\nclick 1\n",
         IDOK,
         "RES_SERVER=SRV1;RES_CAMERA=CAM1;RES_CAMERA2=;",
         {}},
        {"RES_SERVER=srv1;RES_CAMERA=CAM1;",
         "choose 15017 (local)\nclick 1\n",
         IDOK,
         "RES_SERVER=SRV1;RES_CAMERA=CAM1;RES_CAMERA2=(local);",
         {}},
        {"RES_CAMERA=CAM2;RES_CAMERA2=CAM1;",
         "choose 15016 CAM1\nclick 1\n",
         IDOK,
         "RES_SERVER=(local);RES_CAMERA=CAM1;RES_CAMERA2=;",
         {}},
        // Stored identical by someone else: confirmed only on Yes.
        {"RES_CAMERA=CAM1;RES_CAMERA2=cam1;",
         "click 1\nanswer No\nclick 1\nanswer Yes\n",
         IDOK,
         "RES_SERVER=(local);RES_CAMERA=CAM1;RES_CAMERA2=CAM1;",
         {twice, twice}},
        {"RES_SERVER=GONE;", "click 2\n", IDCANCEL, "", {}},
    };
    for (const SCase& c : cases) {
        const SOutcome out =
            RunEditor(false, "ASSY_VIDEO", VideoCatalogue(), "ASSY_A", c.stored, c.script);
        EXPECT_EQ(out.result, c.result) << c.stored << "\n" << out.transcript;
        EXPECT_EQ(out.boxes, c.boxes) << c.stored;
        EXPECT_EQ(out.value, CString(c.result == IDOK ? c.value : c.stored)) << c.stored;
    }
    // The lists: servers and cameras of the catalogue; the secondary list offers "(local)"
    // only while the primary camera is not local.
    const SOutcome out = RunEditor(false, "ASSY_VIDEO", VideoCatalogue(), "ASSY_A", "",
                                   "dump\nchoose 15016 CAM2\ndump\nclick 2\n");
    EXPECT_EQ(DumpedControl(out, IDC_ASSY_SERVER)["items"], nlohmann::json({"(local)", "SRV1"}));
    EXPECT_EQ(DumpedControl(out, IDC_ASSY_CAMERA2)["items"],
              nlohmann::json({"<none>", "CAM1", "CAM2"}));
    EXPECT_EQ(DumpedControl(out, IDC_ASSY_CAMERA2)["selected"], 0);
}

TEST(AssemblyRoomDlgTest, AssemblyButtonEditsTheReferencedResourceInPlace) {
    kitroster::testing::CTestSite site;
    CZRauto_ptr<IKitroster> catalogue = VideoCatalogue();
    const SOutcome out =
        RunEditor(false, "ASSY_VIDEO", catalogue, "ASSY_A", "RES_SERVER=SRV1;RES_CAMERA=CAM2;",
                  "click 15033\ntype 15008 vs9\nclick 1\nclick 15034\nclick 2\nclick 1\n");
    ASSERT_EQ(out.result, IDOK) << out.transcript;
    EXPECT_EQ(Property(catalogue->GetItemById("SRV1")->get_Conn(), "SERVER"), "vs9");
    EXPECT_EQ(catalogue->GetItemById("CAM2")->get_Conn(), CString("IPADDR=10.0.0.2;"));
    EXPECT_EQ(out.Of("open").size(), 3u);
}

TEST(AssemblyRoomDlgTest, RoomListCheckAndEmptyRoom) {
    kitroster::testing::CTestSite site;
    const std::string gone = FormatResString(IDS_LINK_ERRORS, "GONE does not exist").str();
    const std::string emptyRoom = LoadResString(IDS_ROOM_CANNOT_BE_EMPTY).str();
    const std::string ok = LoadResString(IDS_LINKS_OK).str();
    const std::string localOnly = LoadResString(IDS_ROOM_LOCAL_ONLY).str();
    const std::string none = LoadResString(IDS_ROOM_NO_ASSEMBLIES).str();
    struct SCase {
        const char* stored;
        std::string script;
        int result;
        const char* value;
        std::vector<std::string> boxes;
    };
    const SCase cases[] = {
        // Read in any order and case, written in byte order; the missing entry is reported
        // at once and dropped.
        {"RES_ASSYLIST=| assy_b |ASSY_A|GONE;",
         "answer OK\nclick 1\n",
         IDOK,
         "RES_ASSYLIST=|ASSY_A|ASSY_B;ROOM_EXCLUDE_LOCAL=FALSE;",
         {gone}},
        {"ROOM_EXCLUDE_LOCAL=true;",
         "click 1\nanswer OK\nclick 15046\nclick 1\n",
         IDOK,
         "RES_ASSYLIST=;ROOM_EXCLUDE_LOCAL=FALSE;",
         {emptyRoom}},
        {"",
         "check 15016 ASSY_B on\nclick 15046\nclick 1\n",
         IDOK,
         "RES_ASSYLIST=|ASSY_B;ROOM_EXCLUDE_LOCAL=TRUE;",
         {}},
        {"RES_ASSYLIST=|ASSY_A;", "click 15017\nanswer OK\nclick 2\n", IDCANCEL, "", {ok}},
        {"",
         "click 15017\nanswer OK\nclick 15046\nclick 15017\nanswer OK\nclick 2\n",
         IDCANCEL,
         "",
         {localOnly, none}},
    };
    for (const SCase& c : cases) {
        const SOutcome out =
            RunEditor(false, "ROOM_VIDEO", VideoCatalogue(), "ROOM1", c.stored, c.script);
        EXPECT_EQ(out.result, c.result) << c.stored << "\n" << out.transcript;
        EXPECT_EQ(out.boxes, c.boxes) << c.stored;
        EXPECT_EQ(out.value, CString(c.result == IDOK ? c.value : c.stored)) << c.stored;
    }
}

// Runs as the outer window: its OK opens assembly ASSY_A's editor, and its timer, firing
// while that editor runs, asks for the assembly editor again.
class CHostDlg : public CDialog {
  public:
    explicit CHostDlg(CZRauto_ptr<IKitroster> catalogue)
        : CDialog(IDD_GENERIC_CAPS), m_catalogue(catalogue) {}

  protected:
    void OnOK() override {
        SetTimer(7, 50);
        EditLinkedConn(m_catalogue, "ASSY_A");
        EndDialog(IDOK);
    }
    void OnTimer(UINT_PTR id) override {
        KillTimer(id);
        EditLinkedConn(m_catalogue, "ASSY_B");
    }

  private:
    CZRauto_ptr<IKitroster> m_catalogue;
};

TEST(AssemblyRoomDlgTest, AnEditorAskedForWhileItRunsRefusesAndKeepsItsDialog) {
    kitroster::testing::CTestSite site;
    CZRauto_ptr<IKitroster> catalogue = VideoCatalogue();
    CHostDlg host(catalogue);
    kitroster::testing::CScriptSession session(
        "click 1\n"   // the host opens ASSY_A's assembly editor
        "wait 100\n"  // the host's timer asks for ASSY_B's
        "answer OK\n"
        "choose 15016 CAM1\n"
        "click 1\n");
    EXPECT_EQ(session.Run([&] { return host.DoModal(); }), IDOK) << session.Transcript();
    const auto boxes = session.Events("messagebox");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0]["buttons"], nlohmann::json({"OK"}));
    EXPECT_NE(boxes[0]["text"].get<std::string>().find("ASSY_B"), std::string::npos);
    // The running dialog went on and its result was stored; the other assembly is untouched.
    EXPECT_EQ(Property(catalogue->GetItemById("ASSY_A")->get_Conn(), "RES_CAMERA"), "CAM1");
    EXPECT_EQ(catalogue->GetItemById("ASSY_B")->get_Conn(),
              CString("RES_SERVER=SRV1;RES_CAMERA=CAM1;"));
    EXPECT_EQ(session.Events("open").size(), 2u);
    // The refusal is not left behind: the editor opens normally afterwards.
    const SOutcome again = RunEditor(false, "ASSY_VIDEO", catalogue, "ASSY_B", "", "click 2\n");
    EXPECT_EQ(again.Of("open").size(), 1u);
}

}  // namespace
}  // namespace NResourceItem
