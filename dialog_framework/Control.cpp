#include "dialog_framework/Control.h"

#include <algorithm>

#include "dialog_framework/Dialog.h"

using kitroster::EControlClass;
namespace style = kitroster::style;

CWnd::CWnd(CDialog* dialog, const kitroster::SControlTemplate& tpl, CRect pixels)
    : m_dialog(dialog),
      m_id(tpl.id),
      m_class(tpl.cls),
      m_style(tpl.style),
      m_rect(pixels),
      m_text(tpl.text),
      m_visible((tpl.style & style::kHidden) == 0),
      m_enabled((tpl.style & style::kDisabled) == 0) {}

void CWnd::_changed(unsigned what) {
    m_changes |= what;
    if (m_dialog)
        m_dialog->MarkControlChanged();
}

unsigned CWnd::TakeChanges() {
    unsigned changes = m_changes;
    m_changes = 0;
    return changes;
}

void CWnd::SetWindowText(const CString& text) {
    if (m_text == text)
        return;
    m_text = text;
    _changed(change::kText);
}

BOOL CWnd::EnableWindow(BOOL enable) {
    BOOL wasDisabled = !m_enabled;
    if (m_enabled != (enable != FALSE)) {
        m_enabled = enable != FALSE;
        _changed(change::kState);
        // A control that loses its focus by being disabled passes it on silently.
        if (!m_enabled && m_dialog && m_dialog->GetFocusId() == m_id)
            m_dialog->GotoDlgCtrl(nullptr);
    }
    return wasDisabled;
}

BOOL CWnd::ShowWindow(int command) {
    BOOL wasVisible = m_visible;
    bool visible = command != SW_HIDE;
    if (m_visible != visible) {
        m_visible = visible;
        _changed(change::kState);
        if (!m_visible && m_dialog && m_dialog->GetFocusId() == m_id)
            m_dialog->GotoDlgCtrl(nullptr);
    }
    return wasVisible;
}

void CWnd::SetFocus() {
    if (m_dialog)
        m_dialog->GotoDlgCtrl(this);
}

void CWnd::MoveWindow(const CRect& rect) {
    m_rect = rect;
    _changed(change::kGeometry);
}

void CWnd::GetClientRect(CRect* rect) const {
    *rect = {0, 0, m_rect.Width(), m_rect.Height()};
}

// ---------------------------------------------------------------------------------------

void CButton::SetCheck(int check) {
    if (m_checked == (check != 0))
        return;
    m_checked = check != 0;
    _changed(change::kState);
}

bool CButton::IsDefault() const {
    return (m_style & style::kDefPushButton) != 0;
}

// ---------------------------------------------------------------------------------------

CEdit::CEdit(CDialog* dialog, const kitroster::SControlTemplate& tpl, CRect pixels)
    : CWnd(dialog, tpl, pixels), m_readOnly((tpl.style & style::kReadOnly) != 0) {}

BOOL CEdit::SetReadOnly(BOOL readOnly) {
    if (m_readOnly != (readOnly != FALSE)) {
        m_readOnly = readOnly != FALSE;
        _changed(change::kState);
    }
    return TRUE;
}

void CEdit::LimitText(int chars) {
    m_limit = std::max(chars, 0);
    _changed(change::kState);
}

CString CEdit::Typed(const CString& typed) const {
    CString text;
    for (int i = 0; i < typed.GetLength(); ++i) {
        char ch = typed[i];
        if ((m_style & style::kNumber) && (ch < '0' || ch > '9'))
            continue;  // refused key
        text += ch;
    }
    if (m_style & style::kUpperCase)
        text.MakeUpper();
    if (m_limit > 0 && text.GetLength() > m_limit)
        text = text.Left(m_limit);
    return text;
}

// ---------------------------------------------------------------------------------------

int CListBase::AddString(const CString& text) {
    int index = GetCount();
    if (m_style & style::kSort) {
        index = 0;
        while (index < GetCount() && m_lines[index].CompareNoCase(text) <= 0)
            ++index;
    }
    return InsertString(index, text);
}

