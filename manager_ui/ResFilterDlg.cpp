#include "manager_ui/ResFilterDlg.h"

#include "catalogue/queries/FilterPresets.h"
#include "manager_ui/EntryHistory.h"
#include "platform/registry/Registry.h"
#include "resources/dialogs/ControlIds.h"
#include "resources/strings/StringTable.h"

namespace NResourceItem {

CResFilterDlg::CResFilterDlg(CZRauto_ptr<IResourceFilter> baseFilter,
                             CZRauto_ptr<IResourceFilter> currentFilter, int presetId,
                             CDialog* parent)
    : CDialog(IDD_RESOURCE_FILTER, parent),
      m_baseFilter(baseFilter),
      m_currentFilter(currentFilter),
      m_presetId(presetId) {}

void CResFilterDlg::GetMessageMap(CMessageMap& map) {
    map.On(ENotify::Clicked, IDC_RESET, this, &CResFilterDlg::OnReset);
    map.On(ENotify::Clicked, IDC_SELECT_ALL, this, &CResFilterDlg::OnSelectAll);
    map.On(ENotify::Clicked, IDC_CLEAR_ALL, this, &CResFilterDlg::OnClearAll);
    map.On(ENotify::SelChange, IDC_FILTER_ID_SPEC, this, &CResFilterDlg::OnSelchangeIdFilterSpec);
    map.On(ENotify::KillFocus, IDC_FILTER_ID_SPEC, this, &CResFilterDlg::OnKillfocusIdFilterSpec);
}

void CResFilterDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    m_typeChecks = GetCheckListBox(IDC_FILTER_TYPES);
    DDX_CBString(pDX, IDC_FILTER_ID_SPEC, m_idFilterSpec);
}

BOOL CResFilterDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    CZRauto_ptr<IResourceTypeList> current;
    if (m_currentFilter) {
        m_idFilterSpec = m_currentFilter->GetResourceIdFilterSpec();
        current = m_currentFilter->GetResourceTypeList();
    }
    CZRauto_ptr<IResourceTypeList> base;
    if (m_baseFilter)
        base = m_baseFilter->GetResourceTypeList();
    if (base && m_typeChecks) {
        for (int i = 0; i < base->Size(); ++i) {
            CString type = base->GetTypeByIndex(i);
            if (type.IsEmpty())
                continue;
            m_typeChecks->AddString(type);
            m_checked[type] = current && current->Has(type) ? 1 : 0;
        }
    }
    UpdateData(FALSE);
    applyChecks();
    if (CWnd* ok = GetDlgItem(IDOK))
        GotoDlgCtrl(ok);
    LoadEntryHistory(GetComboBox(IDC_FILTER_ID_SPEC), kFilterHistoryKey);
    CString title;
    title.Format("%s <%d>", GetWindowText().GetString(), m_presetId);
    SetWindowText(title);
    // The focus has been set.
    return FALSE;
}

void CResFilterDlg::applyChecks() {
    if (!m_typeChecks)
        return;
    for (const auto& [type, check] : m_checked) {
        int row = m_typeChecks->FindStringExact(-1, type);
        if (row != LB_ERR)
            m_typeChecks->SetCheck(row, check);
    }
}

void CResFilterDlg::setAllChecks(int check) {
    for (auto& entry : m_checked)
        entry.second = check;
    applyChecks();
    UpdateData(FALSE);
}

void CResFilterDlg::OnSelectAll() {
    setAllChecks(1);
}

void CResFilterDlg::OnClearAll() {
    setAllChecks(0);
}

void CResFilterDlg::OnReset() {
    EndDialog(kFilterResetResult);
}

void CResFilterDlg::OnSelchangeIdFilterSpec() {
    UpdateData(TRUE);
    if (CComboBox* combo = GetComboBox(IDC_FILTER_ID_SPEC))
        if (combo->GetCurSel() >= 0)
            combo->GetLBText(combo->GetCurSel(), m_idFilterSpec);
    UpdateData(FALSE);
}

void CResFilterDlg::OnKillfocusIdFilterSpec() {
    UpdateData(TRUE);
    StoreEntryHistory(GetComboBox(IDC_FILTER_ID_SPEC), m_idFilterSpec, kFilterHistoryKey);
}

void CResFilterDlg::OnOK() {
    if (!UpdateData(TRUE))
        return;
    int marked = 0;
    int rows = m_typeChecks ? m_typeChecks->GetCount() : 0;
    for (int row = 0; row < rows; ++row)
        if (m_typeChecks->GetCheck(row))
            ++marked;
    if (marked == 0 && m_idFilterSpec.IsEmpty()) {
        MessageBox(IDS_FILTER_EMPTY, IDS_INVALID_FILTER, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    // The preset is stored whole but read back cut to what the store reads, and a cut
    // pattern list would hide every resource at the next start.
    constexpr int kMaxSpec = static_cast<int>(kitroster::CRegistry::kMaxStringRead);
    if (m_idFilterSpec.GetLength() > kMaxSpec) {
        CString text;
        text.Format("The identifier pattern list has %d characters; at most %d can be kept.\n"
                    "Shorten it.",
                    m_idFilterSpec.GetLength(), kMaxSpec);
        MessageBox(text, LoadResString(IDS_INVALID_FILTER), MB_OK | MB_ICONEXCLAMATION);
        if (CWnd* spec = GetDlgItem(IDC_FILTER_ID_SPEC))
            GotoDlgCtrl(spec);
        return;
    }
    m_checked.clear();
    for (int row = 0; row < rows; ++row)
        if (m_typeChecks->GetCheck(row))
            m_checked[m_typeChecks->GetLine(row)] = 1;
    m_resultFilter = CResourceFilter::CreateInstance();
    CZRauto_ptr<IResourceTypeList> list = m_resultFilter->GetResourceTypeList();
    for (const auto& [type, check] : m_checked)
        if (check == 1)
            list->Put(type);
    m_resultFilter->SetResourceIdFilterSpec(m_idFilterSpec);
    EndDialog(IDOK);
}

}  // namespace NResourceItem
