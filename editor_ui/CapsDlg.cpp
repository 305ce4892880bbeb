#include "editor_ui/CapsDlg.h"

#include "resources/dialogs/ControlIds.h"
#include "resources/strings/StringTable.h"

namespace NResourceItem {

CCapsDlg::CCapsDlg(UINT templateId, const CString& key, const CString& id, CDialog* parent)
    : CDialog(templateId, parent), m_id(id), m_key(key) {}

void CCapsDlg::SetContext(CZRauto_ptr<IKitroster> resMgr, const CString& value) {
    m_resMgr = resMgr;
    m_caps = value;
}

BOOL CCapsDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    if (!m_id.IsEmpty())
        SetWindowText(
            FormatResString(IDS_TITLE_WITH_ID, GetWindowText().GetString(), m_id.GetString()));
    m_bag = CResPropertyBagFactory::CreateInstance(m_caps);
    m_bag->Get(m_key, m_value);
    UpdateData(FALSE);
    return TRUE;
}

void CCapsDlg::DoDataExchange(CDataExchange* pDX) {
    DDX_Text(pDX, IDC_CAPS_VALUE, m_value);
}

void CCapsDlg::OnOK() {
    if (!UpdateData(TRUE))
        return;
    m_bag->Clear();
    m_bag->Set(m_key, m_value);
    m_bag->ToString(m_caps);
    EndDialog(IDOK);
}

}  // namespace NResourceItem
