#include "manager_ui/ResNameDlg.h"

#include "catalogue/queries/IdentifierCheck.h"
#include "resources/dialogs/ControlIds.h"

namespace NResourceItem {

CResNameDlg::CResNameDlg(CDialog* parent) : CDialog(IDD_RESOURCE_RENAME, parent) {}

void CResNameDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Text(pDX, IDC_NEW_NAME, m_name);
    DDV_MaxChars(pDX, m_name, kMaxResourceIdLength);
}

}  // namespace NResourceItem
