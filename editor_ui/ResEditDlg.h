// CResEditDlg: the "Edit Resource" dialog (template 15001) that creates, edits or only shows
// one resource's five fields. The caller fills the public strings before DoModal and reads
// them after IDOK; the dialog saves nothing. The connectivity and capability strings are
// edited through the editors the editor table binds to the chosen type.
//
// A new resource cannot be confirmed until a type is chosen and its connectivity editor has
// been closed with OK; choosing another type asks for that again. On OK the fields are
// checked in order (identifier, type, name, connectivity, capabilities) and trimmed.
//
// Thread-safety: the user-interface thread only.
#pragma once

#include "base/CString.h"
#include "base/KitrosterExport.h"
#include "catalogue/Kitroster.h"
#include "catalogue/ResourceTypeList.h"
#include "dialog_framework/Dialog.h"

namespace NResourceItem {

class KITROSTER_API CResEditDlg : public CDialog {
  public:
    // `existing`: the identifier cannot change and is not checked for duplicates.
    // `readOnly`: the dialog only shows the fields and always ends with IDCANCEL.
    // `typeFilter`: when non-empty, only the types it holds (or whose first component or
    // first two components it holds) are offered.
    CResEditDlg(CZRauto_ptr<IKitroster> resMgr, bool existing, bool readOnly,
                CZRauto_ptr<IResourceTypeList> typeFilter, CDialog* parent);

    int DoModal() override;

    // Fills the fields from `item`, for editing an existing resource.
    void ShowResource(IResourceItem* item);
    // Writes the fields, as the person left them, to `item`.
    void ApplyTo(IResourceItem* item) const;

    CString m_id;
    CString m_type;
    CString m_name;
    CString m_conn;
    CString m_caps;

  protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    void DoDataExchange(CDataExchange* pDX) override;
    void OnTimer(UINT_PTR id) override;
    void GetMessageMap(CMessageMap& map) override;

    void OnSelchangeComboType();
    void OnKillfocusComboType();
    void OnKillfocusEditId();
    void OnKillfocusEditName();
    void OnFnConn();
    void OnFnCaps();

  private:
    void populateTypeCombo();
    void adjustForReadOnly();
    void updateUI();
    bool check_id();
    bool check_type();
    bool check_name();
    bool check_conn();
    bool check_caps();
    // True when `value` holds '{', '}' or a line feed; unless `silent` the person is told.
    bool check_for_invalid_chars(const char* label, const CString& value, bool silent);
    void cleanup(CString& value);

    CZRauto_ptr<IKitroster> m_resMgr;
    bool m_existing;
    bool m_connEdited = false;
    bool m_capsEdited = false;
    bool m_readOnly;
    CZRauto_ptr<IResourceTypeList> m_typeFilter;
};

}  // namespace NResourceItem
