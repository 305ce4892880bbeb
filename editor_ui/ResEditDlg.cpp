#include "editor_ui/ResEditDlg.h"

#include "catalogue/ResourceItem.h"
#include "catalogue/ResourceType.h"
#include "catalogue/queries/IdentifierCheck.h"
#include "dialog_framework/ModuleState.h"
#include "editor_ui/EditorTable.h"
#include "editor_ui/StoredChoice.h"
#include "resources/dialogs/ControlIds.h"
#include "resources/strings/StringTable.h"

namespace NResourceItem {
namespace {

constexpr UINT_PTR kUpdateTimer = 666;
constexpr UINT kUpdatePeriodMs = 100;

}  // namespace

CResEditDlg::CResEditDlg(CZRauto_ptr<IKitroster> resMgr, bool existing, bool readOnly,
                         CZRauto_ptr<IResourceTypeList> typeFilter, CDialog* parent)
    : CDialog(IDD_RESOURCE_EDIT, parent),
      m_resMgr(resMgr),
      m_existing(existing),
      m_readOnly(readOnly),
      m_typeFilter(typeFilter) {}

int CResEditDlg::DoModal() {
    KR_MANAGE_STATE();
    return CDialog::DoModal();
}

void CResEditDlg::DoDataExchange(CDataExchange* pDX) {
    DDX_Text(pDX, IDC_RESOURCE_ID, m_id);
    if (!m_readOnly && !m_existing)
        DDV_MaxChars(pDX, m_id, kMaxResourceIdLength);
    DDX_CBString(pDX, IDC_RESOURCE_TYPE, m_type);
    DDX_Text(pDX, IDC_RESOURCE_NAME, m_name);
    DDX_Text(pDX, IDC_RESOURCE_CONN, m_conn);
    DDX_Text(pDX, IDC_RESOURCE_CAPS, m_caps);
}

void CResEditDlg::GetMessageMap(CMessageMap& map) {
    map.On(ENotify::SelChange, IDC_RESOURCE_TYPE, this, &CResEditDlg::OnSelchangeComboType);
    map.On(ENotify::KillFocus, IDC_RESOURCE_TYPE, this, &CResEditDlg::OnKillfocusComboType);
    map.On(ENotify::KillFocus, IDC_RESOURCE_ID, this, &CResEditDlg::OnKillfocusEditId);
    map.On(ENotify::KillFocus, IDC_RESOURCE_NAME, this, &CResEditDlg::OnKillfocusEditName);
    map.On(ENotify::Clicked, IDC_EDIT_CONN, this, &CResEditDlg::OnFnConn);
    map.On(ENotify::Clicked, IDC_EDIT_CAPS, this, &CResEditDlg::OnFnCaps);
}

BOOL CResEditDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    if (!m_id.IsEmpty())
        SetWindowText(
            FormatResString(IDS_TITLE_WITH_ID, GetWindowText().GetString(), m_id.GetString()));
    populateTypeCombo();
    if (m_readOnly) {
        adjustForReadOnly();
    } else if (m_existing) {
        if (CEdit* id = GetEdit(IDC_RESOURCE_ID))
            id->SetReadOnly(TRUE);
    }
    m_connEdited = m_existing;
    m_capsEdited = m_existing;
    UpdateData(FALSE);
    if (!m_readOnly)
        updateUI();
    SetTimer(kUpdateTimer, kUpdatePeriodMs);
    return TRUE;
}

void CResEditDlg::populateTypeCombo() {
    CComboBox* combo = GetComboBox(IDC_RESOURCE_TYPE);
    if (!combo)
        return;
    const bool offerAll = !m_typeFilter || m_typeFilter->IsEmpty();
    for (int row = 0; row < EditorTableSize(); ++row) {
        const CString type = EditorTableType(row);
        CString c1, c2, c3;
        ParseType(type, c1, c2, c3);
        const CString twoLevel = MakeType(c1, c2, "");
        if (offerAll || m_typeFilter->Has(type) || m_typeFilter->Has(c1) ||
            m_typeFilter->Has(twoLevel))
            combo->AddString(type);
    }
    // A stored type the table (or the filter) does not offer is shown and kept as it is.
    OfferStoredValue(combo, m_type);
}

void CResEditDlg::adjustForReadOnly() {
    for (int id : {IDC_EDIT_CONN, IDC_EDIT_CAPS, IDOK})
        if (CWnd* control = GetDlgItem(id))
            control->ShowWindow(SW_HIDE);
    SetDlgItemText(IDCANCEL, LoadResString(IDS_CLOSE));
    SetWindowText(LoadResString(IDS_RESOURCE_PROPERTIES));
    for (int id : {IDC_RESOURCE_ID, IDC_RESOURCE_NAME, IDC_RESOURCE_CONN, IDC_RESOURCE_CAPS})
        if (CEdit* edit = GetEdit(id))
            edit->SetReadOnly(TRUE);
    if (CWnd* type = GetDlgItem(IDC_RESOURCE_TYPE))
        type->EnableWindow(FALSE);
}

