#include "editor_ui/ConnRoomVideoDlg.h"

#include "catalogue/queries/LinkCheck.h"
#include "editor_ui/EditorTable.h"
#include "resources/dialogs/ControlIds.h"
#include "resources/strings/StringTable.h"

namespace NResourceItem {

CConnRoomVideoDlg::CConnRoomVideoDlg(const CString& id, CDialog* parent)
    : CConnDlg(IDD_ROOM_VIDEO, id, parent) {}

BOOL CConnRoomVideoDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    _open_bag();
    if (!m_resMgr) {
        m_resMgr = CKitrosterFactory::CreateInstance();
        m_resMgr->Load();
    }
    const SRoomAssemblies room = OpenRoomAssemblies(m_resMgr, m_conn);
    m_includeLocal = room.includeLocal ? 1 : 0;
    m_selected = room.Selection();
    m_missing = room.missing;
    if (CCheckListBox* list = GetCheckListBox(IDC_ROOM_ASSEMBLIES)) {
        list->ResetContent();
        for (const SRoomLine& line : room.lines)
            list->SetCheck(list->AddString(line.id), line.checked ? 1 : 0);
    }
    UpdateData(FALSE);
    CheckLinks(true);
    GotoDlgCtrl(GetDlgItem(IDOK));
    return FALSE;
}

void CConnRoomVideoDlg::DoDataExchange(CDataExchange* pDX) {
    DDX_Check(pDX, IDC_ROOM_INCLUDE_LOCAL, m_includeLocal);
}

void CConnRoomVideoDlg::GetMessageMap(CMessageMap& map) {
    map.On(ENotify::Clicked, IDC_ROOM_INCLUDE_LOCAL, this, &CConnRoomVideoDlg::OnIncludeLocal);
    map.On(ENotify::Clicked, IDC_ROOM_CHECK, this, &CConnRoomVideoDlg::OnCheck);
    map.On(ENotify::DblClk, IDC_ROOM_ASSEMBLIES, this, &CConnRoomVideoDlg::OnDblclkList);
}

void CConnRoomVideoDlg::OnIncludeLocal() {
    UpdateData(TRUE);
}

void CConnRoomVideoDlg::OnCheck() {
    CheckLinks(false);
}

void CConnRoomVideoDlg::OnDblclkList() {
    CCheckListBox* list = GetCheckListBox(IDC_ROOM_ASSEMBLIES);
    if (list && list->GetCurSel() >= 0)
        EditLinkedConn(m_resMgr, list->GetLine(list->GetCurSel()));
}

void CConnRoomVideoDlg::_collect_selection() {
    m_selected.clear();
    if (CCheckListBox* list = GetCheckListBox(IDC_ROOM_ASSEMBLIES))
        for (int i = 0; i < list->GetCount(); ++i)
            if (list->GetCheck(i))
                m_selected.insert(list->GetLine(i));
}

void CConnRoomVideoDlg::CheckLinks(bool silent) {
    if (!m_resMgr)
        return;
    _collect_selection();
    const SLinkCheckResult result = CheckRoomLinks(m_resMgr, m_selected, m_missing);
    const SLinkCheckMessage message = LinkCheckMessage(result, m_includeLocal != 0);
    if (silent && !message.showWhenSilent)
        return;
    const UINT icon = message.icon == ELinkCheckIcon::Warning ? MB_ICONWARNING : MB_ICONINFORMATION;
    MessageBox(message.text, message.caption, MB_OK | icon);
}

void CConnRoomVideoDlg::OnOK() {
    if (!UpdateData(TRUE))
        return;
    _collect_selection();
    if (!m_includeLocal && m_selected.empty()) {
        MessageBox(IDS_ROOM_CANNOT_BE_EMPTY, IDS_EMPTY_ROOM, MB_OK | MB_ICONERROR);
        return;
    }
    _write_and_close({{"RES_ASSYLIST", WriteAssemblyList(m_selected)},
                      {"ROOM_EXCLUDE_LOCAL", m_includeLocal ? "FALSE" : "TRUE"}});
}

}  // namespace NResourceItem