int CListBase::InsertString(int index, const CString& text) {
    if (index < 0 || index > GetCount())
        index = GetCount();
    m_lines.insert(m_lines.begin() + index, text);
    m_data.insert(m_data.begin() + index, 0);
    if (m_selected >= index)
        ++m_selected;
    _on_lines_changed();
    _changed(change::kLines | change::kSelection);
    return index;
}

int CListBase::DeleteString(int index) {
    if (index < 0 || index >= GetCount())
        return LB_ERR;
    m_lines.erase(m_lines.begin() + index);
    m_data.erase(m_data.begin() + index);
    if (m_selected == index)
        m_selected = -1;
    else if (m_selected > index)
        --m_selected;
    _on_lines_changed();
    _changed(change::kLines | change::kSelection);
    return GetCount();
}

void CListBase::ResetContent() {
    m_lines.clear();
    m_data.clear();
    m_selected = -1;
    _on_lines_changed();
    if (m_class == EControlClass::DropDownList)
        m_text.Empty();
    _changed(change::kLines | change::kSelection | change::kText);
}

int CListBase::SetCurSel(int index) {
    int result = index;
    if (index < -1 || index >= GetCount()) {
        index = -1;
        result = LB_ERR;
    }
    if (m_selected != index) {
        m_selected = index;
        _changed(change::kSelection);
    }
    // A combo box shows the chosen line in its edit part (or as its text).
    if (m_class == EControlClass::ComboBox || m_class == EControlClass::DropDownList)
        SetWindowText(index >= 0 ? m_lines[index] : CString());
    return result;
}

void CListBase::GetText(int index, CString& text) const {
    text = GetLine(index);
}

CString CListBase::GetLine(int index) const {
    return index >= 0 && index < GetCount() ? m_lines[index] : CString();
}

int CListBase::FindStringExact(int start, const CString& text) const {
    int count = GetCount();
    for (int n = 0; n < count; ++n) {
        int i = (start + 1 + n) % count;
        if (start < 0)
            i = n;
        if (m_lines[i].CompareNoCase(text) == 0)
            return i;
    }
    return LB_ERR;
}

int CListBase::SetItemData(int index, DWORD_PTR data) {
    if (index < 0 || index >= GetCount())
        return LB_ERR;
    m_data[index] = data;
    return 0;
}

DWORD_PTR CListBase::GetItemData(int index) const {
    return index >= 0 && index < GetCount() ? m_data[index] : 0;
}

void CCheckListBox::SetCheck(int index, int check) {
    if (index < 0 || index >= GetCount())
        return;
    if (m_checks[index] == (check != 0))
        return;
    m_checks[index] = check != 0;
    _changed(change::kLines);
}

int CCheckListBox::GetCheck(int index) const {
    return index >= 0 && index < GetCount() && m_checks[index] ? 1 : 0;
}

void CCheckListBox::_on_lines_changed() {
    m_checks.resize(m_lines.size(), false);
}

int CComboBox::SelectString(int start, const CString& text) {
    int count = GetCount();
    for (int n = 0; n < count; ++n) {
        int i = start < 0 ? n : (start + 1 + n) % count;
        if (m_lines[i].GetLength() >= text.GetLength() &&
            m_lines[i].Left(text.GetLength()).CompareNoCase(text) == 0) {
            SetCurSel(i);
            return i;
        }
    }
    return CB_ERR;
}

// ---------------------------------------------------------------------------------------

int CListCtrl::InsertColumn(int index, const CString& heading, int, int width) {
    if (index < 0 || index > GetColumnCount())
        index = GetColumnCount();
    m_columns.insert(m_columns.begin() + index, SListColumn{heading, std::max(width, 0)});
    for (auto& row : m_rows)
        if (static_cast<int>(row.size()) > index)
            row.insert(row.begin() + index, CString());
    _changed(change::kColumns | change::kRows);
    return index;
}

BOOL CListCtrl::DeleteColumn(int index) {
    if (index < 0 || index >= GetColumnCount())
        return FALSE;
    m_columns.erase(m_columns.begin() + index);
    for (auto& row : m_rows)
        if (static_cast<int>(row.size()) > index)
            row.erase(row.begin() + index);
    _changed(change::kColumns | change::kRows);
    return TRUE;
}