void CResEditDlg::OnSelchangeComboType() {
    // Settings edited for another type do not count for this one.
    m_connEdited = false;
    m_capsEdited = false;
    UpdateData(TRUE);
}

void CResEditDlg::OnKillfocusComboType() {
    UpdateData(TRUE);
}

void CResEditDlg::OnKillfocusEditId() {
    UpdateData(TRUE);
}

void CResEditDlg::OnKillfocusEditName() {
    UpdateData(TRUE);
}

void CResEditDlg::OnTimer(UINT_PTR id) {
    if (id == kUpdateTimer && !m_readOnly)
        updateUI();
    CDialog::OnTimer(id);
}

void CResEditDlg::updateUI() {
    BOOL enableOk = !m_id.IsEmpty() && !check_for_invalid_chars(kLabelId, m_id, true);
    if (!m_connEdited)
        enableOk = FALSE;
    const BOOL typed = !m_type.IsEmpty();
    if (!typed)
        enableOk = FALSE;
    for (int id : {IDC_EDIT_CONN, IDC_EDIT_CAPS})
        if (CWnd* button = GetDlgItem(id))
            button->EnableWindow(typed);
    for (int id : {IDC_RESOURCE_CONN, IDC_RESOURCE_CAPS})
        if (CEdit* edit = GetEdit(id))
            edit->SetReadOnly(typed);
    if (CWnd* ok = GetDlgItem(IDOK))
        ok->EnableWindow(enableOk);
}

void CResEditDlg::OnFnConn() {
    if (CComboBox* combo = GetComboBox(IDC_RESOURCE_TYPE))
        m_type = combo->GetLine(combo->GetCurSel());
    if (IResEditConn* editor = ConnEditorFor(m_type)) {
        editor->Prepare(m_resMgr, m_id, m_conn);
        if (editor->DoModal() == IDOK) {
            m_conn = editor->GetValue();
            m_connEdited = true;
        }
    }
    UpdateData(FALSE);
}

void CResEditDlg::OnFnCaps() {
    if (CComboBox* combo = GetComboBox(IDC_RESOURCE_TYPE))
        m_type = combo->GetLine(combo->GetCurSel());
    if (IResEditCaps* editor = CapsEditorFor(m_type)) {
        editor->Prepare(m_resMgr, m_id, m_caps);
        if (editor->DoModal() == IDOK) {
            m_caps = editor->GetValue();
            m_capsEdited = true;
        }
    }
    UpdateData(FALSE);
}

void CResEditDlg::OnOK() {
    if (!UpdateData(TRUE))
        return;
    if (m_readOnly) {
        EndDialog(IDCANCEL);
        return;
    }
    if (check_id() && check_type() && check_name() && check_conn() && check_caps())
        EndDialog(IDOK);
}

bool CResEditDlg::check_for_invalid_chars(const char* label, const CString& value, bool silent) {
    const SEntryCheck check = CheckFieldChars(label, value);
    if (!check.Accepted() && !silent)
        MessageBox(check.message, LoadResString(check.captionId), MB_OK | MB_ICONERROR);
    return !check.Accepted();
}

void CResEditDlg::cleanup(CString& value) {
    value.Trim();
}

bool CResEditDlg::check_id() {
    const SEntryCheck check = CheckResourceId(m_id, m_resMgr, m_existing);
    if (!check.Accepted()) {
        MessageBox(check.message, LoadResString(check.captionId), MB_OK | MB_ICONERROR);
        return false;
    }
    m_id = check.value;
    return true;
}

bool CResEditDlg::check_type() {
    if (check_for_invalid_chars(kLabelType, m_type, false))
        return false;
    cleanup(m_type);
    return true;
}

bool CResEditDlg::check_name() {
    // A line break gets its own message; string 4 speaks only of braces.
    const SEntryCheck check = CheckNameChars(m_name);
    if (!check.Accepted()) {
        MessageBox(check.message, LoadResString(check.captionId), MB_OK | MB_ICONERROR);
        return false;
    }
    cleanup(m_name);
    return true;
}

bool CResEditDlg::check_conn() {
    if (check_for_invalid_chars(kLabelConnectivity, m_conn, false))
        return false;
    cleanup(m_conn);
    return true;
}

bool CResEditDlg::check_caps() {
    if (check_for_invalid_chars(kLabelCapabilities, m_caps, false))
        return false;
    cleanup(m_caps);
    return true;
}

void CResEditDlg::ShowResource(IResourceItem* item) {
    m_id = item->get_ID();
    m_type = item->get_Type();
    m_name = item->get_Name();
    m_conn = item->get_Conn();
    m_caps = item->get_Caps();
}

void CResEditDlg::ApplyTo(IResourceItem* item) const {
    item->set_ID(m_id);
    item->set_Type(m_type);
    item->set_Name(m_name);
    item->set_Conn(m_conn);
    item->set_Caps(m_caps);
}

}  // namespace NResourceItem
