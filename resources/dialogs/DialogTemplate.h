// Dialog templates as data: every dialog's caption, size and controls, the way a resource
// script describes them, so that each window backend builds the same window from them.
//
// Sizes and positions are in dialog units (a quarter of the dialog font's average
// character width across, an eighth of its height down), measured from the top-left of
// the dialog's client area. Styles use the flag values below; a backend honours the ones
// it can show and the framework the ones that change behaviour (upper-case, number-only,
// the control's initial visibility and state).
//
// Thread-safety: constant data.
#pragma once

#include <cstdint>
#include <span>

#include "base/KitrosterExport.h"

namespace kitroster {

// What kind of window a control is. Push buttons and default push buttons differ only by
// the kDefPushButton style.
enum class EControlClass : uint8_t {
    PushButton,
    RadioButton,  // auto radio button; kGroup on the first of a group
    CheckBox,     // auto check box
    GroupBox,
    Static,
    Edit,
    ComboBox,      // drop-down combo: an edit part and a list
    DropDownList,  // drop-down list: a list only
    ListBox,
    CheckListBox,  // list box with a check box on every line
    ListView,      // report-style list view
};

// Style flags (one namespace for all classes; each class reads its own).
namespace style {
inline constexpr uint32_t kHidden = 1u << 0;    // not visible when the dialog opens
inline constexpr uint32_t kDisabled = 1u << 1;  // disabled when the dialog opens
inline constexpr uint32_t kGroup = 1u << 2;     // starts a group (radio groups, tab order)
inline constexpr uint32_t kTabStop = 1u << 3;
inline constexpr uint32_t kBorder = 1u << 4;
// Buttons.
inline constexpr uint32_t kDefPushButton = 1u << 8;
// Edits.
inline constexpr uint32_t kUpperCase = 1u << 9;
inline constexpr uint32_t kNumber = 1u << 10;
inline constexpr uint32_t kPassword = 1u << 11;
inline constexpr uint32_t kReadOnly = 1u << 12;
inline constexpr uint32_t kAutoHScroll = 1u << 13;
inline constexpr uint32_t kAutoVScroll = 1u << 14;
inline constexpr uint32_t kMultiLine = 1u << 15;
// Lists.
inline constexpr uint32_t kNotify = 1u << 16;     // list box sends its notifications
inline constexpr uint32_t kSort = 1u << 17;       // list box or combo keeps its lines sorted
inline constexpr uint32_t kOwnerDraw = 1u << 18;  // check-list box lines are drawn by it
inline constexpr uint32_t kHasStrings = 1u << 19;
inline constexpr uint32_t kVScroll = 1u << 20;
inline constexpr uint32_t kSingleSelection = 1u << 21;  // list view
inline constexpr uint32_t kShowSelAlways = 1u << 22;    // list view
// Static texts.
inline constexpr uint32_t kRightAlign = 1u << 23;
}  // namespace style

// A rectangle in dialog units: left, top, width, height.
struct SDialogRect {
    int x = 0, y = 0, cx = 0, cy = 0;
};

struct SControlTemplate {
    int id;  // -1 for a static text or group box nobody addresses
    EControlClass cls;
    const char* text;  // Windows-1252; "" for none
    uint32_t style;
    SDialogRect rect;
};

struct SDialogTemplate {
    int id;
    const char* caption;
    int cx, cy;  // client size in dialog units
    const char* fontName;
    int fontPointSize;
    std::span<const SControlTemplate> controls;  // in tab order
};

// The template with number `id`, or null when the library has none.
KITROSTER_API const SDialogTemplate* FindDialogTemplate(int id);

// Every template of the library, in number order (the layout test walks them).
KITROSTER_API std::span<const SDialogTemplate* const> AllDialogTemplates();

}  // namespace kitroster
