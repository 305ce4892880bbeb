// CResFilterDlg: the "Resource Filter" dialog (template 15010) behind the manager window's
// "&Change..." button. It lists the base filter's types with the current filter's marked,
// takes an identifier pattern list (with the entry history) and builds a new filter on
// OK. DoModal returns IDOK, IDCANCEL or 3 (Reset); it never changes the filters it got.
//
// Thread-safety: the user-interface thread only.
#pragma once

#include <map>

#include "base/CString.h"
#include "base/KitrosterExport.h"
#include "catalogue/ResourceFilter.h"
#include "dialog_framework/Dialog.h"

namespace NResourceItem {

inline constexpr int kFilterResetResult = 3;

class KITROSTER_API CResFilterDlg : public CDialog {
  public:
    CResFilterDlg(CZRauto_ptr<IResourceFilter> baseFilter,
                  CZRauto_ptr<IResourceFilter> currentFilter, int presetId, CDialog* parent);

    // The filter built by OK; empty before.
    CZRauto_ptr<IResourceFilter> GetFilter() const { return m_resultFilter; }

  protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void GetMessageMap(CMessageMap& map) override;

    void OnReset();
    void OnSelectAll();
    void OnClearAll();
    void OnSelchangeIdFilterSpec();
    void OnKillfocusIdFilterSpec();

    CCheckListBox* m_typeChecks = nullptr;
    CString m_idFilterSpec;
    CZRauto_ptr<IResourceFilter> m_baseFilter;
    CZRauto_ptr<IResourceFilter> m_currentFilter;
    CZRauto_ptr<IResourceFilter> m_resultFilter;
    std::map<CString, int> m_checked;
    int m_presetId;

  private:
    void setAllChecks(int check);
    void applyChecks();
};

}  // namespace NResourceItem
