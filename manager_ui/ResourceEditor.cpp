#include "manager_ui/ResourceEditor.h"

#include "dialog_framework/ModuleState.h"
#include "manager_ui/ResMgrDlg.h"

namespace NResourceItem {

CZRauto_ptr<IResourceEditor> CResourceEditorFactory::CreateInstance() {
    return CZRauto_ptr<IResourceEditor>(new CResourceEditorFactory());
}

void CResourceEditorFactory::OnZRunknownFinalize() {}

bool CResourceEditorFactory::Edit(const CString& title) {
    KR_MANAGE_STATE();
    CResMgrDlg dlg(title, CString(), false, m_typeFilter, nullptr);
    return dlg.DoModal() == IDOK;
}

bool CResourceEditorFactory::Select(const CString& title, CString& selection) {
    KR_MANAGE_STATE();
    CResMgrDlg dlg(title, selection, true, m_typeFilter, nullptr);
    if (dlg.DoModal() != IDOK)
        return false;
    selection = dlg.GetSelectedID();
    return !selection.IsEmpty();
}

void CResourceEditorFactory::SetTypeFilter(CZRauto_ptr<IResourceTypeList> types) {
    m_typeFilter = types;
}

}  // namespace NResourceItem
