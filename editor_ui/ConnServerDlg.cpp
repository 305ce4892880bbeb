#include "editor_ui/ConnServerDlg.h"

#include "catalogue/queries/DefaultPasswords.h"
#include "platform/kxcommon/KXCommon.h"
#include "resources/dialogs/ControlIds.h"
#include "resources/strings/StringTable.h"

namespace NResourceItem {

// Kept plain: a sealed form depends on the site key and a fresh nonce, so no fixed sealed
// text would open on every site. It is sealed like any entry when the dialog writes it.
const char* const CConnServerDlg::kDefaultPassword = kDefaultServerPassword;

CConnServerDlg::CConnServerDlg(const CString& id, CDialog* parent)
    : CConnDlg(IDD_SERVER_CONNECTION, id, parent), m_username("zruser") {}

BOOL CConnServerDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    _open_bag();
    _get("SERVER", m_server);
    _get("SOURCE", m_source);
    _get("USERNAME", m_username);
    CString sealed;
    if (!_get("PASSWORD", sealed))
        m_password = kDefaultPassword;
    else if (!sealed.IsEmpty())
        m_password = DecryptPassword(sealed);
    m_storedPassword.Read(sealed, m_password);
    m_confirm = m_password;
    UpdateData(FALSE);
    return TRUE;
}

void CConnServerDlg::DoDataExchange(CDataExchange* pDX) {
    DDX_Text(pDX, IDC_SERVER_NAME, m_server);
    DDX_Text(pDX, IDC_SERVER_USERNAME, m_username);
    DDX_Text(pDX, IDC_SERVER_PASSWORD, m_password);
    DDX_Text(pDX, IDC_SERVER_CONFIRM, m_confirm);
}

void CConnServerDlg::OnOK() {
    if (!UpdateData(TRUE))
        return;
    if (m_password != m_confirm) {
        MessageBox(IDS_PASSWORD_CONFIRM_FAILED, IDS_PASSWORD_CONFIRMATION, MB_OK | MB_ICONWARNING);
        return;
    }
    if (m_server.IsEmpty()) {
        MessageBox("Server machine name cannot be empty!", "Configuration Error",
                   MB_OK | MB_ICONERROR);
        return;
    }
    _write_and_close({{"SERVER", m_server},
                      {"SOURCE", "(local)"},
                      {"USERNAME", m_username},
                      {"PASSWORD", m_storedPassword.ToWrite(m_password)}});
}

}  // namespace NResourceItem
