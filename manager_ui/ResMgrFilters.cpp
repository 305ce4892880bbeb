// CResMgrDlg: the internal filter, the four presets and the filter dialog.
#include "catalogue/queries/FilterPresets.h"
#include "dialog_framework/ModuleState.h"
#include "manager_ui/ResFilterDlg.h"
#include "manager_ui/ResMgrDlg.h"

namespace NResourceItem {

void CResMgrDlg::resetInternalFilter() {
    ResetFilter(m_baseFilter, m_internalFilter);
}

void CResMgrDlg::loadFilter(int presetId) {
    LoadFilterPreset(presetId, m_baseFilter, m_internalFilter);
}

void CResMgrDlg::saveFilter(int presetId) {
    SaveFilterPreset(presetId, m_internalFilter);
}

bool CResMgrDlg::isUserFilterActive() {
    if (!m_internalFilter)
        return false;
    CZRauto_ptr<IResourceTypeList> internal = m_internalFilter->GetResourceTypeList();
    CZRauto_ptr<IResourceTypeList> base;
    if (m_baseFilter)
        base = m_baseFilter->GetResourceTypeList();
    if (internal && base && internal->Size() != base->Size())
        return true;
    return !m_internalFilter->GetResourceIdFilterSpec().IsEmpty();
}

void CResMgrDlg::OnFilterPreset() {
    KR_MANAGE_STATE();
    UpdateData(TRUE);
    int presetId = m_filterPreset + 1;
    loadFilter(presetId);
    updateResourceList();
    WriteLastFilterId(presetId);
}

void CResMgrDlg::OnFilter() {
    KR_MANAGE_STATE();
    int presetId = m_filterPreset + 1;
    CResFilterDlg dlg(m_baseFilter, m_internalFilter, presetId, nullptr);
    int result = dlg.DoModal();
    if (result == IDOK) {
        m_internalFilter = dlg.GetFilter();
    } else if (result == kFilterResetResult) {
        resetInternalFilter();
    } else {
        return;
    }
    updateResourceList();
    saveFilter(presetId);
}

}  // namespace NResourceItem
