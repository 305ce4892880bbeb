#include "editor_ui/CapsServerDlg.h"

#include "resources/dialogs/ControlIds.h"

namespace NResourceItem {
namespace {

CString StreamKey(int stream) {
    CString key;
    key.Format("STREAM_%d", stream);
    return key;
}

}  // namespace

CCapsServerDlg::CCapsServerDlg(const CString& id, CDialog* parent)
    : CCapsDlg(IDD_SERVER_CAPS, StreamKey(1), id, parent) {}

}  // namespace NResourceItem
