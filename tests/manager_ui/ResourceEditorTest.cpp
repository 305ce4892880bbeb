// The resource editor service: Select and Edit as a host calls them.
#include "manager_ui/ResourceEditor.h"

#include <gtest/gtest.h>

#include "resources/dialogs/ControlIds.h"
#include "tests/manager_ui/ManagerTestHelpers.h"

namespace NResourceItem {
namespace {

using kitroster::testing::CTestSite;

TEST(ResourceEditorTest, SelectAndEdit) {
    struct SCase {
        const char* what;
        bool select;
        std::string script;
        const char* selectionIn;
        bool result;
        std::string selectionOut;
        size_t rows;
    };
    const SCase cases[] = {
        {"select by double-click", true, "dump\ndblclick 15001 SRV1\n", "", true, "SRV1", 4},
        {"OK with an empty selection is false", true, "dump\nclick 1\n", "", false, "", 4},
        {"cancel keeps the caller's text", true, "dump\nclick 2\n", "cam1", false, "cam1", 4},
        {"type filter restricts the list", true, "dump\nclick 1\n", "ASSY1", false, "", 1},
        {"edit cancelled", false, "dump\nclick 2\n", "", false, "", 4},
        {"edit after a change saves", false,
         "dump\nchoose 15001 SRV1\nclick 5\nanswer Yes\n"
         "wait 100\nclick 1\n",
         "", true, "", 4},
    };
    for (const SCase& c : cases) {
        CTestSite site;
        WriteCatalogue(site);
        CZRauto_ptr<IResourceEditor> editor = CResourceEditorFactory::CreateInstance();
        if (c.rows == 1) {
            CZRauto_ptr<IResourceTypeList> types = CResourceTypeList::CreateInstance();
            types->Put("CAMERA");
            editor->SetTypeFilter(types);
        }
        CString selection = c.selectionIn;
        bool result = false;
        SRun run = RunScript(c.script, [&] {
            result = c.select ? editor->Select("Pick", selection) : editor->Edit("");
            return 0;
        });
        EXPECT_EQ(result, c.result) << c.what << run.transcript;
        if (c.select) {
            EXPECT_EQ(selection.str(), c.selectionOut) << c.what;
        }
        EXPECT_EQ(run.Names(IDC_RESOURCE_LIST).size(), c.rows) << c.what;
    }
}

}  // namespace
}  // namespace NResourceItem
