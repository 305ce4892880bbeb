// The commands that look across the catalogue: rename with its checks, dependants and the
// configuration search with their result list.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "catalogue/queries/IdentifierCheck.h"
#include "platform/app/KitrosterApp.h"
#include "resources/dialogs/ControlIds.h"
#include "resources/strings/StringTable.h"
#include "tests/manager_ui/ManagerTestHelpers.h"

namespace NResourceItem {
namespace {

using kitroster::testing::CTestSite;

TEST(CatalogueCommandsTest, RenameChecksTheNewIdentifier) {
    const std::string invalidChars = FormatResString(IDS_INVALID_CHARACTER, kLabelId).str();
    const std::string onlyIdChars = LoadResString(IDS_ID_INVALID_CHARS).str();
    struct SCase {
        const char* what;
        const char* typed;
        std::vector<std::string> boxes;
    };
    const SCase cases[] = {
        {"unchanged", "CAM1", {FormatResString(IDS_RENAME_DUPLICATE, "CAM1").str()}},
        {"case only (the field upper-cases)",
         "cam1",
         {FormatResString(IDS_RENAME_DUPLICATE, "CAM1").str()}},
        {"another resource's identifier",
         "SRV1",
         {FormatResString(IDS_RENAME_DUPLICATE, "SRV1").str()}},
        {"hyphen", "CAM-1", {onlyIdChars}},
        {"braces", "CAM{1}", {invalidChars}},
        {"blanks only: again without a message", "   ", {}},
    };
    for (const SCase& c : cases) {
        CTestSite site;
        WriteCatalogue(site);
        // After the refusal the dialog opens again on the old identifier; Cancel ends.
        SRun run = RunManager(std::string("choose 15001 CAM1\nclick 6\ntype 15023 \"") + c.typed +
                              "\"\nclick 1\n" + (c.boxes.empty() ? "" : "answer OK\n") +
                              "dump\nclick 2\nclick 2\n");
        EXPECT_EQ(run.result, IDCANCEL) << c.what << run.transcript;
        EXPECT_EQ(run.boxes, c.boxes) << c.what;
        auto renames = run.Of("open");
        ASSERT_EQ(renames.size(), 3u) << c.what << run.transcript;
        EXPECT_EQ(run.Control(IDC_NEW_NAME)["text"], "CAM1") << c.what;
    }
}

TEST(CatalogueCommandsTest, RenameRewritesReferencesAndSavesOnOk) {
    CTestSite site;
    WriteCatalogue(site);
    SRun run =
        RunManager("dump\nchoose 15001 CAM1\nclick 6\ntype 15023 cam9\nclick 1\ndump\nclick 1\n");
    EXPECT_EQ(run.result, IDOK) << run.transcript;
    // The renamed resource moves to the end and stays selected.
    std::vector<std::string> after = run.Names(IDC_RESOURCE_LIST, 1);
    ASSERT_EQ(after.size(), 4u);
    EXPECT_EQ(after.back(), "CAM9");
    EXPECT_EQ(run.Control(IDC_RESOURCE_LIST, 1)["selected"], 3);
    EXPECT_FALSE(site.Exists("_RES_CAM1.zrr"));
    EXPECT_TRUE(site.Exists("_RES_CAM9.zrr"));
    EXPECT_NE(site.ReadRaw("_RES_ROOM1.zrr").find("ASSY1|CAM9"), std::string::npos)
        << site.ReadRaw("_RES_ROOM1.zrr");
}

// A peer that changes the catalogue while the window is open: its change lands after the
// window loaded, the moment before the window's OK touches the folder (takes the lock, or
// opens a file for writing, whichever comes first).
class CPeerBeforeSaveEnv : public kitroster::EnvWrapper {
  public:
    CPeerBeforeSaveEnv(kitroster::Env* target, std::function<void()> peer)
        : EnvWrapper(target), m_peer(std::move(peer)) {}
    kitroster::EnvStatus LockFile(const std::string& path,
                                  std::unique_ptr<kitroster::IFileLock>* lock) override {
        _peer();
        return EnvWrapper::LockFile(path, lock);
    }
    kitroster::EnvStatus OpenFile(const std::string& path, const kitroster::OpenOptions& options,
                                  std::unique_ptr<kitroster::IFile>* file) override {
        if (options.access & kitroster::kAccessWrite)
            _peer();
        return EnvWrapper::OpenFile(path, options, file);
    }

