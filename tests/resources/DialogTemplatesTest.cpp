#include "resources/dialogs/DialogTemplate.h"

#include <gtest/gtest.h>

#include <cctype>
#include <set>
#include <string>

#include "resources/dialogs/ControlIds.h"

namespace {

using kitroster::AllDialogTemplates;
using kitroster::EControlClass;
using kitroster::FindDialogTemplate;
using kitroster::SControlTemplate;
using kitroster::SDialogRect;
using kitroster::SDialogTemplate;
namespace style = kitroster::style;

bool TakesFocus(const SControlTemplate& c) {
    return c.cls != EControlClass::Static && c.cls != EControlClass::GroupBox;
}

bool Overlap(const SDialogRect& a, const SDialogRect& b) {
    return a.x < b.x + b.cx && b.x < a.x + a.cx && a.y < b.y + b.cy && b.y < a.y + a.cy;
}

bool Inside(const SDialogRect& inner, const SDialogRect& outer) {
    return inner.x >= outer.x && inner.y >= outer.y && inner.x + inner.cx <= outer.x + outer.cx &&
           inner.y + inner.cy <= outer.y + outer.cy;
}

// The mnemonic letter of a text ("Pass&word:" gives 'W'), 0 for none; "&&" is a plain '&'.
char Mnemonic(const char* text) {
    for (const char* p = text; *p; ++p) {
        if (*p != '&')
            continue;
        if (p[1] == '&') {
            ++p;
            continue;
        }
        return static_cast<char>(std::toupper(static_cast<unsigned char>(p[1])));
    }
    return 0;
}

const SControlTemplate* FindControl(const SDialogTemplate& dlg, int id) {
    for (const auto& c : dlg.controls)
        if (c.id == id)
            return &c;
    return nullptr;
}

TEST(DialogTemplatesTest, EveryTemplateIsWellFormed) {
    ASSERT_EQ(AllDialogTemplates().size(), 12u);
    int previousId = 0;
    for (const SDialogTemplate* dlg : AllDialogTemplates()) {
        SCOPED_TRACE("template " + std::to_string(dlg->id));
        EXPECT_GT(dlg->id, previousId) << "not in number order";
        previousId = dlg->id;
        EXPECT_EQ(FindDialogTemplate(dlg->id), dlg);
        const auto& controls = dlg->controls;
        const SDialogRect client{0, 0, dlg->cx, dlg->cy};
        std::set<int> ids;
        std::set<char> mnemonics;
        int defaults = 0;
        for (size_t i = 0; i < controls.size(); ++i) {
            const SControlTemplate& c = controls[i];
            SCOPED_TRACE("control " + std::to_string(i) + " id " + std::to_string(c.id));
            EXPECT_TRUE(c.rect.cx > 0 && c.rect.cy > 0 && Inside(c.rect, client))
                << "outside the client area";
            if (c.id != IDC_STATIC) {
                EXPECT_TRUE(ids.insert(c.id).second) << "duplicate id";
            }
            if (c.style & style::kDefPushButton) {
                ++defaults;
                EXPECT_EQ(c.cls, EControlClass::PushButton);
            }
            // Every list keeps the order the dialog fills it in (table, slot or catalogue
            // order).
            EXPECT_FALSE(c.style & style::kSort);
            if (char m = Mnemonic(c.text)) {
                EXPECT_TRUE(mnemonics.insert(m).second) << "mnemonic " << m << " used twice";
                // A label's or group's mnemonic moves the focus to the next control.
                if (!TakesFocus(c)) {
                    ASSERT_LT(i + 1, controls.size());
                    EXPECT_TRUE(TakesFocus(controls[i + 1])) << "mnemonic leads nowhere";
                }
            }
            // Radio groups: the first button starts the group and is the tab stop, the
            // others continue it, and the control after the last one starts a new group.
            if (c.cls == EControlClass::RadioButton) {
                bool first = i == 0 || controls[i - 1].cls != EControlClass::RadioButton;
                EXPECT_EQ((c.style & style::kGroup) != 0, first);
                EXPECT_EQ((c.style & style::kTabStop) != 0, first);
                if (i + 1 < controls.size() && controls[i + 1].cls != EControlClass::RadioButton) {
                    EXPECT_TRUE(controls[i + 1].style & style::kGroup) << "group left open";
                }
            }
            for (size_t j = i + 1; j < controls.size(); ++j) {
                const SControlTemplate& d = controls[j];
                if (!Overlap(c.rect, d.rect))
                    continue;
                bool framed =
                    (c.cls == EControlClass::GroupBox && d.cls != c.cls &&
                     Inside(d.rect, c.rect)) ||
                    (d.cls == EControlClass::GroupBox && c.cls != d.cls && Inside(c.rect, d.rect));
                EXPECT_TRUE(framed) << "overlaps control " << j << " id " << d.id;
            }
        }
        EXPECT_EQ(defaults, 1) << "one default button";
    }
    EXPECT_EQ(FindDialogTemplate(15002), nullptr);
    EXPECT_EQ(FindDialogTemplate(0), nullptr);
    EXPECT_EQ(FindDialogTemplate(15013), nullptr);
}

// Every control the dialog classes address, with the class and the styles their behaviour
// depends on.
TEST(DialogTemplatesTest, AddressedControlsTable) {
    using enum EControlClass;
    using namespace style;
    struct Row {
        int dialog;
        int id;
        EControlClass cls;
        uint32_t style;  // flags that must be set
    };
    const Row rows[] = {
        {IDD_RESOURCE_MANAGER, IDC_RESOURCE_LIST, ListView, kBorder | kSingleSelection},
        {IDD_RESOURCE_MANAGER, IDC_NEW, PushButton, 0},
        {IDD_RESOURCE_MANAGER, IDC_EDIT, PushButton, 0},
        {IDD_RESOURCE_MANAGER, IDC_DELETE, PushButton, 0},
        {IDD_RESOURCE_MANAGER, IDC_RENAME, PushButton, 0},
        {IDD_RESOURCE_MANAGER, IDC_FILTER_GROUP, GroupBox, 0},
        {IDD_RESOURCE_MANAGER, IDC_FILTER_PRESET_1, RadioButton, kGroup},
        {IDD_RESOURCE_MANAGER, IDC_FILTER_PRESET_2, RadioButton, 0},
        {IDD_RESOURCE_MANAGER, IDC_FILTER_PRESET_3, RadioButton, 0},
        {IDD_RESOURCE_MANAGER, IDC_FILTER_PRESET_4, RadioButton, 0},
        {IDD_RESOURCE_MANAGER, IDC_CHANGE_FILTER, PushButton, 0},
        {IDD_RESOURCE_MANAGER, IDC_SEARCH, PushButton, 0},
        {IDD_RESOURCE_MANAGER, IDC_RELOAD, PushButton, 0},
        {IDD_RESOURCE_MANAGER, IDOK, PushButton, kDefPushButton},
        {IDD_RESOURCE_MANAGER, IDCANCEL, PushButton, 0},

        {IDD_RESOURCE_EDIT, IDC_RESOURCE_ID, Edit, kUpperCase | kAutoHScroll},
        {IDD_RESOURCE_EDIT, IDC_RESOURCE_TYPE, DropDownList, 0},
        {IDD_RESOURCE_EDIT, IDC_RESOURCE_NAME, Edit, 0},
        {IDD_RESOURCE_EDIT, IDC_RESOURCE_CONN, Edit, kHidden},
        {IDD_RESOURCE_EDIT, IDC_EDIT_CONN, PushButton, 0},
        {IDD_RESOURCE_EDIT, IDC_RESOURCE_CAPS, Edit, kHidden},
        {IDD_RESOURCE_EDIT, IDC_EDIT_CAPS, PushButton, 0},
        {IDD_RESOURCE_EDIT, IDOK, PushButton, kDefPushButton},
        {IDD_RESOURCE_EDIT, IDCANCEL, PushButton, 0},

        {IDD_SERVER_CONNECTION, IDC_SERVER_NAME, Edit, 0},
        {IDD_SERVER_CONNECTION, IDC_SERVER_USERNAME, Edit, 0},
        {IDD_SERVER_CONNECTION, IDC_SERVER_PASSWORD, Edit, kPassword},
        {IDD_SERVER_CONNECTION, IDC_SERVER_CONFIRM, Edit, kPassword},
        {IDD_SERVER_CONNECTION, IDOK, PushButton, kDefPushButton},
        {IDD_SERVER_CONNECTION, IDCANCEL, PushButton, 0},

        {IDD_CAMERA_CONNECTION, IDC_CAMERA_MAC, Edit, 0},
        {IDD_CAMERA_CONNECTION, IDC_CAMERA_IP, Edit, 0},
        {IDD_CAMERA_CONNECTION, IDC_CAMERA_BROWSE, PushButton, 0},
        {IDD_CAMERA_CONNECTION, IDC_CAMERA_PORT, Edit, kNumber},
        {IDD_CAMERA_CONNECTION, IDC_CAMERA_USERNAME, Edit, 0},
        {IDD_CAMERA_CONNECTION, IDC_CAMERA_PASSWORD, Edit, kPassword},
        {IDD_CAMERA_CONNECTION, IDC_CAMERA_CONFIRM, Edit, kPassword},
        {IDD_CAMERA_CONNECTION, IDC_CAMERA_VGA, RadioButton, kGroup},
        {IDD_CAMERA_CONNECTION, IDC_CAMERA_QVGA, RadioButton, 0},
        {IDD_CAMERA_CONNECTION, IDC_CAMERA_FRAMERATE, DropDownList, 0},
        {IDD_CAMERA_CONNECTION, IDC_CAMERA_STREAM_MODE, DropDownList, 0},
        {IDD_CAMERA_CONNECTION, IDC_CAMERA_SHOW_PTZ, CheckBox, 0},
        {IDD_CAMERA_CONNECTION, IDC_CAMERA_MODEL, Static, 0},
        {IDD_CAMERA_CONNECTION, IDOK, PushButton, kDefPushButton},
        {IDD_CAMERA_CONNECTION, IDCANCEL, PushButton, 0},

        {IDD_SERVER_CAPS, IDC_CAPS_VALUE, Edit, 0},
        {IDD_SERVER_CAPS, IDOK, PushButton, kDefPushButton},
        {IDD_SERVER_CAPS, IDCANCEL, PushButton, 0},
        {IDD_GENERIC_CAPS, IDC_CAPS_VALUE, Edit, 0},
        {IDD_GENERIC_CAPS, IDOK, PushButton, kDefPushButton},
        {IDD_GENERIC_CAPS, IDCANCEL, PushButton, 0},

        {IDD_VIDEO_ASSEMBLY, IDC_ASSY_SERVER, DropDownList, 0},
        {IDD_VIDEO_ASSEMBLY, IDC_ASSY_EDIT_SERVER, PushButton, 0},
        {IDD_VIDEO_ASSEMBLY, IDC_ASSY_CAMERA, DropDownList, 0},
        {IDD_VIDEO_ASSEMBLY, IDC_ASSY_EDIT_CAMERA, PushButton, 0},
        {IDD_VIDEO_ASSEMBLY, IDC_ASSY_CAMERA2, DropDownList, 0},
        {IDD_VIDEO_ASSEMBLY, IDC_ASSY_EDIT_CAMERA2, PushButton, 0},
        {IDD_VIDEO_ASSEMBLY, IDOK, PushButton, kDefPushButton},
        {IDD_VIDEO_ASSEMBLY, IDCANCEL, PushButton, 0},

        {IDD_ROOM_VIDEO, IDC_ROOM_ASSEMBLIES, CheckListBox, kOwnerDraw | kHasStrings | kNotify},
        {IDD_ROOM_VIDEO, IDC_ROOM_INCLUDE_LOCAL, CheckBox, 0},
        {IDD_ROOM_VIDEO, IDC_ROOM_CHECK, PushButton, 0},
        {IDD_ROOM_VIDEO, IDOK, PushButton, kDefPushButton},
        {IDD_ROOM_VIDEO, IDCANCEL, PushButton, 0},

        {IDD_RESOURCE_RENAME, IDC_NEW_NAME, Edit, kUpperCase | kAutoHScroll},
        {IDD_RESOURCE_RENAME, IDOK, PushButton, kDefPushButton},
        {IDD_RESOURCE_RENAME, IDCANCEL, PushButton, 0},

        {IDD_RESOURCE_FILTER, IDC_FILTER_TYPES, CheckListBox, kOwnerDraw | kHasStrings},
        {IDD_RESOURCE_FILTER, IDC_SELECT_ALL, PushButton, 0},
        {IDD_RESOURCE_FILTER, IDC_CLEAR_ALL, PushButton, 0},
        {IDD_RESOURCE_FILTER, IDC_FILTER_ID_SPEC, ComboBox, 0},
        {IDD_RESOURCE_FILTER, IDOK, PushButton, kDefPushButton},
        {IDD_RESOURCE_FILTER, IDC_RESET, PushButton, 0},
        {IDD_RESOURCE_FILTER, IDCANCEL, PushButton, 0},

        {IDD_RESOURCE_DEPENDENCIES, IDC_DEPENDENCY_GROUP, GroupBox, 0},
        {IDD_RESOURCE_DEPENDENCIES, IDC_DEPENDENCY_LIST, ListBox, kNotify},
        {IDD_RESOURCE_DEPENDENCIES, IDOK, PushButton, kDefPushButton},

        {IDD_RESOURCE_SEARCH, IDC_SEARCH_TEXT, ComboBox, 0},
        {IDD_RESOURCE_SEARCH, IDOK, PushButton, kDefPushButton},
        {IDD_RESOURCE_SEARCH, IDCANCEL, PushButton, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE("template " + std::to_string(row.dialog) + " id " + std::to_string(row.id));
        const SDialogTemplate* dlg = FindDialogTemplate(row.dialog);
        ASSERT_NE(dlg, nullptr);
        const SControlTemplate* control = FindControl(*dlg, row.id);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(control->cls, row.cls);
        EXPECT_EQ(control->style & row.style, row.style);
        // Edits and lists a person types into or picks from are reached with Tab.
        if (TakesFocus(*control) && control->cls != RadioButton) {
            EXPECT_TRUE(control->style & kTabStop);
        }
    }
}

}  // namespace
