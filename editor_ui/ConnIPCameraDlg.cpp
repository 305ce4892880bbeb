#include "editor_ui/ConnIPCameraDlg.h"

#include <climits>
#include <cstdlib>

#include "catalogue/queries/DefaultPasswords.h"
#include "editor_ui/StoredChoice.h"
#include "editor_ui/WebAddress.h"
#include "platform/kxcommon/KXCommon.h"
#include "resources/dialogs/ControlIds.h"
#include "resources/strings/StringTable.h"

namespace NResourceItem {
namespace {

const char* const kFrameRates[] = {"default", "30", "25", "20", "15", "10", "5", "1"};
const char* const kStreamModes[] = {"MULTICAST", "UNICAST"};

// The leading decimal number of `text`, 0 when there is none; out-of-range values clamp.
int DecimalValue(const CString& text) {
    const long value = std::strtol(text.GetString(), nullptr, 10);
    return value > INT_MAX ? INT_MAX : value < INT_MIN ? INT_MIN : static_cast<int>(value);
}

bool IsValidPort(int port) {
    return port == 80 || (port >= 1024 && port <= 65535);
}

}  // namespace

CConnIPCameraDlg::CConnIPCameraDlg(const CString& id, CDialog* parent)
    : CConnDlg(IDD_CAMERA_CONNECTION, id, parent), m_streamMode("MULTICAST") {}

BOOL CConnIPCameraDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    _open_bag();
    if (CComboBox* rates = GetComboBox(IDC_CAMERA_FRAMERATE))
        for (const char* rate : kFrameRates)
            rates->AddString(rate);
    if (CComboBox* modes = GetComboBox(IDC_CAMERA_STREAM_MODE))
        for (const char* mode : kStreamModes)
            modes->AddString(mode);

    CString value;
    _get("IPADDR", value);
    SetDlgItemText(IDC_CAMERA_IP, value);

    value.Empty();
    _get("PORT", value);
    const int port = DecimalValue(value);
    value.Format("%d", port >= 1024 && port <= 65535 ? port : 80);
    SetDlgItemText(IDC_CAMERA_PORT, value);

    _get("USERNAME", m_username);
    if (m_username.IsEmpty())
        m_username = "admin";

    value.Empty();
    _get("PASSWORD", value);
    m_password = value.IsEmpty() ? CString() : DecryptPassword(value);
    if (m_password.IsEmpty())
        m_password = kDefaultCameraPassword;
    m_storedPassword.Read(value, m_password);
    m_confirm = m_password;

    value.Empty();
    _get("SIZE", value);
    m_resolution = value.CompareNoCase("VGA") == 0 ? 0 : 1;

    value.Empty();
    _get("FRAMERATE", value);
    const int rate = DecimalValue(value);
    if (rate > 0)
        m_frameRate.Format("%d", rate);
    else
        m_frameRate = "default";
    // A rate the list does not hold (12, say) is shown and kept unless another is chosen.
    OfferStoredValue(GetComboBox(IDC_CAMERA_FRAMERATE), m_frameRate);

    value.Empty();
    _get("SHOW_PTZ", value);
    m_showPtz = value.CompareNoCase("FALSE") == 0 ? 0 : 1;

    _get("TYPE", m_model);
    if (m_model.IsEmpty())
        m_model = "IPELA_001";

    _get("MAC_ADDR", m_macAddr);
    if (m_macAddr.IsEmpty())
        m_macAddr = "00-00-00-00-00-00";

    _get("STREAM_MODE", m_streamMode);
    if (m_streamMode.CompareNoCase("MULTICAST") != 0 && m_streamMode.CompareNoCase("UNICAST") != 0)
        m_streamMode = "MULTICAST";

    UpdateData(FALSE);
    OnChangeIpAddress();
    GotoDlgCtrl(GetDlgItem(IDC_CAMERA_IP));
    return FALSE;
}

void CConnIPCameraDlg::DoDataExchange(CDataExchange* pDX) {
    DDX_Radio(pDX, IDC_CAMERA_VGA, m_resolution);
    DDX_Check(pDX, IDC_CAMERA_SHOW_PTZ, m_showPtz);
    DDX_Text(pDX, IDC_CAMERA_MODEL, m_model);
    DDX_Text(pDX, IDC_CAMERA_MAC, m_macAddr);
    DDX_Text(pDX, IDC_CAMERA_USERNAME, m_username);
    DDX_Text(pDX, IDC_CAMERA_PASSWORD, m_password);
    DDX_Text(pDX, IDC_CAMERA_CONFIRM, m_confirm);
    DDX_CBString(pDX, IDC_CAMERA_FRAMERATE, m_frameRate);
    DDX_CBString(pDX, IDC_CAMERA_STREAM_MODE, m_streamMode);
}

