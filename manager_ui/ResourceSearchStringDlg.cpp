#include "manager_ui/ResourceSearchStringDlg.h"

#include "catalogue/queries/FilterPresets.h"
#include "manager_ui/EntryHistory.h"
#include "resources/dialogs/ControlIds.h"

namespace NResourceItem {

CResourceSearchStringDlg::CResourceSearchStringDlg(CDialog* parent)
    : CDialog(IDD_RESOURCE_SEARCH, parent) {}

void CResourceSearchStringDlg::GetMessageMap(CMessageMap& map) {
    map.On(ENotify::SelChange, IDC_SEARCH_TEXT, this,
           &CResourceSearchStringDlg::OnSelchangeSearchText);
    map.On(ENotify::KillFocus, IDC_SEARCH_TEXT, this,
           &CResourceSearchStringDlg::OnKillfocusSearchText);
}

void CResourceSearchStringDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_CBString(pDX, IDC_SEARCH_TEXT, m_searchText);
}

BOOL CResourceSearchStringDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    CComboBox* combo = GetComboBox(IDC_SEARCH_TEXT);
    LoadEntryHistory(combo, kSearchHistoryKey);
    if (combo)
        GotoDlgCtrl(combo);
    return FALSE;
}

void CResourceSearchStringDlg::OnSelchangeSearchText() {
    UpdateData(TRUE);
    if (CComboBox* combo = GetComboBox(IDC_SEARCH_TEXT))
        if (combo->GetCurSel() >= 0)
            combo->GetLBText(combo->GetCurSel(), m_searchText);
    UpdateData(FALSE);
}

void CResourceSearchStringDlg::OnKillfocusSearchText() {
    UpdateData(TRUE);
    StoreEntryHistory(GetComboBox(IDC_SEARCH_TEXT), m_searchText, kSearchHistoryKey);
}

}  // namespace NResourceItem
