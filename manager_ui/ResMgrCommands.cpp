// CResMgrDlg: the commands on resources (New, Edit, Delete, Rename, Dependants, Search)
// and the two ways out (OK, Cancel).
#include <vector>

#include "catalogue/CatalogueContext.h"
#include "catalogue/CatalogueSession.h"
#include "catalogue/queries/ConfigSearch.h"
#include "catalogue/queries/Dependants.h"
#include "catalogue/queries/IdentifierCheck.h"
#include "dialog_framework/ModuleState.h"
#include "editor_ui/ResEditDlg.h"
#include "manager_ui/ResDependencyListDlg.h"
#include "manager_ui/ResMgrDlg.h"
#include "manager_ui/ResNameDlg.h"
#include "manager_ui/ResourceSearchStringDlg.h"
#include "resources/dialogs/ControlIds.h"
#include "resources/strings/StringTable.h"

namespace NResourceItem {
namespace {

CZRauto_ptr<IResourceTypeList> TypesOf(IResourceFilter* filter) {
    return filter ? filter->GetResourceTypeList() : CZRauto_ptr<IResourceTypeList>();
}

}  // namespace

void CResMgrDlg::OnNew() {
    KR_MANAGE_STATE();
    if (!m_resMgr)
        return;
    CResEditDlg dlg(m_resMgr, false, false, TypesOf(m_internalFilter), this);
    if (dlg.DoModal() != IDOK)
        return;
    // The edit dialog refuses an existing identifier; a resource is never replaced here.
    if (m_resMgr->GetItemById(dlg.m_id))
        return;
    CZRauto_ptr<IResourceItem> item = CResourceItemFactory::CreateInstance();
    dlg.ApplyTo(item);
    m_resMgr->Add(item);
    updateResourceList();
    selectItemByResID(item->get_ID());
}

void CResMgrDlg::OnEdit() {
    KR_MANAGE_STATE();
    if (!m_resMgr)
        return;
    CZRauto_ptr<IResourceTypeList> types = TypesOf(m_internalFilter);
    CZRauto_ptr<IResourceItem> item = m_resMgr->GetItemById(getSelectedResID());
    if (!item)
        return;
    CResEditDlg dlg(m_resMgr, true, m_readOnly, types, this);
    dlg.ShowResource(item);
    if (dlg.DoModal() != IDOK)
        return;
    // The item tracks the change itself, so the collection sees it as unsaved.
    dlg.ApplyTo(item);
    updateResourceList();
    selectItemByResID(dlg.m_id);
}

void CResMgrDlg::OnDelete() {
    KR_MANAGE_STATE();
    CString id = getSelectedResID();
    if (id.IsEmpty() || !m_resMgr)
        return;
    int answer =
        MessageBox(FormatResString(IDS_CONFIRM_DELETE, id.GetString()),
                   LoadResString(IDS_DELETE_RESOURCE), MB_YESNOCANCEL | MB_ICONEXCLAMATION);
    if (answer != IDYES)
        return;
    int row = -1;
    isItemSelected(&row, nullptr);
    if (!m_resMgr->Delete(id))
        return;
    updateResourceList();
    CListCtrl* list = GetListCtrl(IDC_RESOURCE_LIST);
    if (list && row >= 0 && row < list->GetItemCount())
        selectItem(row);
    else
        selectLastItem();
}

bool CResMgrDlg::saveResources() {
    // The window loaded without the lock and takes it for the save only; a file a peer
    // changed since the load refuses the save, and then nothing at all is written, so
    // that the message below is true.
    CCatalogueSession session(ECatalogueLockPolicy::kTakeForSave, m_resMgr);
    if (session.Save())
        return true;
    const std::vector<CString>& failures = session.Failures();
    // The window stays open with the changes, so that nothing is lost without a word.
    CString text = FormatResString(IDS_SAVE_FAILED, GetCatalogueFolder().GetString());
    text += "\n";
    for (const CString& file : failures)
        text += "\n" + file;
    MessageBox(text, LoadResString(IDS_SAVE_FAILED_TITLE), MB_OK | MB_ICONERROR);
    return false;
}

void CResMgrDlg::OnOK() {
    KR_MANAGE_STATE();
    if (m_readOnly) {
        m_selectedID = getSelectedResID();
        EndDialog(IDOK);
        return;
    }
    if (m_resMgr && !saveResources())
        return;
    EndDialog(IDOK);
}

void CResMgrDlg::OnCancel() {
    KR_MANAGE_STATE();
    if (m_resMgr && m_resMgr->IsDirty()) {
        int answer = MessageBox(IDS_DISCARD_CHANGES, IDS_EXIT_RESOURCE_MANAGER,
                                MB_YESNO | MB_DEFBUTTON2 | MB_ICONEXCLAMATION);
        if (answer != IDYES)
            return;
    }
    EndDialog(IDCANCEL);
}

void CResMgrDlg::OnRename() {
    KR_MANAGE_STATE();
    CString oldId = getSelectedResID();
    if (oldId.IsEmpty() || !m_resMgr)
        return;
    CString newId;
    for (;;) {
        // Every attempt starts again from the old identifier, not from the refused text.
        CResNameDlg dlg(this);
        dlg.m_name = oldId;
        if (dlg.DoModal() != IDOK)
            return;
        CString entered = dlg.m_name;
        entered.Trim();
        SEntryCheck check = CheckRenameId(entered, m_resMgr);
        if (check.Accepted()) {
            newId = entered;
            break;
        }
        if (check.outcome == SEntryCheck::kRejected)
            MessageBox(check.message, LoadResString(check.captionId), MB_OK | MB_ICONSTOP);
    }
    if (m_resMgr->Rename(oldId, newId, true)) {
        updateResourceList();
        selectItemByResID(newId);
    }
}

void CResMgrDlg::OnUsedBy() {
    KR_MANAGE_STATE();
    if (m_contextIndex == -1 || !m_resMgr)
        return;
    CWaitCursor wait;
    CZRauto_ptr<IResourceItem> item = m_resMgr->GetItemByIndex(m_contextIndex);
    if (!item)
        return;
    CString target = item->get_ID();
    if (target.IsEmpty())
        return;
    std::vector<CString> dependants = FindDependants(m_resMgr, target);
    if (dependants.empty()) {
        MessageBox(FormatResString(IDS_NO_DEPENDANTS, target.GetString()),
                   LoadResString(IDS_RESOURCE_DEPENDENCIES), MB_OK | MB_ICONINFORMATION);
        return;
    }
    CResDependencyListDlg dlg(nullptr);
    dlg.m_caption = LoadResString(IDS_DEPENDENCY_RESULTS);
    dlg.m_groupText = FormatResString(IDS_DEPENDING_ON, target.GetString());
    dlg.set_RES(m_resMgr, &dependants);
    dlg.DoModal();
}

void CResMgrDlg::OnSearch() {
    KR_MANAGE_STATE();
    if (!m_resMgr)
        return;
    CResourceSearchStringDlg ask(this);
    if (ask.DoModal() != IDOK)
        return;
    CString text = ask.m_searchText;
    text.Trim();
    if (text.IsEmpty())
        return;
    CWaitCursor wait;
    std::vector<CString> found = SearchConfiguration(m_resMgr, text);
    if (found.empty()) {
        MessageBox(FormatResString(IDS_SEARCH_NOTHING_FOUND, text.GetString()),
                   LoadResString(IDS_RESOURCE_SEARCH), MB_OK | MB_ICONINFORMATION);
        return;
    }
    CResDependencyListDlg dlg(nullptr);
    dlg.m_caption = LoadResString(IDS_SEARCH_RESULTS);
    dlg.m_groupText = FormatResString(IDS_MATCHING, text.GetString());
    dlg.set_RES(m_resMgr, &found);
    dlg.DoModal();
}

}  // namespace NResourceItem
