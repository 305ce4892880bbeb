// The controls of an open dialog: each holds its state (text, visibility, lines, rows,
// selection...) in memory, and the typed classes below offer the familiar operations on
// it. The window backend shows that state; it never keeps state of its own that the
// dialog code could read, so both backends behave alike.
//
// A control lives as long as its dialog is open. Every change marks what changed, so
// that the backend updates only that part of the window.
//
// Thread-safety: the user-interface thread only.
#pragma once

#include <cstdint>
#include <vector>

#include "base/CString.h"
#include "dialog_framework/WinTypes.h"
#include "resources/dialogs/DialogTemplate.h"

class CDialog;

// What part of a control changed since the backend last showed it.
namespace change {
inline constexpr unsigned kText = 1u << 0;
inline constexpr unsigned kState = 1u << 1;  // visible, enabled, read-only, checked, limit
inline constexpr unsigned kLines = 1u << 2;  // combo, list and check-list lines and checks
inline constexpr unsigned kSelection = 1u << 3;
inline constexpr unsigned kColumns = 1u << 4;
inline constexpr unsigned kRows = 1u << 5;
inline constexpr unsigned kGeometry = 1u << 6;
inline constexpr unsigned kAll = 0xFFu;
}  // namespace change

struct SListColumn {
    CString heading;
    int width = 0;  // pixels; 0 keeps the column hidden until someone widens it
};

class KITROSTER_API CWnd {
  public:
    CWnd(CDialog* dialog, const kitroster::SControlTemplate& tpl, CRect pixels);
    virtual ~CWnd() = default;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    int GetDlgCtrlID() const { return m_id; }
    kitroster::EControlClass GetClass() const { return m_class; }
    uint32_t GetStyle() const { return m_style; }
    CDialog* GetParent() const { return m_dialog; }

    void SetWindowText(const CString& text);
    void GetWindowText(CString& text) const { text = m_text; }
    CString GetWindowText() const { return m_text; }
    BOOL EnableWindow(BOOL enable = TRUE);  // the previous state, as "was disabled"
    BOOL IsWindowEnabled() const { return m_enabled; }
    BOOL ShowWindow(int command);
    BOOL IsWindowVisible() const { return m_visible; }
    void SetFocus();
    // Position and size in pixels, relative to the dialog's client area.
    void MoveWindow(const CRect& rect);
    void GetClientRect(CRect* rect) const;
    CRect GetRect() const { return m_rect; }

    // What changed since TakeChanges was last called (the backend's view of it).
    unsigned TakeChanges();
    unsigned PendingChanges() const { return m_changes; }

  protected:
    void _changed(unsigned what);

    CDialog* m_dialog;
    int m_id;
    kitroster::EControlClass m_class;
    uint32_t m_style;
    CRect m_rect;
    CString m_text;
    bool m_visible;
    bool m_enabled;
    unsigned m_changes = change::kAll;

    friend class CDialog;
};

// Push buttons, radio buttons, check boxes and group boxes.
class KITROSTER_API CButton : public CWnd {
  public:
    using CWnd::CWnd;
    int GetCheck() const { return m_checked ? 1 : 0; }
    void SetCheck(int check);
    bool IsDefault() const;

  private:
    bool m_checked = false;
};

class KITROSTER_API CStatic : public CWnd {
  public:
    using CWnd::CWnd;
};

class KITROSTER_API CEdit : public CWnd {
  public:
    CEdit(CDialog* dialog, const kitroster::SControlTemplate& tpl, CRect pixels);
    BOOL SetReadOnly(BOOL readOnly = TRUE);
    bool IsReadOnly() const { return m_readOnly; }
    // The most characters a person can type; 0 for no limit.
    void LimitText(int chars);
    int GetLimitText() const { return m_limit; }
    // What the control holds after a person typed `typed` over its text: upper-case and
    // number-only styles apply and the limit cuts.
    CString Typed(const CString& typed) const;

  private:
    bool m_readOnly;
    int m_limit = 0;
};

