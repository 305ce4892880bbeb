#include "editor_ui/ConnCompositeVideoDlg.h"

#include "catalogue/queries/RoomAssemblies.h"
#include "editor_ui/EditorTable.h"
#include "editor_ui/StoredChoice.h"
#include "resources/dialogs/ControlIds.h"
#include "resources/strings/StringTable.h"

namespace NResourceItem {
namespace {

const char* const kLocal = "(local)";
const char* const kNone = "<none>";

}  // namespace

CConnCompositeVideoDlg::CConnCompositeVideoDlg(const CString& id, CDialog* parent)
    : CConnDlg(IDD_VIDEO_ASSEMBLY, id, parent), m_resCamera2(kNone) {}

BOOL CConnCompositeVideoDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    _open_bag();
    _get("RES_SERVER", m_resServer);
    _get("RES_CAMERA", m_resCamera);
    _get("RES_CAMERA2", m_resCamera2);
    if (m_resServer.IsEmpty())
        m_resServer = kLocal;
    if (m_resCamera.IsEmpty())
        m_resCamera = kLocal;
    if (m_resCamera2.IsEmpty())
        m_resCamera2 = kNone;
    _fill_lists();
    UpdateData(FALSE);
    return TRUE;
}

void CConnCompositeVideoDlg::_fill_lists() {
    if (!m_resMgr) {
        m_resMgr = CKitrosterFactory::CreateInstance();
        m_resMgr->Load();
    }
    const std::vector<CString> servers = FindResourcesOfType(m_resMgr, "SERVER_MPEG4");
    const std::vector<CString> cameras = FindResourcesOfType(m_resMgr, "CAMERA_IP");
    if (CComboBox* list = GetComboBox(IDC_ASSY_SERVER)) {
        list->ResetContent();
        list->AddString(kLocal);
        for (const CString& id : servers)
            list->AddString(id);
    }
    if (CComboBox* list = GetComboBox(IDC_ASSY_CAMERA)) {
        list->ResetContent();
        list->AddString(kLocal);
        for (const CString& id : cameras)
            list->AddString(id);
    }
    if (CComboBox* list = GetComboBox(IDC_ASSY_CAMERA2)) {
        list->ResetContent();
        list->AddString(kNone);
        // The primary camera's "(local)" is not offered a second time.
        if (m_resCamera.CompareNoCase(kLocal) != 0)
            list->AddString(kLocal);
        for (const CString& id : cameras)
            list->AddString(id);
    }
    // A reference the lists do not offer (a legacy server, a resource of another kind or
    // one not in the catalogue) is shown and kept until another entry is chosen.
    OfferStoredValue(GetComboBox(IDC_ASSY_SERVER), m_resServer);
    OfferStoredValue(GetComboBox(IDC_ASSY_CAMERA), m_resCamera);
    OfferStoredValue(GetComboBox(IDC_ASSY_CAMERA2), m_resCamera2);
}

void CConnCompositeVideoDlg::DoDataExchange(CDataExchange* pDX) {
    DDX_CBString(pDX, IDC_ASSY_SERVER, m_resServer);
    DDX_CBString(pDX, IDC_ASSY_CAMERA, m_resCamera);
    DDX_CBString(pDX, IDC_ASSY_CAMERA2, m_resCamera2);
}

void CConnCompositeVideoDlg::GetMessageMap(CMessageMap& map) {
    for (int list : {IDC_ASSY_SERVER, IDC_ASSY_CAMERA, IDC_ASSY_CAMERA2}) {
        map.On(ENotify::SelChange, list, this, &CConnCompositeVideoDlg::OnSelchangeList);
        map.On(ENotify::KillFocus, list, this, &CConnCompositeVideoDlg::OnKillfocusList);
    }
    map.On(ENotify::Clicked, IDC_ASSY_EDIT_SERVER, this, &CConnCompositeVideoDlg::OnEditServer);
    map.On(ENotify::Clicked, IDC_ASSY_EDIT_CAMERA, this, &CConnCompositeVideoDlg::OnEditCamera);
    map.On(ENotify::Clicked, IDC_ASSY_EDIT_CAMERA2, this, &CConnCompositeVideoDlg::OnEditCamera2);
}

void CConnCompositeVideoDlg::OnSelchangeList() {
    UpdateData(TRUE);
    if (m_resCamera.CompareNoCase(m_resCamera2) == 0) {
        m_resCamera2 = kNone;
        _fill_lists();
        UpdateData(FALSE);
    }
}

void CConnCompositeVideoDlg::OnKillfocusList() {
    UpdateData(TRUE);
}

void CConnCompositeVideoDlg::OnEditServer() {
    EditLinkedConn(m_resMgr, m_resServer);
}

void CConnCompositeVideoDlg::OnEditCamera() {
    EditLinkedConn(m_resMgr, m_resCamera);
}

void CConnCompositeVideoDlg::OnEditCamera2() {
    EditLinkedConn(m_resMgr, m_resCamera2);
}

void CConnCompositeVideoDlg::OnOK() {
    if (!UpdateData(TRUE))
        return;
    if (m_resCamera.CompareNoCase(m_resCamera2) == 0) {
        const CString question = FormatResString(IDS_DUPLICATE_CAMERA_ASK, m_resCamera.GetString());
        if (MessageBox(question, LoadResString(IDS_DUPLICATE_CAMERA),
                       MB_YESNO | MB_DEFBUTTON2 | MB_ICONWARNING) != IDYES)
            return;
    }
    _write_and_close(
        {{"RES_SERVER", m_resServer},
         {"RES_CAMERA", m_resCamera},
         {"RES_CAMERA2", m_resCamera2.CompareNoCase(kNone) == 0 ? CString() : m_resCamera2}});
}

}  // namespace NResourceItem
