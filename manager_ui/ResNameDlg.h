// CResNameDlg: the "Resource Renaming" dialog (template 15009), which takes a new
// identifier of at most 27 characters. The caller checks what was entered.
//
// Thread-safety: the user-interface thread only.
#pragma once

#include "base/CString.h"
#include "base/KitrosterExport.h"
#include "dialog_framework/Dialog.h"

namespace NResourceItem {

class KITROSTER_API CResNameDlg : public CDialog {
  public:
    explicit CResNameDlg(CDialog* parent);

    CString m_name;

  protected:
    void DoDataExchange(CDataExchange* pDX) override;
};

}  // namespace NResourceItem
