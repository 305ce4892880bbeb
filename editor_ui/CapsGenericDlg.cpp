#include "editor_ui/CapsGenericDlg.h"

#include "resources/dialogs/ControlIds.h"

namespace NResourceItem {

CCapsGenericDlg::CCapsGenericDlg(const CString& id, CDialog* parent)
    : CCapsDlg(IDD_GENERIC_CAPS, "GENERIC", id, parent) {}

}  // namespace NResourceItem
