#include "editor_ui/ConnDlg.h"

#include "resources/strings/StringTable.h"

namespace NResourceItem {

CConnDlg::CConnDlg(UINT templateId, const CString& id, CDialog* parent)
    : CDialog(templateId, parent), m_id(id) {}

void CConnDlg::SetContext(CZRauto_ptr<IKitroster> resMgr, const CString& value) {
    m_resMgr = resMgr;
    m_conn = value;
}

void CConnDlg::_open_bag() {
    if (!m_id.IsEmpty())
        SetWindowText(
            FormatResString(IDS_TITLE_WITH_ID, GetWindowText().GetString(), m_id.GetString()));
    m_bag = CResPropertyBagFactory::CreateInstance(m_conn);
}

bool CConnDlg::_get(const char* key, CString& value) {
    return m_bag && m_bag->Get(key, value);
}

void CConnDlg::_write_and_close(std::initializer_list<std::pair<const char*, CString>> keys) {
    if (!m_bag)
        m_bag = CResPropertyBagFactory::CreateInstance();
    m_bag->Clear();
    for (const auto& [key, value] : keys)
        m_bag->Set(key, value);
    m_bag->ToString(m_conn);
    EndDialog(IDOK);
}

}  // namespace NResourceItem
