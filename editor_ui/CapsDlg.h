// CCapsDlg: what the two capability dialogs share. Each edits one free-text value of a
// resource's capability string, under its own key; confirming writes that key alone, so
// every other key of the string is dropped. Cancel leaves m_caps as given.
//
// Thread-safety: the user-interface thread only.
#pragma once

#include "base/CString.h"
#include "base/KitrosterExport.h"
#include "catalogue/Kitroster.h"
#include "catalogue/ResPropertyBag.h"
#include "dialog_framework/Dialog.h"

namespace NResourceItem {

class KITROSTER_API CCapsDlg : public CDialog {
  public:
    CCapsDlg(UINT templateId, const CString& key, const CString& id, CDialog* parent);

    void SetContext(CZRauto_ptr<IKitroster> resMgr, const CString& value);
    const CString& GetCaps() const { return m_caps; }

    CString m_value;

  protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    void DoDataExchange(CDataExchange* pDX) override;

    CZRauto_ptr<IKitroster> m_resMgr;
    CZRauto_ptr<IResPropertyBag> m_bag;
    CString m_caps;
    CString m_id;

  private:
    CString m_key;
};

}  // namespace NResourceItem