  private:
    void _peer() {
        if (m_peer)
            std::exchange(m_peer, {})();
    }
    std::function<void()> m_peer;
};

TEST(CatalogueCommandsTest, OkRefusedByAPeersChangeWritesNothingAndKeepsTheWindowOpen) {
    CTestSite site;
    WriteResources(site, {{"CAM04", "CAMERA_IP", "IPADDR=10.0.0.4;"},
                          {"ASSY02", "ASSEMBLY_VIDEO", "RES_CAMERA=CAM04;"}});
    const std::string peerAssembly = kitroster::testing::CTestSite::ResourceText(
        "ASSY02", "ASSEMBLY_VIDEO", "RES_CAMERA=CAM04;RES_SERVER=SRV9;");
    CPeerBeforeSaveEnv env(&site.env(), [&] { site.WriteRaw("_RES_ASSY02.zrr", peerAssembly); });
    kitroster::AppServices services;
    services.env = &env;
    CAppServicesOverride withPeer(services);

    SRun run = RunManager(
        "choose 15001 CAM04\nclick 6\ntype 15023 CAM40\nclick 1\n"
        "click 1\nanswer OK\ndump\nclick 2\nanswer No\nclick 2\nanswer Yes\n");
    EXPECT_EQ(run.result, IDCANCEL) << run.transcript;
    const auto boxes = run.Of("messagebox");
    ASSERT_EQ(boxes.size(), 3u) << run.transcript;
    EXPECT_EQ(boxes[0]["caption"], LoadResString(IDS_SAVE_FAILED_TITLE).str());
    const std::string text = boxes[0]["text"];
    EXPECT_EQ(text.rfind(FormatResString(IDS_SAVE_FAILED, site.folder().c_str()).str(), 0), 0u)
        << text;
    EXPECT_NE(text.find("_RES_ASSY02.zrr"), std::string::npos) << text;
    // What the message says is true: nothing of the rename reached the disk.
    EXPECT_FALSE(site.Exists("_RES_CAM40.zrr"));
    EXPECT_TRUE(site.Exists("_RES_CAM04.zrr"));
    EXPECT_EQ(site.ReadRaw("_RES_ASSY02.zrr"), peerAssembly);
    // The window is still open with the rename: the list shows CAM40, and leaving asks
    // about the unsaved changes (No keeps it open, Yes discards them).
    EXPECT_EQ(run.Names(IDC_RESOURCE_LIST), (std::vector<std::string>{"ASSY02", "CAM40"}));
    EXPECT_EQ(boxes[1]["caption"], LoadResString(IDS_EXIT_RESOURCE_MANAGER).str());
    EXPECT_EQ(boxes[2]["caption"], LoadResString(IDS_EXIT_RESOURCE_MANAGER).str());
}

TEST(CatalogueCommandsTest, RenameFieldStopsAtTheLongestIdentifier) {
    CTestSite site;
    WriteCatalogue(site);
    SRun run = RunManager(
        "choose 15001 SRV1\nclick 6\ntype 15023 ABCDEFGHIJKLMNOPQRSTUVWXYZ12\ndump\nclick 2\n"
        "click 2\n");
    EXPECT_EQ(run.Control(IDC_NEW_NAME)["text"], "ABCDEFGHIJKLMNOPQRSTUVWXYZ1") << run.transcript;
}

TEST(CatalogueCommandsTest, DependantsAndSearchShowTheirResults) {
    struct SCase {
        const char* what;
        std::string script;  // from the window, ends in the result dialog or a message
        std::string caption, group;
        std::vector<std::string> listed;
        std::vector<std::string> boxes;
    };
    const SCase cases[] = {
        {"dependants of a camera",
         "rclick 15001 CAM1\nmenu Dependants...\n",
         LoadResString(IDS_DEPENDENCY_RESULTS).str(),
         FormatResString(IDS_DEPENDING_ON, "CAM1").str(),
         {"ASSY1", "ROOM1"},
         {}},
        {"dependants through the assembly list",
         "rclick 15001 ASSY1\nmenu Dependants...\n",
         LoadResString(IDS_DEPENDENCY_RESULTS).str(),
         FormatResString(IDS_DEPENDING_ON, "ASSY1").str(),
         {"ROOM1"},
         {}},
        {"no dependants",
         "rclick 15001 SRV1\nmenu Dependants...\nanswer OK\n",
         "",
         "",
         {},
         {FormatResString(IDS_NO_DEPENDANTS, "SRV1").str()}},
        {"search for an exact value",
         "click 15029\ntype 15045 10.0.0.5\nclick 1\n",
         LoadResString(IDS_SEARCH_RESULTS).str(),
         FormatResString(IDS_MATCHING, "10.0.0.5").str(),
         {"CAM1"},
         {}},
        {"search with an exclusion",
         "click 15029\ntype 15045 \"*;!192.168.*\"\nclick 1\n",
         LoadResString(IDS_SEARCH_RESULTS).str(),
         FormatResString(IDS_MATCHING, "*;!192.168.*").str(),
         {"CAM1", "ASSY1", "ROOM1"},
         {}},
        {"search finding nothing",
         "click 15029\ntype 15045 !192.168.*\nclick 1\nanswer OK\n",
         "",
         "",
         {},
         {FormatResString(IDS_SEARCH_NOTHING_FOUND, "!192.168.*").str()}},
    };
    for (const SCase& c : cases) {
        CTestSite site;
        WriteCatalogue(site);
        // The result dialog's Close comes before the window's Cancel.
        SRun run =
            RunManager(c.script + "dump\n" + (c.listed.empty() ? "" : "click 1\n") + "click 2\n");
        EXPECT_EQ(run.result, IDCANCEL) << c.what << run.transcript;
        EXPECT_EQ(run.boxes, c.boxes) << c.what;
        if (c.listed.empty()) {
            continue;
        }
        auto dump = run.Of("dump").at(0);
        EXPECT_EQ(dump["template"], IDD_RESOURCE_DEPENDENCIES) << c.what;
        EXPECT_EQ(dump["title"], c.caption) << c.what;
        EXPECT_EQ(run.Control(IDC_DEPENDENCY_GROUP)["text"], c.group) << c.what;
        std::vector<std::string> listed = run.Control(IDC_DEPENDENCY_LIST)["items"];
        std::sort(listed.begin(), listed.end());
        std::vector<std::string> expected = c.listed;
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(listed, expected) << c.what;
    }
}

}  // namespace
}  // namespace NResourceItem
