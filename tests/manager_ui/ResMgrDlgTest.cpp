// The manager window as a person meets it: the title's counts, the list commands, leaving
// with and without changes, selection mode, and a save that fails.
#include "manager_ui/ResMgrDlg.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/sync_client/SyncServiceClient.h"

#include "resources/dialogs/ControlIds.h"
#include "resources/strings/StringTable.h"
#include "tests/manager_ui/ManagerTestHelpers.h"

namespace NResourceItem {
namespace {

using kitroster::testing::CTestSite;

std::string Title(const char* caption, const CString& suffix) {
    return FormatResString(IDS_TITLE_WITH_ID, caption, suffix.GetString()).str();
}

TEST(ResMgrDlgTest, TitleCountsFollowTheFilter) {
    struct SCase {
        const char* what;
        int resources;     // CAM0..CAM2 first, then SRV3..
        const char* spec;  // preset 1's identifier patterns
        const char* caption;
        std::string title;
        bool okEnabled;
    };
    const SCase cases[] = {
        {"empty catalogue: bare caption", 0, "", "", "Resource Manager", false},
        {"some shown", 12, "CAM*", "",
         Title("Resource Manager", FormatResString(IDS_VIEWING_SOME, 3, 12)), false},
        {"none shown", 12, "NOPE*", "Pick", Title("Pick", FormatResString(IDS_ALL_HIDDEN, 12)),
         false},
        {"all shown", 12, "", "Pick", Title("Pick", FormatResString(IDS_VIEWING_ALL, 12)), false},
    };
    for (const SCase& c : cases) {
        CTestSite site;
        for (int i = 0; i < c.resources; ++i) {
            std::string id = (i < 3 ? "CAM" : "SRV") + std::to_string(i);
            site.WriteRaw("_RES_" + id + ".zrr", CTestSite::ResourceText(id, "CAMERA_IP"));
        }
        site.registry().SetString("Software\\Corvent\\Utilities\\Kitroster\\Filters\\Filter_1",
                                  "idFilterSpec", c.spec);
        SManagerArgs args;
        args.caption = c.caption;
        SRun run = RunManager("wait 100\ndump\nclick 2\n", args);
        EXPECT_EQ(run.result, IDCANCEL) << c.what;
        ASSERT_FALSE(run.Of("dump").empty()) << c.what << run.transcript;
        EXPECT_EQ(run.Of("dump")[0]["title"], c.title) << c.what;
        EXPECT_EQ(run.Control(IDOK)["enabled"], c.okEnabled) << c.what;
        auto columns = run.Control(IDC_RESOURCE_LIST)["columns"];
        ASSERT_EQ(columns.size(), 5u) << c.what;
        EXPECT_EQ(columns[3], (nlohmann::json{{"heading", "CONN"}, {"width", 0}}));
        EXPECT_EQ(columns[4], (nlohmann::json{{"heading", "CAPS"}, {"width", 0}}));
    }
}

TEST(ResMgrDlgTest, ListCommandsInManagementMode) {
    const std::string deleteBox = FormatResString(IDS_CONFIRM_DELETE, "B").str();
    struct SCase {
        const char* what;
        const char* selected;  // the initial selection
        std::string script;
        int result;
        std::vector<int> opened;  // templates opened after the window itself
        int rowsAfter;            // rows of the first dump, -1 when not checked
        int selectedAfter;        // selected row of the first dump
        std::string selectedName;
        std::vector<std::string> boxCaptions;
    };
    const SCase cases[] = {
        {"double-click on empty space opens New",
         "",
         "dblclick 15001 empty\nclick 2\nclick 2\n",
         IDCANCEL,
         {IDD_RESOURCE_EDIT},
         -1,
         -1,
         "",
         {}},
        {"double-click on a row opens Edit",
         "",
         "dblclick 15001 B\ndump\nclick 2\nclick 2\n",
         IDCANCEL,
         {IDD_RESOURCE_EDIT},
         -1,
         -1,
         "",
         {}},
        {"cam01 finds CAM01", "cam01", "dump\nclick 2\n", IDCANCEL, {}, 4, -2, "CAM01", {}},
        {"delete the last row selects the new last",
         "",
         "choose 15001 #3\nclick 5\nanswer Yes\n"
         "dump\nclick 2\nanswer Yes\n",
         IDCANCEL,
         {},
         3,
         2,
         "",
         {"Delete Resource", "Exit Resource Manager"}},
        {"delete a middle row selects the row that moved up",
         "",
         "choose 15001 #1\nkey Delete\n"
         "answer Yes\ndump\nclick 2\nanswer Yes\n",
         IDCANCEL,
         {},
         3,
         1,
         "",
         {"Delete Resource", "Exit Resource Manager"}},
        {"delete answered No keeps the row and leaves at once",
         "",
         "choose 15001 B\nclick 5\n"
         "answer No\ndump\nclick 2\n",
         IDCANCEL,
         {},
         4,
         -2,
         "B",
         {"Delete Resource"}},
        {"Cancel after a change asks, No stays",
         "",
         "choose 15001 B\nclick 5\nanswer Yes\n"
         "click 2\nanswer No\ndump\nclick 2\nanswer Yes\n",
         IDCANCEL,
         {},
         3,
         -2,
         "",
         {"Delete Resource", "Exit Resource Manager", "Exit Resource Manager"}},
        {"Reload with a change asks first, No keeps it",
         "",
         "choose 15001 B\nclick 5\nanswer Yes\nclick 15011\nanswer No\ndump\nclick 2\n"
         "answer Yes\n",
         IDCANCEL,
         {},
         3,
         -2,
         "",
         {"Delete Resource", "Reload Resource List", "Exit Resource Manager"}},
        {"Reload answered Yes reads the files again",
         "C",
         "choose 15001 B\nclick 5\nanswer Yes\nchoose 15001 C\nclick 15011\nanswer Yes\n"
         "dump\nclick 2\n",
         IDCANCEL,
         {},
         4,
         -2,
         "C",
         {"Delete Resource", "Reload Resource List"}},
        {"Insert opens New",
         "",
         "key Insert\nclick 2\nclick 2\n",
         IDCANCEL,
         {IDD_RESOURCE_EDIT},
         -1,
         -1,
         "",
         {}},
    };
    for (const SCase& c : cases) {
        CTestSite site;
        WriteResources(site, {{"A", "T"}, {"B", "T"}, {"C", "T"}, {"CAM01", "T"}});
        SManagerArgs args;
        args.selected = c.selected;
        SRun run = RunManager(c.script, args);
        EXPECT_EQ(run.result, c.result) << c.what << run.transcript;
        std::vector<int> opened;
        for (const auto& e : run.Of("open"))
            if (e["template"] != IDD_RESOURCE_MANAGER)
                opened.push_back(e["template"]);
        EXPECT_EQ(opened, c.opened) << c.what;
        std::vector<std::string> captions;
        for (const auto& e : run.Of("messagebox"))
            captions.push_back(e["caption"]);
        EXPECT_EQ(captions, c.boxCaptions) << c.what;
        if (c.rowsAfter >= 0) {
            auto list = run.Control(IDC_RESOURCE_LIST);
            EXPECT_EQ(list["rows"].size(), static_cast<size_t>(c.rowsAfter)) << c.what;
            int sel = list["selected"];
            if (c.selectedAfter >= -1) {
                EXPECT_EQ(sel, c.selectedAfter) << c.what;
            }
            if (!c.selectedName.empty()) {
                ASSERT_GE(sel, 0) << c.what;
                EXPECT_EQ(list["rows"][sel][0], c.selectedName) << c.what;
            }
        }
    }
    // The confirmations name the resource and default to the safe answer.
    CTestSite site;
    WriteResources(site, {{"B", "T"}});
    SRun run = RunManager("choose 15001 B\nclick 5\nanswer Yes\nclick 2\nanswer Yes\n");
    ASSERT_EQ(run.Of("messagebox").size(), 2u) << run.transcript;
    EXPECT_EQ(run.boxes[0], deleteBox);
    EXPECT_EQ(run.Of("messagebox")[0]["icon"], "warning");
    EXPECT_EQ(run.Of("messagebox")[1]["default"], "No");
    EXPECT_EQ(run.boxes[1], LoadResString(IDS_DISCARD_CHANGES).str());
    EXPECT_TRUE(site.Exists("_RES_B.zrr"));  // Cancel saved nothing
}

TEST(ResMgrDlgTest, ContextMenuOnlyInManagementMode) {
    CTestSite site;
    WriteResources(site, {{"A", "T"}});
    SRun run = RunManager("rclick 15001 A\nmenu none\nclick 2\n");
    ASSERT_EQ(run.Of("menu").size(), 1u) << run.transcript;
    std::vector<nlohmann::json> items = run.Of("menu")[0]["items"];
    ASSERT_EQ(items.size(), 5u);
    EXPECT_EQ(items[0]["text"], "Edit Properties...");
    EXPECT_EQ(items[1]["text"], "Rename Resource...");
    EXPECT_EQ(items[2]["text"], "Delete...");
    EXPECT_EQ(items[4]["text"], "Dependants...");

    SManagerArgs args;
    args.readOnly = true;
    run = RunManager("rclick 15001 A\nkey Insert\nclick 2\n", args);
    EXPECT_TRUE(run.Of("menu").empty());
    EXPECT_EQ(run.Of("open").size(), 1u);
}

TEST(ResMgrDlgTest, SelectionModePicksWithoutSaving) {
    struct SCase {
        const char* what;
        const char* selected;
        std::string script;
        int result;
        std::string chosen;
    };
    const SCase cases[] = {
        {"double-click returns the row", "", "dblclick 15001 B\n", IDOK, "B"},
        {"OK returns the initial selection", "b", "click 1\n", IDOK, "B"},
        {"OK without a selection returns empty", "", "click 1\n", IDOK, ""},
        {"double-click on empty space does nothing", "", "dblclick 15001 empty\nclick 2\n",
         IDCANCEL, ""},
        {"Ctrl+double-click opens the editor read-only", "",
         "dblclick 15001 A ctrl\nclick 2\n"
         "click 2\n",
         IDCANCEL, ""},
    };
    for (const SCase& c : cases) {
        CTestSite site;
        WriteResources(site, {{"A", "T"}, {"B", "T"}});
        // The person's preset hides B in management mode; selection mode ignores it.
        site.registry().SetString("Software\\Corvent\\Utilities\\Kitroster\\Filters\\Filter_1",
                                  "idFilterSpec", "A");
        SManagerArgs args;
        args.readOnly = true;
        args.selected = c.selected;
        SRun run = RunManager("dump\n" + c.script, args);
        EXPECT_EQ(run.result, c.result) << c.what << run.transcript;
        EXPECT_EQ(run.selected, c.chosen) << c.what;
        for (int id : {IDC_NEW, IDC_EDIT, IDC_DELETE, IDC_RENAME, IDC_SEARCH, IDC_CHANGE_FILTER,
                       IDC_FILTER_PRESET_1})
            EXPECT_EQ(run.Control(id)["visible"], false) << c.what << id;
        EXPECT_EQ(run.Control(IDC_RELOAD)["visible"], true) << c.what;
        auto columns = run.Control(IDC_RESOURCE_LIST)["columns"];
        EXPECT_GT(columns[2]["width"].get<int>(), 205) << c.what;
        EXPECT_EQ(run.Names(IDC_RESOURCE_LIST).size(), 2u) << c.what;
    }
}

TEST(ResMgrDlgTest, FailedSaveIsReportedAndKeepsTheWindowOpen) {
    CTestSite site;
    WriteResources(site, {{"A", "T"}, {"B", "T"}});
    // Every write of a resource file fails: the deleted B is gone from the list but its
    // removal and the renamed file cannot be stored.
    site.env().FailFrom(kitroster::EnvOp::kWrite, 1, kitroster::kErrorDiskFull, "_RES_");
    site.env().FailFrom(kitroster::EnvOp::kDeleteFile, 1, kitroster::kErrorDiskFull, "_RES_");
    SRun run = RunManager(
        "choose 15001 B\nclick 5\nanswer Yes\n"
        "click 1\nanswer OK\n"
        "dump\nclick 2\nanswer Yes\n");
    EXPECT_EQ(run.result, IDCANCEL) << run.transcript;
    auto boxes = run.Of("messagebox");
    ASSERT_EQ(boxes.size(), 3u) << run.transcript;
    EXPECT_EQ(boxes[1]["caption"], LoadResString(IDS_SAVE_FAILED_TITLE).str());
    EXPECT_EQ(boxes[1]["icon"], "error");
    std::string text = boxes[1]["text"];
    EXPECT_EQ(text.rfind(FormatResString(IDS_SAVE_FAILED, site.folder().c_str()).str(), 0), 0u)
        << text;
    EXPECT_NE(text.find("\n"), std::string::npos);
    EXPECT_NE(text.find("_RES_B.zrr"), std::string::npos) << text;
    // Still open with the change: the list lacks B, and leaving asks about the changes.
    EXPECT_EQ(run.Names(IDC_RESOURCE_LIST), std::vector<std::string>{"A"});
    EXPECT_EQ(boxes[2]["caption"], LoadResString(IDS_EXIT_RESOURCE_MANAGER).str());
    EXPECT_TRUE(site.Exists("_RES_B.zrr"));

    // Without faults the same OK closes the window and the file is gone.
    CTestSite clean;
    WriteResources(clean, {{"A", "T"}, {"B", "T"}});
    run = RunManager("choose 15001 B\nclick 5\nanswer Yes\nclick 1\n");
    EXPECT_EQ(run.result, IDOK) << run.transcript;
    EXPECT_FALSE(clean.Exists("_RES_B.zrr"));
}

// A synchronisation service whose run removes the catalogue folder (a central folder
// emptied by mistake, a share that went away), and then reports success.
class CFolderRemovingSync : public kitroster::ISyncServiceClient {
  public:
    explicit CFolderRemovingSync(std::string folder) : m_folder(std::move(folder)) {}
    bool IsScannerServiceRunning() override { return true; }
    bool GetStatus(int32_t* status) override {
        *status = 2;  // completed
        return true;
    }
    bool GetSecondsSinceLastSync(int32_t* seconds) override {
        *seconds = 3600;
        return true;
    }
    bool SyncNow() override {
        std::filesystem::remove_all(m_folder);
        return true;
    }