int CListCtrl::GetColumnWidth(int index) const {
    return index >= 0 && index < GetColumnCount() ? m_columns[index].width : 0;
}

BOOL CListCtrl::SetColumnWidth(int index, int width) {
    if (index < 0 || index >= GetColumnCount())
        return FALSE;
    m_columns[index].width = std::max(width, 0);
    _changed(change::kColumns);
    return TRUE;
}

int CListCtrl::InsertItem(int row, const CString& label) {
    if (row < 0 || row > GetItemCount())
        row = GetItemCount();
    m_rows.insert(m_rows.begin() + row, std::vector<CString>{label});
    m_data.insert(m_data.begin() + row, 0);
    if (m_selected >= row)
        ++m_selected;
    if (m_focused >= row)
        ++m_focused;
    _changed(change::kRows | change::kSelection);
    return row;
}

BOOL CListCtrl::DeleteItem(int row) {
    if (row < 0 || row >= GetItemCount())
        return FALSE;
    m_rows.erase(m_rows.begin() + row);
    m_data.erase(m_data.begin() + row);
    if (m_selected == row)
        m_selected = -1;
    else if (m_selected > row)
        --m_selected;
    if (m_focused == row)
        m_focused = -1;
    else if (m_focused > row)
        --m_focused;
    _changed(change::kRows | change::kSelection);
    return TRUE;
}

BOOL CListCtrl::DeleteAllItems() {
    m_rows.clear();
    m_data.clear();
    m_selected = m_focused = -1;
    _changed(change::kRows | change::kSelection);
    return TRUE;
}

BOOL CListCtrl::SetItemText(int row, int column, const CString& text) {
    if (row < 0 || row >= GetItemCount() || column < 0)
        return FALSE;
    auto& cells = m_rows[row];
    if (static_cast<int>(cells.size()) <= column)
        cells.resize(column + 1);
    cells[column] = text;
    _changed(change::kRows);
    return TRUE;
}

CString CListCtrl::GetItemText(int row, int column) const {
    if (row < 0 || row >= GetItemCount() || column < 0)
        return CString();
    const auto& cells = m_rows[row];
    return column < static_cast<int>(cells.size()) ? cells[column] : CString();
}

BOOL CListCtrl::SetItemData(int row, DWORD_PTR data) {
    if (row < 0 || row >= GetItemCount())
        return FALSE;
    m_data[row] = data;
    return TRUE;
}

DWORD_PTR CListCtrl::GetItemData(int row) const {
    return row >= 0 && row < GetItemCount() ? m_data[row] : 0;
}

int CListCtrl::SetSelectionMark(int row) {
    int previous = m_selected;
    if (row < -1 || row >= GetItemCount())
        row = -1;
    if (m_selected != row) {
        m_selected = row;
        _changed(change::kSelection);
    }
    return previous;
}

BOOL CListCtrl::SetItemState(int row, UINT state, UINT mask) {
    if (row < 0 || row >= GetItemCount())
        return FALSE;
    if (mask & LVIS_SELECTED) {
        if (state & LVIS_SELECTED)
            SetSelectionMark(row);
        else if (m_selected == row)
            SetSelectionMark(-1);
    }
    if (mask & LVIS_FOCUSED)
        m_focused = (state & LVIS_FOCUSED) ? row : (m_focused == row ? -1 : m_focused);
    return TRUE;
}

UINT CListCtrl::GetItemState(int row, UINT mask) const {
    UINT state = 0;
    if (row >= 0 && row == m_selected)
        state |= LVIS_SELECTED;
    if (row >= 0 && row == m_focused)
        state |= LVIS_FOCUSED;
    return state & mask;
}

int CListCtrl::GetNextItem(int start, UINT flags) const {
    if ((flags & LVNI_SELECTED) && m_selected > start)
        return m_selected;
    return -1;
}

BOOL CListCtrl::EnsureVisible(int row, BOOL) {
    if (row < 0 || row >= GetItemCount())
        return FALSE;
    m_scrollTo = row;
    _changed(change::kSelection);
    return TRUE;
}

int CListCtrl::TakeScrollRequest() {
    int row = m_scrollTo;
    m_scrollTo = -1;
    return row;
}