// Lines with a selection: the common part of list boxes and both kinds of combo box.
class KITROSTER_API CListBase : public CWnd {
  public:
    using CWnd::CWnd;
    int AddString(const CString& text);  // the new line's index (sorted lists keep order)
    int InsertString(int index, const CString& text);
    int DeleteString(int index);  // the remaining count, or LB_ERR
    void ResetContent();
    int GetCount() const { return static_cast<int>(m_lines.size()); }
    int GetCurSel() const { return m_selected; }
    int SetCurSel(int index);  // -1 clears; LB_ERR when out of range (the selection clears)
    void GetText(int index, CString& text) const;
    CString GetLine(int index) const;
    // The first line after `start` (-1: from the top) equal to `text` ignoring case.
    int FindStringExact(int start, const CString& text) const;
    int SetItemData(int index, DWORD_PTR data);
    DWORD_PTR GetItemData(int index) const;
    const std::vector<CString>& Lines() const { return m_lines; }

  protected:
    virtual void _on_lines_changed() {}
    std::vector<CString> m_lines;
    std::vector<DWORD_PTR> m_data;
    int m_selected = -1;

    friend class CDialog;  // typing into a combo's edit part clears its selection
};

class KITROSTER_API CListBox : public CListBase {
  public:
    using CListBase::CListBase;
};

class KITROSTER_API CCheckListBox : public CListBox {
  public:
    using CListBox::CListBox;
    void SetCheck(int index, int check);
    int GetCheck(int index) const;
    const std::vector<bool>& Checks() const { return m_checks; }

  private:
    void _on_lines_changed() override;
    std::vector<bool> m_checks;
};

// Drop-down combos (text of their own) and drop-down lists (text of the chosen line).
class KITROSTER_API CComboBox : public CListBase {
  public:
    using CListBase::CListBase;
    void GetLBText(int index, CString& text) const { GetText(index, text); }
    int SelectString(int start, const CString& text);
    bool HasEditPart() const { return m_class == kitroster::EControlClass::ComboBox; }
};

// The report-style list view.
class KITROSTER_API CListCtrl : public CWnd {
  public:
    using CWnd::CWnd;
    int InsertColumn(int index, const CString& heading, int format = LVCFMT_LEFT, int width = -1);
    BOOL DeleteColumn(int index);
    int GetColumnCount() const { return static_cast<int>(m_columns.size()); }
    int GetColumnWidth(int index) const;
    BOOL SetColumnWidth(int index, int width);
    const std::vector<SListColumn>& Columns() const { return m_columns; }

    int InsertItem(int row, const CString& label);
    BOOL DeleteItem(int row);
    BOOL DeleteAllItems();
    int GetItemCount() const { return static_cast<int>(m_rows.size()); }
    BOOL SetItemText(int row, int column, const CString& text);
    CString GetItemText(int row, int column) const;
    BOOL SetItemData(int row, DWORD_PTR data);
    DWORD_PTR GetItemData(int row) const;
    // Single selection: the selection mark is the selected row, -1 for none.
    int GetSelectionMark() const { return m_selected; }
    int SetSelectionMark(int row);
    BOOL SetItemState(int row, UINT state, UINT mask);
    UINT GetItemState(int row, UINT mask) const;
    int GetNextItem(int start, UINT flags) const;
    BOOL EnsureVisible(int row, BOOL partialOk);
    void SetExtendedStyle(UINT style) { m_extendedStyle = style; }
    UINT GetExtendedStyle() const { return m_extendedStyle; }
    void SetCallbackMask(UINT mask) { m_callbackMask = mask; }
    const std::vector<std::vector<CString>>& Rows() const { return m_rows; }
    // The row the backend should scroll to, -1 when none was asked for since last taken.
    int TakeScrollRequest();

  private:
    std::vector<SListColumn> m_columns;
    std::vector<std::vector<CString>> m_rows;
    std::vector<DWORD_PTR> m_data;
    int m_selected = -1;
    int m_focused = -1;
    int m_scrollTo = -1;
    UINT m_extendedStyle = 0;
    UINT m_callbackMask = 0;
};
