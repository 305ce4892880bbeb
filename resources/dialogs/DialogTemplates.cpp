#include "resources/dialogs/DialogTemplate.h"

#include <algorithm>
#include <array>

#include "resources/dialogs/ControlIds.h"

namespace kitroster {

namespace {

using enum EControlClass;
using namespace style;

// Layout conventions: 7-unit margins, 50 x 14 buttons 4 apart, one-line edits and
// drop-downs 14 high (the framework sizes a dropped list itself), labels 8 high and 3 below
// the top of the control they name, group contents 14 below the group's top and 8 above its
// bottom, rows of a form 20 apart.

constexpr const char* kFont = "Sans Serif";
constexpr int kFontPoints = 8;

constexpr uint32_t kButton = kTabStop;
constexpr uint32_t kDefault = kTabStop | kDefPushButton;
constexpr uint32_t kEditBox = kBorder | kTabStop | kAutoHScroll;
constexpr uint32_t kDropList = kTabStop | kVScroll;
// Typed entries may be longer than the box.
constexpr uint32_t kDropCombo = kTabStop | kVScroll | kAutoHScroll;
// Lines stay in the order the dialog adds them; nothing is sorted.
constexpr uint32_t kListFrame = kBorder | kTabStop | kVScroll;
constexpr uint32_t kCheckList = kListFrame | kOwnerDraw | kHasStrings;
// The selected row stays marked while a button has the focus.
constexpr uint32_t kReportList = kBorder | kTabStop | kSingleSelection | kShowSelAlways;

// Texts too long for a table row.
constexpr const char* kAssemblyHint =
    "Hint: Click on the button to the right of each resource to view/edit its configuration.";
constexpr const char* kDoubleClickHint =
    "Hint: Double-click on a resource to view/edit its configuration.";
constexpr const char* kFilterHint =
    "Separate multiple filter match strings with a semi-colon. An asterisk is a wildcard.";
constexpr const char* kSearchLabel =
    "&Find resources whose configuration properties match the following search criteria:";
constexpr const char* kSearchHint =
    "Separate multiple search strings with a semi-colon. An asterisk is a wildcard.";
constexpr const char* kIncludeLocal = "&Include an explicit (local) resource";

// 15000: the list fills the left; its commands and the filter presets stand in a column on
// the right, which selection mode hides and the list then widens over. Reload, OK and
// Cancel sit below the list because they stay in both modes.
constexpr SControlTemplate kResourceManager[] = {
    {IDC_RESOURCE_LIST, ListView, "", kReportList, {7, 7, 287, 273}},
    {IDC_NEW, PushButton, "&New...", kButton, {301, 7, 50, 14}},
    {IDC_EDIT, PushButton, "&Edit...", kButton, {301, 25, 50, 14}},
    {IDC_DELETE, PushButton, "&Delete...", kButton, {301, 43, 50, 14}},
    {IDC_RENAME, PushButton, "&Rename...", kButton, {301, 61, 50, 14}},
    {IDC_FILTER_GROUP, GroupBox, "&Filter", 0, {301, 85, 50, 64}},
    {IDC_FILTER_PRESET_1, RadioButton, "&1", kGroup | kTabStop, {309, 97, 34, 10}},
    {IDC_FILTER_PRESET_2, RadioButton, "&2", 0, {309, 109, 34, 10}},
    {IDC_FILTER_PRESET_3, RadioButton, "&3", 0, {309, 121, 34, 10}},
    {IDC_FILTER_PRESET_4, RadioButton, "&4", 0, {309, 133, 34, 10}},
    // kGroup ends the preset group.
    {IDC_CHANGE_FILTER, PushButton, "&Change...", kGroup | kButton, {301, 155, 50, 14}},
    {IDC_SEARCH, PushButton, "&Search...", kButton, {301, 175, 50, 14}},
    {IDC_RELOAD, PushButton, "Relo&ad", kButton, {7, 287, 50, 14}},
    {IDOK, PushButton, "OK", kDefault, {247, 287, 50, 14}},
    {IDCANCEL, PushButton, "Cancel", kButton, {301, 287, 50, 14}},
};

// 15001: the two strings are kept in hidden edits so that data exchange carries them; each
// group then shows only its Edit... button.
constexpr SControlTemplate kResourceEdit[] = {
    {IDC_STATIC, GroupBox, "Resource Identity", 0, {7, 7, 190, 76}},
    {IDC_STATIC, Static, "&Name:", 0, {14, 24, 48, 8}},
    {IDC_RESOURCE_ID, Edit, "", kEditBox | kUpperCase, {66, 21, 124, 14}},
    {IDC_STATIC, Static, "&Type:", 0, {14, 44, 48, 8}},
    {IDC_RESOURCE_TYPE, DropDownList, "", kDropList, {66, 41, 124, 14}},
    {IDC_STATIC, Static, "&Description:", 0, {14, 64, 48, 8}},
    {IDC_RESOURCE_NAME, Edit, "", kEditBox, {66, 61, 124, 14}},
    {IDC_STATIC, GroupBox, "&Configuration settings", 0, {7, 91, 190, 36}},
    {IDC_RESOURCE_CONN, Edit, "", kEditBox | kHidden, {14, 105, 122, 14}},
    {IDC_EDIT_CONN, PushButton, "Edit...", kButton, {140, 105, 50, 14}},
    {IDC_STATIC, GroupBox, "Ca&pabilities", 0, {7, 135, 190, 36}},
    {IDC_RESOURCE_CAPS, Edit, "", kEditBox | kHidden, {14, 149, 122, 14}},
    {IDC_EDIT_CAPS, PushButton, "Edit...", kButton, {140, 149, 50, 14}},
    {IDOK, PushButton, "OK", kDefault, {93, 193, 50, 14}},
    {IDCANCEL, PushButton, "Cancel", kButton, {147, 193, 50, 14}},
};

constexpr SControlTemplate kServerConnection[] = {
    {IDC_STATIC, GroupBox, "&Server machine name", 0, {7, 7, 172, 36}},
    {IDC_SERVER_NAME, Edit, "", kEditBox, {14, 21, 158, 14}},
    {IDC_STATIC, GroupBox, "Remote filesystem credentials", 0, {7, 51, 172, 76}},
    {IDC_STATIC, Static, "&Username:", 0, {14, 68, 66, 8}},
    {IDC_SERVER_USERNAME, Edit, "", kEditBox, {84, 65, 88, 14}},
    {IDC_STATIC, Static, "Pass&word:", 0, {14, 88, 66, 8}},
    {IDC_SERVER_PASSWORD, Edit, "", kEditBox | kPassword, {84, 85, 88, 14}},
    {IDC_STATIC, Static, "&Confirm password:", 0, {14, 108, 66, 8}},
    {IDC_SERVER_CONFIRM, Edit, "", kEditBox | kPassword, {84, 105, 88, 14}},
    {IDOK, PushButton, "OK", kDefault, {75, 156, 50, 14}},
    {IDCANCEL, PushButton, "Cancel", kButton, {129, 156, 50, 14}},
};

// 15004: the camera model is shown, not edited, at the bottom left beside OK and Cancel.
constexpr SControlTemplate kCameraConnection[] = {
    {IDC_STATIC, GroupBox, "Connection parameters", 0, {7, 7, 222, 76}},
    {IDC_STATIC, Static, "&MAC Address:", 0, {14, 24, 66, 8}},
    {IDC_CAMERA_MAC, Edit, "", kEditBox, {84, 21, 138, 14}},
    {IDC_STATIC, Static, "&IP Address:", 0, {14, 44, 66, 8}},
    {IDC_CAMERA_IP, Edit, "", kEditBox, {84, 41, 114, 14}},
    {IDC_CAMERA_BROWSE, PushButton, "...", kButton, {202, 41, 20, 14}},
    {IDC_STATIC, Static, "&Port:", 0, {14, 64, 66, 8}},
    {IDC_CAMERA_PORT, Edit, "", kEditBox | kNumber, {84, 61, 40, 14}},
    {IDC_STATIC, GroupBox, "Credentials", 0, {7, 91, 222, 76}},
    {IDC_STATIC, Static, "&User name:", 0, {14, 108, 66, 8}},
    {IDC_CAMERA_USERNAME, Edit, "", kEditBox, {84, 105, 138, 14}},
    {IDC_STATIC, Static, "Pass&word:", 0, {14, 128, 66, 8}},
    {IDC_CAMERA_PASSWORD, Edit, "", kEditBox | kPassword, {84, 125, 138, 14}},
    {IDC_STATIC, Static, "&Confirm password:", 0, {14, 148, 66, 8}},
    {IDC_CAMERA_CONFIRM, Edit, "", kEditBox | kPassword, {84, 145, 138, 14}},
    {IDC_STATIC, GroupBox, "Video properties", 0, {7, 175, 222, 72}},
    {IDC_STATIC, Static, "Resolution:", 0, {14, 190, 66, 8}},
    {IDC_CAMERA_VGA, RadioButton, "&VGA", kGroup | kTabStop, {84, 189, 40, 10}},
    {IDC_CAMERA_QVGA, RadioButton, "&QVGA", 0, {128, 189, 44, 10}},
    // kGroup ends the resolution group.
    {IDC_STATIC, Static, "Framerate:", kGroup, {14, 208, 66, 8}},
    {IDC_CAMERA_FRAMERATE, DropDownList, "", kDropList, {84, 205, 70, 14}},
    {IDC_STATIC, Static, "Stream mode:", 0, {14, 228, 66, 8}},
    {IDC_CAMERA_STREAM_MODE, DropDownList, "", kDropList, {84, 225, 70, 14}},
    {IDC_STATIC, GroupBox, "Misc", 0, {7, 255, 222, 32}},
    {IDC_CAMERA_SHOW_PTZ, CheckBox, "&Show PTZ controls", kTabStop, {14, 269, 120, 10}},
    {IDC_CAMERA_MODEL, Static, "", 0, {7, 316, 110, 8}},
    {IDOK, PushButton, "OK", kDefault, {125, 313, 50, 14}},
    {IDCANCEL, PushButton, "Cancel", kButton, {179, 313, 50, 14}},
};

// 15005 and 15008 share one layout.
constexpr SControlTemplate kCaps[] = {
    {IDC_STATIC, GroupBox, "&Capabilities", 0, {7, 7, 314, 36}},
    {IDC_CAPS_VALUE, Edit, "", kEditBox, {14, 21, 300, 14}},
    {IDOK, PushButton, "OK", kDefault, {217, 69, 50, 14}},
    {IDCANCEL, PushButton, "Cancel", kButton, {271, 69, 50, 14}},
};

// 15006: each reference is a drop-down list with a small button beside it that opens the
// referenced resource's editor.
constexpr SControlTemplate kVideoAssembly[] = {
    {IDC_STATIC, GroupBox, "Media &server resource", 0, {7, 7, 237, 36}},
    {IDC_ASSY_SERVER, DropDownList, "", kDropList, {14, 21, 199, 14}},
    {IDC_ASSY_EDIT_SERVER, PushButton, "...", kButton, {217, 21, 20, 14}},
    {IDC_STATIC, GroupBox, "Primary &camera resource", 0, {7, 51, 237, 36}},
    {IDC_ASSY_CAMERA, DropDownList, "", kDropList, {14, 65, 199, 14}},
    {IDC_ASSY_EDIT_CAMERA, PushButton, "...", kButton, {217, 65, 20, 14}},
    {IDC_STATIC, GroupBox, "S&econdary camera resource", 0, {7, 95, 237, 36}},
    {IDC_ASSY_CAMERA2, DropDownList, "", kDropList, {14, 109, 199, 14}},
    {IDC_ASSY_EDIT_CAMERA2, PushButton, "...", kButton, {217, 109, 20, 14}},
    {IDC_STATIC, Static, kAssemblyHint, 0, {7, 139, 237, 16}},
    {IDOK, PushButton, "OK", kDefault, {140, 174, 50, 14}},
    {IDCANCEL, PushButton, "Cancel", kButton, {194, 174, 50, 14}},
};

// 15007: the check list sends its double-clicks (kNotify), which open an assembly's editor.
constexpr SControlTemplate kRoomVideo[] = {
    {IDC_STATIC, GroupBox, "&Video assembly resources", 0, {7, 7, 172, 143}},
    {IDC_ROOM_ASSEMBLIES, CheckListBox, "", kCheckList | kNotify, {14, 21, 158, 107}},
    {IDC_ROOM_INCLUDE_LOCAL, CheckBox, kIncludeLocal, kTabStop, {14, 134, 158, 10}},
    {IDC_STATIC, Static, "Click to check for missing dependencies", 0, {7, 158, 118, 16}},
    {IDC_ROOM_CHECK, PushButton, "&Check...", kButton, {129, 159, 50, 14}},
    {IDC_STATIC, Static, kDoubleClickHint, 0, {7, 182, 172, 16}},
    {IDOK, PushButton, "OK", kDefault, {75, 206, 50, 14}},
    {IDCANCEL, PushButton, "Cancel", kButton, {129, 206, 50, 14}},
};

constexpr SControlTemplate kResourceRename[] = {
    {IDC_STATIC, Static, "Enter a new name for this resource", 0, {7, 7, 172, 8}},
    {IDC_NEW_NAME, Edit, "", kEditBox | kUpperCase, {7, 19, 172, 14}},
    {IDOK, PushButton, "OK", kDefault, {75, 52, 50, 14}},
    {IDCANCEL, PushButton, "Cancel", kButton, {129, 52, 50, 14}},
};

constexpr SControlTemplate kResourceFilter[] = {
    {IDC_STATIC, GroupBox, "Select resource &types to include in view", 0, {7, 7, 298, 133}},
    {IDC_FILTER_TYPES, CheckListBox, "", kCheckList, {14, 21, 226, 112}},
    {IDC_SELECT_ALL, PushButton, "&Select All", kButton, {248, 21, 50, 14}},
    {IDC_CLEAR_ALL, PushButton, "&Clear All", kButton, {248, 39, 50, 14}},
    {IDC_STATIC, Static, kFilterHint, 0, {7, 148, 298, 16}},
    {IDC_STATIC, Static, "Resource &ID:", 0, {7, 173, 46, 8}},
    {IDC_FILTER_ID_SPEC, ComboBox, "", kDropCombo, {57, 170, 248, 14}},
    {IDOK, PushButton, "OK", kDefault, {147, 196, 50, 14}},
    {IDC_RESET, PushButton, "&Reset", kButton, {201, 196, 50, 14}},
    {IDCANCEL, PushButton, "Cancel", kButton, {255, 196, 50, 14}},
};

// 15011: the window replaces the group's text with what the list shows.
constexpr SControlTemplate kResourceDependencies[] = {
    {IDC_DEPENDENCY_GROUP, GroupBox, "--- placeholder ---", 0, {7, 7, 184, 143}},
    {IDC_DEPENDENCY_LIST, ListBox, "", kListFrame | kNotify, {14, 21, 170, 122}},
    {IDC_STATIC, Static, kDoubleClickHint, 0, {7, 158, 184, 16}},
    {IDOK, PushButton, "Close", kDefault, {141, 182, 50, 14}},
};

constexpr SControlTemplate kResourceSearch[] = {
    {IDC_STATIC, Static, kSearchLabel, 0, {7, 7, 209, 16}},
    {IDC_SEARCH_TEXT, ComboBox, "", kDropCombo, {7, 27, 209, 14}},
    {IDC_STATIC, Static, kSearchHint, 0, {7, 47, 209, 16}},
    {IDOK, PushButton, "OK", kDefault, {112, 84, 50, 14}},
    {IDCANCEL, PushButton, "Cancel", kButton, {166, 84, 50, 14}},
};

constexpr SDialogTemplate kTemplates[] = {
    {IDD_RESOURCE_MANAGER, "Resource Manager", 358, 308, kFont, kFontPoints, kResourceManager},
    {IDD_RESOURCE_EDIT, "Edit Resource", 204, 214, kFont, kFontPoints, kResourceEdit},
    {IDD_SERVER_CONNECTION, "Server Connection", 186, 177, kFont, kFontPoints, kServerConnection},
    {IDD_CAMERA_CONNECTION, "VIDEO IP Configuration", 236, 334, kFont, kFontPoints,
     kCameraConnection},
    {IDD_SERVER_CAPS, "SERVER RESOURCE CAPS", 328, 90, kFont, kFontPoints, kCaps},
    {IDD_VIDEO_ASSEMBLY, "Video Assembly", 251, 195, kFont, kFontPoints, kVideoAssembly},
    {IDD_ROOM_VIDEO, "Room Video", 186, 227, kFont, kFontPoints, kRoomVideo},
    {IDD_GENERIC_CAPS, "RESOURCE CAPS", 328, 90, kFont, kFontPoints, kCaps},
    {IDD_RESOURCE_RENAME, "Resource Renaming", 186, 73, kFont, kFontPoints, kResourceRename},
    {IDD_RESOURCE_FILTER, "Resource Filter", 312, 217, kFont, kFontPoints, kResourceFilter},
    {IDD_RESOURCE_DEPENDENCIES, "Resource Dependencies", 198, 203, kFont, kFontPoints,
     kResourceDependencies},
    {IDD_RESOURCE_SEARCH, "Resource Configuration Search", 223, 105, kFont, kFontPoints,
     kResourceSearch},
};

constexpr auto MakeIndex() {
    std::array<const SDialogTemplate*, std::size(kTemplates)> index{};
    for (size_t i = 0; i < index.size(); ++i)
        index[i] = &kTemplates[i];
    return index;
}

// In number order, as kTemplates lists them.
constexpr auto kIndex = MakeIndex();
static_assert(std::ranges::is_sorted(kIndex, {}, &SDialogTemplate::id));

}  // namespace

const SDialogTemplate* FindDialogTemplate(int id) {
    auto it = std::ranges::lower_bound(kIndex, id, {}, &SDialogTemplate::id);
    return it != kIndex.end() && (*it)->id == id ? *it : nullptr;
}

std::span<const SDialogTemplate* const> AllDialogTemplates() {
    return kIndex;
}

}  // namespace kitroster
