#include "editor_ui/EditorTable.h"

#include <iterator>

#include "editor_ui/CapsGenericDlg.h"
#include "editor_ui/CapsServerDlg.h"
#include "editor_ui/ConnCompositeVideoDlg.h"
#include "editor_ui/ConnIPCameraDlg.h"
#include "editor_ui/ConnRoomVideoDlg.h"
#include "editor_ui/ConnServerDlg.h"

namespace NResourceItem {
namespace {

ConnEditor<CConnServerDlg> s_serverConn;
ConnEditor<CConnIPCameraDlg> s_cameraConn;
ConnEditor<CConnCompositeVideoDlg> s_assemblyConn;
ConnEditor<CConnRoomVideoDlg> s_roomConn;
CapsEditor<CCapsServerDlg> s_serverCaps;
CapsEditor<CCapsGenericDlg> s_genericCaps;

struct SEditorRow {
    const char* type;
    IResEditConn* conn;
    IResEditCaps* caps;
};

const SEditorRow s_rows[] = {
    {"SERVER_MPEG4", &s_serverConn, &s_serverCaps}, {"SERVER_LEGACY", &s_serverConn, &s_serverCaps},
    {"CAMERA_IP", &s_cameraConn, &s_genericCaps},   {"ASSY_VIDEO", &s_assemblyConn, &s_genericCaps},
    {"ROOM_VIDEO", &s_roomConn, &s_genericCaps},
};

const SEditorRow* FindRow(const CString& type) {
    for (const SEditorRow& row : s_rows)
        if (type.CompareNoCase(row.type) == 0)
            return &row;
    return nullptr;
}

}  // namespace

int EditorTableSize() {
    return static_cast<int>(std::size(s_rows));
}

CString EditorTableType(int row) {
    return row >= 0 && row < EditorTableSize() ? CString(s_rows[row].type) : CString();
}

IResEditConn* ConnEditorFor(const CString& type) {
    const SEditorRow* row = FindRow(type);
    return row ? row->conn : nullptr;
}

IResEditCaps* CapsEditorFor(const CString& type) {
    const SEditorRow* row = FindRow(type);
    return row ? row->caps : nullptr;
}

void EditLinkedConn(CZRauto_ptr<IKitroster> resMgr, const CString& id) {
    if (id.IsEmpty() || id.CompareNoCase("(local)") == 0 || id.CompareNoCase("<none>") == 0)
        return;
    if (!resMgr)
        return;
    CZRauto_ptr<IResourceItem> item = resMgr->GetItemById(id);
    if (!item)
        return;
    IResEditConn* editor = ConnEditorFor(item->get_Type());
    if (!editor)
        return;
    editor->Prepare(resMgr, id, item->get_Conn());
    if (editor->DoModal() == IDOK)
        item->set_Conn(editor->GetValue());
}

}  // namespace NResourceItem
