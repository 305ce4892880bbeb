// CConnIPCameraDlg: the "VIDEO IP Configuration" dialog (template 15004) for the
// connectivity of an IP camera: its address and port, credentials, video properties and
// model. Keys, in the order they are written: IPADDR, PORT, USERNAME, PASSWORD, SIZE,
// FRAMERATE, SHOW_PTZ, TYPE, MAC_ADDR, STREAM_MODE. The address and the port live only in
// their controls. A stored PASSWORD is written back as stored unless the password field
// was changed (CStoredPassword); a changed one is sealed.
//
// Thread-safety: the user-interface thread only.
#pragma once

#include "editor_ui/ConnDlg.h"
#include "editor_ui/StoredPassword.h"

namespace NResourceItem {

class KITROSTER_API CConnIPCameraDlg : public CConnDlg {
  public:
    CConnIPCameraDlg(const CString& id, CDialog* parent);

    int m_resolution = -1;  // 0 VGA, 1 QVGA
    int m_showPtz = 0;
    CString m_model;
    CString m_macAddr;
    CString m_username;
    CString m_password;
    CString m_confirm;
    CString m_frameRate;
    CString m_streamMode;

  protected:
    CStoredPassword m_storedPassword;

    BOOL OnInitDialog() override;
    void OnOK() override;
    void DoDataExchange(CDataExchange* pDX) override;
    void GetMessageMap(CMessageMap& map) override;

    void OnChangeIpAddress();
    void OnReadControls();
    void OnKillfocusPort();
    void OnBrowse();

    // The port to store: the port edit's text when it is 80 or 1024..65535; otherwise "80",
    // which the edit then shows too (with a message unless `silent`).
    CString GetPortText(bool silent);
};

}  // namespace NResourceItem
