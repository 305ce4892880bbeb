// CConnServerDlg: the "Server Connection" dialog (template 15003) for the connectivity of
// a video server: the server's machine name and the credentials of its remote file
// system. Keys, in the order they are written: SERVER, SOURCE (always "(local)"),
// USERNAME (default "zruser"), PASSWORD (sealed with EncryptPassword; a stored one is
// written back as stored unless the password field was changed, see CStoredPassword).
//
// Thread-safety: the user-interface thread only.
#pragma once

#include "editor_ui/ConnDlg.h"
#include "editor_ui/StoredPassword.h"

namespace NResourceItem {

class KITROSTER_API CConnServerDlg : public CConnDlg {
  public:
    CConnServerDlg(const CString& id, CDialog* parent);

    // The password shown for a server whose string has none.
    static const char* const kDefaultPassword;

    CString m_server;
    CString m_username;
    CString m_password;
    CString m_confirm;
    CString m_source;

  protected:
    CStoredPassword m_storedPassword;

    BOOL OnInitDialog() override;
    void OnOK() override;
    void DoDataExchange(CDataExchange* pDX) override;
};

}  // namespace NResourceItem
