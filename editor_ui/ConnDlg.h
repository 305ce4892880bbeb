// CConnDlg: what the four connectivity dialogs share. Each edits one resource's
// connectivity string: on opening the string is parsed into m_bag and each dialog reads its
// keys from it (an absent key leaves the field at its default); on OK the bag is cleared,
// the dialog's keys are written in its order and m_conn becomes the bag's text, so keys the
// dialog does not know are dropped. Cancel leaves m_conn as given.
//
// Thread-safety: the user-interface thread only.
#pragma once

#include <initializer_list>
#include <utility>

#include "base/CString.h"
#include "base/KitrosterExport.h"
#include "catalogue/Kitroster.h"
#include "catalogue/ResPropertyBag.h"
#include "dialog_framework/Dialog.h"

namespace NResourceItem {

class KITROSTER_API CConnDlg : public CDialog {
  public:
    CConnDlg(UINT templateId, const CString& id, CDialog* parent);

    void SetContext(CZRauto_ptr<IKitroster> resMgr, const CString& value);
    const CString& GetConn() const { return m_conn; }

  protected:
    // The common opening steps: the title names the resource, m_bag holds m_conn parsed.
    void _open_bag();
    // The value of `key`; false, `value` unchanged, when the bag lacks it.
    bool _get(const char* key, CString& value);
    // Writes `keys` in order into the emptied bag, takes its text as m_conn and ends with
    // IDOK. A value the bag refuses (a double quote) is left out.
    void _write_and_close(std::initializer_list<std::pair<const char*, CString>> keys);

    CZRauto_ptr<IKitroster> m_resMgr;
    CZRauto_ptr<IResPropertyBag> m_bag;
    CString m_conn;
    CString m_id;
};

}  // namespace NResourceItem
