// CResMgrDlg: Reload, which asks the synchronisation service to bring the catalogue folder
// up to date and then rebuilds the collection from the resource files.
#include "catalogue/queries/SyncRequest.h"
#include "dialog_framework/ModuleState.h"
#include "manager_ui/ResMgrDlg.h"
#include "resources/strings/StringTable.h"

namespace NResourceItem {

void CResMgrDlg::OnReload() {
    KR_MANAGE_STATE();
    if (m_resMgr && m_resMgr->IsDirty()) {
        int answer = MessageBox(IDS_RELOAD_LOSES_CHANGES, IDS_RELOAD_RESOURCE_LIST,
                                MB_YESNO | MB_DEFBUTTON2 | MB_ICONEXCLAMATION);
        if (answer != IDYES)
            return;
    }
    reload(true);
}

void CResMgrDlg::reload(bool bResync) {
    CWaitCursor wait;
    // Asks the service to synchronise (unless it did within 30 s) and waits for it; the
    // outcome is only logged, and the files are read again whatever it was.
    RequestSync(bResync);
    m_selectedID = getSelectedResID();
    loadResources();
    updateResourceList();
    if (!m_selectedID.IsEmpty())
        selectItemByResID(m_selectedID);
}

}  // namespace NResourceItem
