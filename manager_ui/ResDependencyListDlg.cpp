#include "manager_ui/ResDependencyListDlg.h"

#include "editor_ui/EditorTable.h"
#include "platform/oxb_exception/ZRLogSite.h"
#include "resources/dialogs/ControlIds.h"

static CZRLogSite s_log("KITROSTER");

namespace NResourceItem {

CResDependencyListDlg::CResDependencyListDlg(CDialog* parent)
    : CDialog(IDD_RESOURCE_DEPENDENCIES, parent) {}

void CResDependencyListDlg::set_RES(CZRauto_ptr<IKitroster> resMgr,
                                    const std::vector<CString>* ids) {
    m_resMgr = resMgr;
    if (!ids)
        return;
    for (const CString& id : *ids) {
        ZR_LOG(s_log, ZRLOG_INFO, "CResDependencyListDlg::set_RES() adding resource %s (%s)",
               id.GetString(), m_groupText.GetString());
        m_ids.push_back(id);
    }
}

void CResDependencyListDlg::GetMessageMap(CMessageMap& map) {
    map.On(ENotify::DblClk, IDC_DEPENDENCY_LIST, this, &CResDependencyListDlg::OnDblclkList);
}

void CResDependencyListDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    m_list = GetListBox(IDC_DEPENDENCY_LIST);
}

BOOL CResDependencyListDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    if (!m_caption.IsEmpty())
        SetWindowText(m_caption);
    if (!m_groupText.IsEmpty())
        SetDlgItemText(IDC_DEPENDENCY_GROUP, m_groupText);
    PopulateList();
    return TRUE;
}

void CResDependencyListDlg::PopulateList() {
    if (!m_list)
        return;
    for (const CString& id : m_ids) {
        ZR_LOG(s_log, ZRLOG_DETAIL, "CResDependencyListDlg::PopulateList() adding resource %s (%s)",
               id.GetString(), m_groupText.GetString());
        m_list->AddString(id);
    }
    UpdateData(FALSE);
}

void CResDependencyListDlg::OnDblclkList() {
    if (!m_list || m_list->GetCurSel() < 0)
        return;
    EditLinkedConn(m_resMgr, m_list->GetLine(m_list->GetCurSel()));
}

}  // namespace NResourceItem
