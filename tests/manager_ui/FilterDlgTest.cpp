// Filter presets in the registry, the filter dialog and its entry history.
#include "manager_ui/ResFilterDlg.h"

#include <gtest/gtest.h>

#include "catalogue/queries/FilterPresets.h"
#include "resources/dialogs/ControlIds.h"
#include "resources/strings/StringTable.h"
#include "tests/manager_ui/ManagerTestHelpers.h"

namespace NResourceItem {
namespace {

using kitroster::testing::CTestSite;

const std::string kPreset1 = std::string(kFiltersKey) + "\\Filter_1";
const std::string kPreset2 = std::string(kFiltersKey) + "\\Filter_2";

CZRauto_ptr<IResourceTypeList> Types(std::initializer_list<const char*> types) {
    CZRauto_ptr<IResourceTypeList> list = CResourceTypeList::CreateInstance();
    for (const char* t : types)
        list->Put(t);
    return list;
}

TEST(FilterPresetTest, PresetsLiveInTheRegistry) {
    CTestSite site;
    WriteResources(site,
                   {{"CAM1", "CAMERA_IP"}, {"SRV1", "SERVER_MPEG4"}, {"ROOM1", "ROOM_VIDEO"}});
    auto& reg = site.registry();
    reg.SetString(kPreset2, "typeList", "CAMERA;ROOM_VIDEO;NOT_ALLOWED");
    reg.SetString(kPreset2, "idFilterSpec", "*1;!ROOM*");

    // First opening: preset 1 is read (and created empty), every resource shows.
    SRun run = RunManager("dump\nclick 15036\ndump\nclick 15035\ndump\nclick 2\n");
    EXPECT_EQ(run.Names(IDC_RESOURCE_LIST, 0).size(), 3u) << run.transcript;
    EXPECT_EQ(run.Control(IDC_FILTER_PRESET_1, 0)["checked"], true);
    EXPECT_EQ(reg.GetDword(kFiltersKey, "lastFilterId", 0), 1u);
    std::string value;
    EXPECT_TRUE(reg.QueryString(kPreset1, "typeList", &value));
    // Preset 2: the exclusion hides the room though its type passes.
    EXPECT_EQ(run.Names(IDC_RESOURCE_LIST, 1), std::vector<std::string>{"CAM1"});
    EXPECT_EQ(run.Names(IDC_RESOURCE_LIST, 2).size(), 3u);
    EXPECT_EQ(reg.GetDword(kFiltersKey, "lastFilterId", 0), 1u);

    // The window opens on the last preset chosen; a caller's type list drops the types
    // outside it.
    reg.SetDword(kFiltersKey, "lastFilterId", 2);
    SManagerArgs args;
    args.types = Types({"ROOM_VIDEO", "SERVER"});
    reg.SetString(kPreset2, "idFilterSpec", "");
    run = RunManager("dump\nclick 2\n", args);
    EXPECT_EQ(run.Control(IDC_FILTER_PRESET_2)["checked"], true);
    EXPECT_EQ(run.Names(IDC_RESOURCE_LIST), std::vector<std::string>{"ROOM1"});
}

TEST(FilterPresetTest, FilterDialogFromTheWindowStoresThePreset) {
    struct SCase {
        const char* what;
        std::string script;  // inside the filter dialog
        std::vector<std::string> shown;
        const char* storedSpec;
    };
    const SCase cases[] = {
        {"OK with a pattern list", "type 15034 CAM*\nclick 1\n", {"CAM1"}, "CAM*"},
        {"Reset", "type 15034 CAM*\nclick 3\n", {"CAM1", "SRV1"}, ""},
        {"Cancel changes nothing", "type 15034 CAM*\nclick 2\n", {"SRV1"}, "SRV*"},
    };
    for (const SCase& c : cases) {
        CTestSite site;
        WriteResources(site, {{"CAM1", "CAMERA_IP"}, {"SRV1", "SERVER_MPEG4"}});
        site.registry().SetString(kPreset1, "idFilterSpec", "SRV*");
        SManagerArgs args;
        args.types = Types({"CAMERA_IP", "SERVER_MPEG4"});
        SRun run = RunManager("click 15028\n" + c.script + "dump\nclick 2\n", args);
        ASSERT_GE(run.Of("open").size(), 2u) << c.what << run.transcript;
        EXPECT_EQ(run.Of("open")[1]["title"], "Resource Filter <1>") << c.what;
        std::vector<std::string> shown = run.Names(IDC_RESOURCE_LIST);
        std::sort(shown.begin(), shown.end());
        EXPECT_EQ(shown, c.shown) << c.what;
        std::string spec;
        site.registry().QueryString(kPreset1, "idFilterSpec", &spec);
        EXPECT_EQ(spec, c.storedSpec) << c.what;
    }
}

TEST(FilterDlgTest, OkBuildsTheFilterAndRefusesAnEmptyOne) {
    const std::string emptyBox = LoadResString(IDS_FILTER_EMPTY).str();
    struct SCase {
        const char* what;
        std::string script;
        int result;
        std::vector<std::string> boxes;
        std::vector<std::string> types;  // of the result filter
        std::string spec;
    };
    const SCase cases[] = {
        {"current types marked", "click 1\n", IDOK, {}, {"SERVER"}, ""},
        {"select all equals a reset",
         "click 15031\nclick 1\n",
         IDOK,
         {},
         {"CAMERA_IP", "SERVER"},
         ""},
        {"clear all demands a pattern list",
         "click 15031\nclick 15032\nclick 1\nanswer OK\n"
         "type 15034 CAM*\nclick 1\n",
         IDOK,
         {emptyBox},
         {},
         "CAM*"},
        {"reset", "click 3\n", kFilterResetResult, {}, {}, ""},
        // The store reads 499 characters back; a longer list would hide everything later.
        {"a pattern list longer than the store reads back",
         "type 15034 " + std::string(500, 'C') + "\nclick 1\nanswer OK\ntype 15034 " +
             std::string(499, 'C') + "\nclick 1\n",
         IDOK,
         {"The identifier pattern list has 500 characters; at most 499 can be kept.\n"
          "Shorten it."},
         {"SERVER"},
         std::string(499, 'C')},
    };
    for (const SCase& c : cases) {
        CTestSite site;
        CZRauto_ptr<IResourceFilter> base = CResourceFilter::CreateInstance();
        base->SetResourceTypeList(Types({"CAMERA_IP", "SERVER"}));
        CZRauto_ptr<IResourceFilter> current = CResourceFilter::CreateInstance();
        current->SetResourceTypeList(Types({"SERVER"}));
        CResFilterDlg dlg(base, current, 2, nullptr);
        SRun run = RunScript("dump\n" + c.script, [&] { return dlg.DoModal(); });
        EXPECT_EQ(run.result, c.result) << c.what << run.transcript;
        EXPECT_EQ(run.boxes, c.boxes) << c.what;
        EXPECT_EQ(run.Of("dump")[0]["title"], "Resource Filter <2>") << c.what;
        EXPECT_EQ(run.Control(IDC_FILTER_TYPES)["checks"], (nlohmann::json{false, true})) << c.what;
        if (c.result != IDOK)
            continue;
        CZRauto_ptr<IResourceFilter> result = dlg.GetFilter();
        ASSERT_TRUE(result) << c.what;
        std::vector<std::string> types;
        for (int i = 0; i < result->GetResourceTypeList()->Size(); ++i)
            types.push_back(result->GetResourceTypeList()->GetTypeByIndex(i).str());
        EXPECT_EQ(types, c.types) << c.what;
        EXPECT_EQ(result->GetResourceIdFilterSpec().str(), c.spec) << c.what;
    }
}

TEST(FilterDlgTest, EntryHistoryIsARingOfNineSlots) {
    struct SCase {
        const char* what;
        int lastIndex;       // -1: missing
        const char* stored;  // already in slot 5
        const char* typed;
        int slotWritten;  // -1: nothing written
    };
    const SCase cases[] = {
        {"first entry ever goes to slot 1", -1, "", "CAM*", 1},
        {"after slot 3 comes 4", 3, "", "CAM*", 4},
        {"after slot 8 comes 0", 8, "", "CAM*", 0},
        {"out of range wraps to 0", 42, "", "CAM*", 0},
        {"a known text in another case is not written", 3, "CAM*", "cam*", -1},
    };
    for (const SCase& c : cases) {
        CTestSite site;
        auto& reg = site.registry();
        if (c.lastIndex >= 0)
            reg.SetDword(kFilterHistoryKey, "last_index", c.lastIndex);
        if (*c.stored)
            reg.SetString(kFilterHistoryKey, "entry_5", c.stored);
        reg.SetString(kFilterHistoryKey, "entry_7", "SRV*");
        CResFilterDlg dlg(CResourceFilter::CreateInstance(), CResourceFilter::CreateInstance(), 1,
                          nullptr);
        // Leaving the combo box stores the text, even when the dialog is then cancelled.
        SRun run = RunScript(std::string("dump\ntype 15034 ") + c.typed + "\nclick 2\n",
                             [&] { return dlg.DoModal(); });
        EXPECT_EQ(run.result, IDCANCEL) << c.what << run.transcript;
        std::vector<std::string> listed = run.Control(IDC_FILTER_ID_SPEC)["items"];
        std::vector<std::string> expected;
        if (*c.stored)
            expected.push_back(c.stored);
        expected.push_back("SRV*");
        EXPECT_EQ(listed, expected) << c.what;
        uint32_t last = 99;
        ASSERT_TRUE(reg.QueryDword(kFilterHistoryKey, "last_index", &last)) << c.what;
        if (c.slotWritten < 0) {
            EXPECT_EQ(last, static_cast<uint32_t>(c.lastIndex)) << c.what;
            continue;
        }
        EXPECT_EQ(last, static_cast<uint32_t>(c.slotWritten)) << c.what;
        std::string text;
        EXPECT_TRUE(
            reg.QueryString(kFilterHistoryKey, "entry_" + std::to_string(c.slotWritten), &text))
            << c.what;
        EXPECT_EQ(text, c.typed) << c.what;
    }
}

}  // namespace
}  // namespace NResourceItem
