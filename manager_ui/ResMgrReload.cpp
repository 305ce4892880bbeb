// CResMgrDlg: Reload, which asks the synchronisation service to bring the catalogue folder
// up to date and then rebuilds the collection from the resource files.
#include "dialog_framework/ModuleState.h"
#include "manager_ui/ResMgrDlg.h"
#include "platform/oxb_exception/ZRLogSite.h"
#include "resources/strings/StringTable.h"

static CZRLogSite s_log("KITROSTER");

// The window's messages carry the window's source name.
#define RESMGR_LOG(...) ZR_LOG_AT(s_log, ZRLOG_INFO, "ResMgrDlg.cpp", __LINE__, __VA_ARGS__)

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
    if (bResync)
        syncCatalogueFolder();
    else
        RESMGR_LOG("ZRSYNC operation suppressed by 'bResync' parameter.");
    m_selectedID = getSelectedResID();
    loadResources();
    updateResourceList();
    if (!m_selectedID.IsEmpty())
        selectItemByResID(m_selectedID);
}

void CResMgrDlg::syncCatalogueFolder() {
    // This build has no synchronisation client: the service counts as not running and the
    // reload reads the files as they are.
    RESMGR_LOG("ZRSYNC server is NOT running");
}

}  // namespace NResourceItem
