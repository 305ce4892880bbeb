// CResDependencyListDlg: the result list of the Dependants and Search commands (template
// 15011). A double-click on an identifier opens that resource's connectivity editor; the
// edit lands in the manager window's collection and is saved only by the window's OK.
//
// Thread-safety: the user-interface thread only.
#pragma once

#include <vector>

#include "base/CString.h"
#include "base/KitrosterExport.h"
#include "catalogue/Kitroster.h"
#include "dialog_framework/Dialog.h"

namespace NResourceItem {

class KITROSTER_API CResDependencyListDlg : public CDialog {
  public:
    explicit CResDependencyListDlg(CDialog* parent);

    void set_RES(CZRauto_ptr<IKitroster> resMgr, const std::vector<CString>* ids);

    // Empty texts keep the template's caption and group text.
    CString m_caption;
    CString m_groupText;

  protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void GetMessageMap(CMessageMap& map) override;

    void OnDblclkList();
    void PopulateList();

    CListBox* m_list = nullptr;
    CZRauto_ptr<IKitroster> m_resMgr;
    std::vector<CString> m_ids;
};

}  // namespace NResourceItem
