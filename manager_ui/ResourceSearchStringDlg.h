// CResourceSearchStringDlg: the "Resource Configuration Search" dialog (template 15012).
// The combo box offers the search history and remembers what was typed when it loses the
// focus, so a text is remembered also when the dialog is then cancelled.
//
// Thread-safety: the user-interface thread only.
#pragma once

#include "base/CString.h"
#include "base/KitrosterExport.h"
#include "dialog_framework/Dialog.h"

namespace NResourceItem {

class KITROSTER_API CResourceSearchStringDlg : public CDialog {
  public:
    explicit CResourceSearchStringDlg(CDialog* parent);

    CString m_searchText;

  protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void GetMessageMap(CMessageMap& map) override;

    void OnSelchangeSearchText();
    void OnKillfocusSearchText();
};

}  // namespace NResourceItem
