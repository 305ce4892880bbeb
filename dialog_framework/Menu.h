// A pop-up menu: built by the dialog, shown with CDialog::TrackPopupMenu, which returns
// the chosen command once the menu has closed (0 when it was dismissed).
#pragma once

#include <vector>

#include "base/CString.h"
#include "dialog_framework/WinTypes.h"

struct SMenuItem {
    UINT id = 0;  // 0 for a separator
    CString text;
    bool separator = false;
};

class CMenu {
  public:
    BOOL CreatePopupMenu() {
        m_items.clear();
        return TRUE;
    }
    BOOL AppendMenu(UINT flags, UINT id = 0, const char* text = nullptr) {
        m_items.push_back(
            {flags & MF_SEPARATOR ? 0u : id, text ? text : "", (flags & MF_SEPARATOR) != 0});
        return TRUE;
    }
    const std::vector<SMenuItem>& Items() const { return m_items; }

  private:
    std::vector<SMenuItem> m_items;
};