void CConnIPCameraDlg::GetMessageMap(CMessageMap& map) {
    map.On(ENotify::Change, IDC_CAMERA_IP, this, &CConnIPCameraDlg::OnChangeIpAddress);
    map.On(ENotify::Clicked, IDC_CAMERA_VGA, this, &CConnIPCameraDlg::OnReadControls);
    map.On(ENotify::Clicked, IDC_CAMERA_QVGA, this, &CConnIPCameraDlg::OnReadControls);
    map.On(ENotify::Clicked, IDC_CAMERA_SHOW_PTZ, this, &CConnIPCameraDlg::OnReadControls);
    map.On(ENotify::KillFocus, IDC_CAMERA_PORT, this, &CConnIPCameraDlg::OnKillfocusPort);
    map.On(ENotify::Clicked, IDC_CAMERA_BROWSE, this, &CConnIPCameraDlg::OnBrowse);
}

void CConnIPCameraDlg::OnChangeIpAddress() {
    const BOOL filled = !GetDlgItemText(IDC_CAMERA_IP).IsEmpty();
    if (CWnd* ok = GetDlgItem(IDOK))
        ok->EnableWindow(filled);
    if (CWnd* browse = GetDlgItem(IDC_CAMERA_BROWSE))
        browse->EnableWindow(filled);
}

void CConnIPCameraDlg::OnReadControls() {
    UpdateData(TRUE);
}

void CConnIPCameraDlg::OnKillfocusPort() {
    UpdateData(TRUE);
    GetPortText(false);
}

CString CConnIPCameraDlg::GetPortText(bool silent) {
    CWnd* edit = GetDlgItem(IDC_CAMERA_PORT);
    const CString text = edit ? edit->GetWindowText() : CString("80");
    if (IsValidPort(DecimalValue(text)))
        return text;
    if (!silent)
        MessageBox(
            "Valid port numbers include port 80 (default) or a range between 1024 and "
            "65535. The default (80) will be assigned!",
            "Invalid port number", MB_OK | MB_ICONERROR);
    if (edit)
        edit->SetWindowText("80");
    return "80";
}

void CConnIPCameraDlg::OnBrowse() {
    const CString address = GetDlgItemText(IDC_CAMERA_IP);
    const CString url = "http://" + address;
    const CString question = FormatResString(IDS_LAUNCH_BROWSER, m_id.GetString(), url.GetString());
    if (MessageBox(question, LoadResString(IDS_BROWSE_WEB_PAGE), MB_YESNO | MB_ICONQUESTION) !=
        IDYES)
        return;
    // The address becomes a program's argument: only a plain host (and port) goes out.
    if (!IsBrowsableAddress(address)) {
        CString text;
        text.Format(
            "The address '%s' cannot be opened in a web browser. Enter a host name, an "
            "IPv4 address or an IPv6 address in brackets, optionally followed by "
            "':' and a port number.",
            address.GetString());
        MessageBox(text, LoadResString(IDS_BROWSE_WEB_PAGE), MB_OK | MB_ICONWARNING);
        return;
    }
    CWaitCursor wait;
    if (kitroster::CDialogBackend* backend = GetDialogBackend())
        backend->LaunchProgram("xdg-open", {url.str()});
}

void CConnIPCameraDlg::OnOK() {
    if (!UpdateData(TRUE))
        return;
    UINT message = 0;
    if (m_password != m_confirm)
        message = IDS_PASSWORD_MISMATCH;
    else if (m_password.IsEmpty())
        message = IDS_PASSWORD_EMPTY;
    if (message) {
        MessageBox(message, IDS_PASSWORD_INVALID, MB_OK | MB_ICONERROR);
        return;
    }
    CString frameRate = "-1";
    if (const int rate = DecimalValue(m_frameRate); rate > 0)
        frameRate.Format("%d", rate);
    _write_and_close({{"IPADDR", GetDlgItemText(IDC_CAMERA_IP)},
                      {"PORT", GetPortText(true)},
                      {"USERNAME", m_username},
                      {"PASSWORD", m_storedPassword.ToWrite(m_password)},
                      {"SIZE", m_resolution == 0 ? "VGA" : "QVGA"},
                      {"FRAMERATE", frameRate},
                      {"SHOW_PTZ", m_showPtz ? "TRUE" : "FALSE"},
                      {"TYPE", m_model},
                      {"MAC_ADDR", m_macAddr},
                      {"STREAM_MODE", m_streamMode}});
}

}  // namespace NResourceItem