  private:
    std::string m_folder;
};

TEST(ResMgrDlgTest, AFolderGoneDuringReloadIsReportedAndOkDoesNotMakeItAgain) {
    CTestSite site;
    WriteCatalogue(site);
    CFolderRemovingSync sync(site.folder());
    kitroster::AppServices services;
    services.syncClient = &sync;
    CAppServicesOverride withSync(services);
    // Reload empties the list and says why; a new camera is then kept in the window, and
    // OK reports that it cannot be saved instead of making the folder again.
    SRun run = RunManager(
        "click 15011\nanswer OK\ndump\n"
        "click 3\ntype 15002 cam09\nchoose 15004 CAMERA_IP\nwait 100\nclick 15007\n"
        "type 15009 10.0.0.9\nclick 1\nwait 100\nclick 1\nwait 100\n"
        "click 1\nanswer OK\nclick 2\nanswer Yes\n");
    EXPECT_EQ(run.result, IDCANCEL) << run.transcript;
    const auto boxes = run.Of("messagebox");
    ASSERT_EQ(boxes.size(), 3u) << run.transcript;
    EXPECT_EQ(boxes[0]["icon"], "error");
    EXPECT_NE(boxes[0]["text"].get<std::string>().find(site.folder() + " does not exist"),
              std::string::npos)
        << boxes[0]["text"];
    EXPECT_EQ(boxes[1]["caption"], LoadResString(IDS_SAVE_FAILED_TITLE).str());
    EXPECT_NE(boxes[1]["text"].get<std::string>().find("\n" + site.folder()), std::string::npos)
        << boxes[1]["text"];
    EXPECT_TRUE(run.Names(IDC_RESOURCE_LIST).empty());
    EXPECT_FALSE(std::filesystem::exists(site.folder()));
}

}  // namespace
}  // namespace NResourceItem
