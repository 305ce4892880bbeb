#include "dialog_framework/Dialog.h"

#include "dialog_framework/ModuleState.h"
#include "dialog_framework/script/ScriptedUser.h"

using kitroster::EControlClass;
namespace style = kitroster::style;

namespace {

// Ctrl held down during the action being handled (the dialog code asks IsCtrlDown).
thread_local bool t_ctrlDown = false;

class CCtrlScope {
  public:
    explicit CCtrlScope(bool down) : m_previous(t_ctrlDown) { t_ctrlDown = down; }
    ~CCtrlScope() { t_ctrlDown = m_previous; }

  private:
    bool m_previous;
};

std::unique_ptr<CWnd> MakeControl(CDialog* dialog, const kitroster::SControlTemplate& tpl,
                                  CRect rect) {
    switch (tpl.cls) {
        case EControlClass::PushButton:
        case EControlClass::RadioButton:
        case EControlClass::CheckBox:
        case EControlClass::GroupBox:
            return std::make_unique<CButton>(dialog, tpl, rect);
        case EControlClass::Static:
            return std::make_unique<CStatic>(dialog, tpl, rect);
        case EControlClass::Edit:
            return std::make_unique<CEdit>(dialog, tpl, rect);
        case EControlClass::ComboBox:
        case EControlClass::DropDownList:
            return std::make_unique<CComboBox>(dialog, tpl, rect);
        case EControlClass::ListBox:
            return std::make_unique<CListBox>(dialog, tpl, rect);
        case EControlClass::CheckListBox:
            return std::make_unique<CCheckListBox>(dialog, tpl, rect);
        case EControlClass::ListView:
            return std::make_unique<CListCtrl>(dialog, tpl, rect);
    }
    return std::make_unique<CStatic>(dialog, tpl, rect);
}

bool TakesFocus(const CWnd& control) {
    return control.GetClass() != EControlClass::Static &&
           control.GetClass() != EControlClass::GroupBox;
}

}  // namespace

CDialog::CDialog(UINT templateId, CDialog* parent) : m_templateId(templateId), m_parent(parent) {}

CDialog::~CDialog() {
    _close();
}

int CDialog::DoModal() {
    if (m_open)
        return -1;  // one modal run at a time
    m_backend = GetDialogBackend();
    const auto& module = kitroster::CurrentModule();
    m_template = m_backend && module.findTemplate ? module.findTemplate(m_templateId) : nullptr;
    if (!m_template)
        return -1;
    m_units = m_backend->GetBaseUnits(m_template->fontName, m_template->fontPointSize);
    m_title = m_template->caption;
    m_focusId = 0;
    m_ending = false;
    m_result = IDCANCEL;
    _open_controls();
    m_map.Clear();
    GetMessageMap(m_map);
    m_open = true;
    m_peer = m_backend->CreatePeer(*this);
    m_backend->PushDialog(this);
    // Closes the dialog however DoModal is left (a scripted session may end inside it).
    struct SCloser {
        CDialog* dialog;
        ~SCloser() { dialog->_close(); }
    } closer{this};

    if (OnInitDialog() && m_focusId == 0) {
        for (const auto& control : m_controls) {
            if ((control->GetStyle() & style::kTabStop) && TakesFocus(*control) &&
                Reachable(*control) == EUserAction::Done) {
                _set_focus(control->GetDlgCtrlID(), false);
                break;
            }
        }
    }
    m_backend->SyncAll();
    if (m_peer)
        m_peer->Show();
    kitroster::CScriptedUser* user = m_backend->GetScriptedUser();
    if (user)
        user->OnDialogOpened(*this);
    while (!m_ending) {
        if (user) {
            m_backend->SyncAll();
            m_backend->ProcessEvents();
            user->Step();
        } else {
            m_backend->RunModalLoop([this] { return m_ending; });
        }
    }
    int result = m_result;
    _close();
    if (user)
        user->OnDialogClosed(*this, result);
    return result;
}

void CDialog::EndDialog(int result) {
    m_result = result;
    m_ending = true;
}

void CDialog::_open_controls() {
    m_controls.clear();
    for (const auto& tpl : m_template->controls) {
        CRect rect{m_units.ToPixelsX(tpl.rect.x), m_units.ToPixelsY(tpl.rect.y),
                   m_units.ToPixelsX(tpl.rect.x + tpl.rect.cx),
                   m_units.ToPixelsY(tpl.rect.y + tpl.rect.cy)};
        m_controls.push_back(MakeControl(this, tpl, rect));
    }
}

void CDialog::_close() {
    if (!m_open)
        return;
    m_open = false;
    if (m_backend) {
        m_backend->StopTimers(this);
        m_backend->PopDialog(this);
    }
    m_peer.reset();
    m_controls.clear();
}

BOOL CDialog::UpdateData(BOOL saveAndValidate) {
    if (!m_open)
        return FALSE;
    CDataExchange dx(this, saveAndValidate);
    try {
        DoDataExchange(&dx);
    } catch (const CDataExchangeFailure&) {
        return FALSE;
    }
    return TRUE;
}

CWnd* CDialog::GetDlgItem(int id) const {
    if (id == -1)
        return nullptr;
    for (const auto& control : m_controls)
        if (control->GetDlgCtrlID() == id)
            return control.get();
    return nullptr;
}

CButton* CDialog::GetButton(int id) const {
    return dynamic_cast<CButton*>(GetDlgItem(id));
}
CEdit* CDialog::GetEdit(int id) const {
    return dynamic_cast<CEdit*>(GetDlgItem(id));
}
CComboBox* CDialog::GetComboBox(int id) const {
    return dynamic_cast<CComboBox*>(GetDlgItem(id));
}
CListBox* CDialog::GetListBox(int id) const {
    return dynamic_cast<CListBox*>(GetDlgItem(id));
}
CCheckListBox* CDialog::GetCheckListBox(int id) const {
    return dynamic_cast<CCheckListBox*>(GetDlgItem(id));
}
CListCtrl* CDialog::GetListCtrl(int id) const {
    return dynamic_cast<CListCtrl*>(GetDlgItem(id));
}

void CDialog::SetDlgItemText(int id, const CString& text) {
    if (CWnd* control = GetDlgItem(id))
        control->SetWindowText(text);
}

CString CDialog::GetDlgItemText(int id) const {
    CWnd* control = GetDlgItem(id);
    return control ? control->GetWindowText() : CString();
}

void CDialog::SetWindowText(const CString& title) {
    if (m_title == title)
        return;
    m_title = title;
    m_dialogChanges |= change::kTitle;
}

void CDialog::GetClientRect(CRect* rect) const {
    *rect = {};
    if (m_template)
        *rect = {0, 0, m_units.ToPixelsX(m_template->cx), m_units.ToPixelsY(m_template->cy)};
}

void CDialog::GotoDlgCtrl(CWnd* control) {
    _set_focus(control ? control->GetDlgCtrlID() : 0, true);
}

void CDialog::_set_focus(int id, bool notify) {
    if (m_focusId == id)
        return;
    int previous = m_focusId;
    m_focusId = id;
    m_dialogChanges |= change::kFocus;
    if (!notify)
        return;
    if (previous != 0)
        SendNotify(ENotify::KillFocus, previous);
    if (id != 0 && m_focusId == id)
        SendNotify(ENotify::SetFocus, id);
}

unsigned CDialog::TakeDialogChanges() {
    unsigned changes = m_dialogChanges;
    m_dialogChanges = 0;
    if (m_controlChanges)
        changes |= change::kAll;
    m_controlChanges = false;
    return changes;
}

int CDialog::MessageBox(const CString& text, const CString& caption, UINT type) {
    kitroster::CDialogBackend* backend = m_backend ? m_backend : GetDialogBackend();
    if (!backend)
        return IDCANCEL;
    kitroster::SMessageBoxRequest request{text, caption, type};
    backend->SyncAll();
    if (kitroster::CScriptedUser* user = backend->GetScriptedUser())
        return user->AnswerMessageBox(request);
    return backend->RunMessageBox(this, request);
}

int CDialog::MessageBox(UINT textId, UINT captionId, UINT type) {
    const auto& module = kitroster::CurrentModule();
    return MessageBox(module.loadString(textId), module.loadString(captionId), type);
}

UINT CDialog::TrackPopupMenu(const CMenu& menu, UINT, CPoint screen) {
    if (!m_backend)
        return 0;
    m_backend->SyncAll();
    if (kitroster::CScriptedUser* user = m_backend->GetScriptedUser())
        return user->ChooseFromMenu(menu);
    return m_backend->RunPopupMenu(this, menu, screen);
}

UINT_PTR CDialog::SetTimer(UINT_PTR id, UINT periodMs) {
    if (!m_open || !m_backend)
        return 0;
    m_backend->StartTimer(this, id, periodMs);
    return id;
}

BOOL CDialog::KillTimer(UINT_PTR id) {
    if (!m_open || !m_backend)
        return FALSE;
    m_backend->StopTimer(this, id);
    return TRUE;
}

bool CDialog::IsCtrlDown() {
    return t_ctrlDown;
}

void CDialog::FireTimer(UINT_PTR id) {
    if (m_open && !m_ending)
        OnTimer(id);
}

// --- Default behaviour --------------------------------------------------------------------

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK() {
    if (UpdateData(TRUE))
        EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

void CDialog::DoDataExchange(CDataExchange*) {}

BOOL CDialog::PreTranslateMessage(MSG*) {
    return FALSE;
}

void CDialog::OnTimer(UINT_PTR) {}

void CDialog::GetMessageMap(CMessageMap&) {}

LRESULT CDialog::SendNotify(ENotify code, int id, const SNotifyInfo* info) {
    SNotifyInfo local;
    if (!info) {
        local.id = id;
        info = &local;
    }
    LRESULT result = 0;
    if (const CMessageMap::Handler* handler = m_map.Find(code, id)) {
        (*handler)(*info, &result);
    } else if (code == ENotify::Clicked && id == IDOK) {
        OnOK();
    } else if (code == ENotify::Clicked && id == IDCANCEL) {
        OnCancel();
    }
    return result;
}

// --- What a person does -------------------------------------------------------------------

EUserAction CDialog::Reachable(const CWnd& control) const {
    if (!m_open || m_ending)
        return EUserAction::Disabled;
    if (!control.IsWindowVisible())
        return EUserAction::Hidden;
    if (!control.IsWindowEnabled())
        return EUserAction::Disabled;
    return EUserAction::Done;
}

EUserAction CDialog::_reach(const CWnd* control) const {
    return control ? Reachable(*control) : EUserAction::NotApplicable;
}

bool CDialog::_still_there(int id, const CWnd* control) const {
    return m_open && !m_ending && GetDlgItem(id) == control;
}

EUserAction CDialog::UserFocus(int id) {
    CWnd* control = GetDlgItem(id);
    if (!control || !TakesFocus(*control))
        return EUserAction::NotApplicable;
    EUserAction reach = Reachable(*control);
    if (reach != EUserAction::Done)
        return reach;
    _set_focus(id, true);
    return EUserAction::Done;
}

EUserAction CDialog::UserClick(int id) {
    CButton* button = GetButton(id);
    if (!button || button->GetClass() == EControlClass::GroupBox)
        return EUserAction::NotApplicable;
    EUserAction reach = Reachable(*button);
    if (reach != EUserAction::Done)
        return reach;
    _set_focus(id, true);
    if (!m_open || m_ending || !GetButton(id))
        return EUserAction::Done;
    if (button->GetClass() == EControlClass::RadioButton) {
        // Check this one and clear the rest of its group: from the button that starts the
        // group to the control before the next group.
        size_t self = 0;
        while (m_controls[self].get() != button)
            ++self;
        size_t first = self;
        while (first > 0 && !(m_controls[first]->GetStyle() & style::kGroup) &&
               m_controls[first - 1]->GetClass() == EControlClass::RadioButton)
            --first;
        for (size_t i = first; i < m_controls.size(); ++i) {
            if (i > first && (m_controls[i]->GetStyle() & style::kGroup))
                break;
            if (m_controls[i]->GetClass() != EControlClass::RadioButton)
                break;
            static_cast<CButton*>(m_controls[i].get())->SetCheck(i == self);
        }
    } else if (button->GetClass() == EControlClass::CheckBox) {
        button->SetCheck(!button->GetCheck());
    }
    SendNotify(ENotify::Clicked, id);
    return EUserAction::Done;
}

EUserAction CDialog::UserType(int id, const CString& text) {
    CWnd* control = GetDlgItem(id);
    if (!control)
        return EUserAction::NotApplicable;
    auto* edit = dynamic_cast<CEdit*>(control);
    auto* combo = dynamic_cast<CComboBox*>(control);
    if (!edit && !(combo && combo->HasEditPart()))
        return EUserAction::NotApplicable;
    EUserAction reach = Reachable(*control);
    if (reach != EUserAction::Done)
        return reach;
    if (edit && edit->IsReadOnly())
        return EUserAction::ReadOnly;
    _set_focus(id, true);
    if (!_still_there(id, control))
        return EUserAction::Done;
    if (edit) {
        CString typed = edit->Typed(text);
        if (typed != edit->GetWindowText()) {
            edit->SetWindowText(typed);
            SendNotify(ENotify::Change, id);
        }
    } else {
        combo->m_selected = -1;
        combo->_changed(change::kSelection);
        combo->SetWindowText(text);
        SendNotify(ENotify::EditChange, id);
    }
    return EUserAction::Done;
}

EUserAction CDialog::UserChoose(int id, int row) {
    CWnd* control = GetDlgItem(id);
    if (EUserAction reach = _reach(control); reach != EUserAction::Done)
        return reach;
    if (auto* list = dynamic_cast<CListCtrl*>(control)) {
        if (row < 0 || row >= list->GetItemCount())
            return EUserAction::NoSuchRow;
        _set_focus(id, true);
        if (GetDlgItem(id) != control)
            return EUserAction::Done;
        if (list->GetSelectionMark() != row) {
            _deselect(list);
            list->SetItemState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
            SNotifyInfo info{id, row, {}, LVIS_SELECTED | LVIS_FOCUSED, 0};
            SendNotify(ENotify::ItemChanged, id, &info);
        }
        SNotifyInfo click{id, row, {}, 0, 0};
        SendNotify(ENotify::Click, id, &click);
        return EUserAction::Done;
    }
    auto* lines = dynamic_cast<CListBase*>(control);
    if (!lines)
        return EUserAction::NotApplicable;
    if (row < 0 || row >= lines->GetCount())
        return EUserAction::NoSuchRow;
    _set_focus(id, true);
    if (GetDlgItem(id) != control)
        return EUserAction::Done;
    lines->SetCurSel(row);
    SendNotify(ENotify::SelChange, id);
    return EUserAction::Done;
}

EUserAction CDialog::UserCheck(int id, int row, bool on) {
    CCheckListBox* list = GetCheckListBox(id);
    if (EUserAction reach = _reach(list); reach != EUserAction::Done)
        return reach;
    if (row < 0 || row >= list->GetCount())
        return EUserAction::NoSuchRow;
    _set_focus(id, true);
    if (GetCheckListBox(id) != list)
        return EUserAction::Done;
    if (list->GetCurSel() != row) {
        list->SetCurSel(row);
        SendNotify(ENotify::SelChange, id);
    }
    if (list->GetCheck(row) != (on ? 1 : 0)) {
        list->SetCheck(row, on);
        SendNotify(ENotify::CheckChange, id);
    }
    return EUserAction::Done;
}

void CDialog::_deselect(CListCtrl* list) {
    int previous = list->GetSelectionMark();
    if (previous < 0)
        return;
    int id = list->GetDlgCtrlID();
    list->SetItemState(previous, 0, LVIS_SELECTED | LVIS_FOCUSED);
    SNotifyInfo info{id, previous, {}, 0, LVIS_SELECTED | LVIS_FOCUSED};
    SendNotify(ENotify::ItemChanged, id, &info);
}

void CDialog::_mouse_select(CListCtrl* list, int row) {
    int id = list->GetDlgCtrlID();
    if (row >= 0) {
        UserChoose(id, row);
        return;
    }
    // A click on empty space clears the selection, as a mouse does.
    _set_focus(id, true);
    if (GetListCtrl(id) == list)
        _deselect(list);
}

EUserAction CDialog::UserDoubleClick(int id, int row, bool ctrl) {
    CCtrlScope scope(ctrl);
    CWnd* control = GetDlgItem(id);
    if (EUserAction reach = _reach(control); reach != EUserAction::Done)
        return reach;
    if (auto* list = dynamic_cast<CListCtrl*>(control)) {
        if (row >= list->GetItemCount())
            return EUserAction::NoSuchRow;
        _mouse_select(list, row);
        if (!_still_there(id, control))
            return EUserAction::Done;
        SNotifyInfo info{id, row, {}, 0, 0};
        SendNotify(ENotify::DblClk, id, &info);
        return EUserAction::Done;
    }
    auto* lines = dynamic_cast<CListBox*>(control);
    if (!lines)
        return EUserAction::NotApplicable;
    if (row >= lines->GetCount())
        return EUserAction::NoSuchRow;
    if (row >= 0)
        UserChoose(id, row);
    else
        _set_focus(id, true);
    if (!_still_there(id, control))
        return EUserAction::Done;
    SendNotify(ENotify::DblClk, id);
    return EUserAction::Done;
}

EUserAction CDialog::UserRightClick(int id, int row, CPoint offset) {
    CListCtrl* list = GetListCtrl(id);
    if (EUserAction reach = _reach(list); reach != EUserAction::Done)
        return reach;
    if (row >= list->GetItemCount())
        return EUserAction::NoSuchRow;
    _mouse_select(list, row);
    if (!_still_there(id, list))
        return EUserAction::Done;
    SNotifyInfo info{id, row, offset, 0, 0};
    SendNotify(ENotify::RClick, id, &info);
    return EUserAction::Done;
}

void CDialog::UserKey(UINT vk, bool ctrl) {
    CCtrlScope scope(ctrl);
    if (!m_open || m_ending)
        return;
    MSG msg{WM_KEYDOWN, vk, 0};
    if (PreTranslateMessage(&msg))
        return;
    if (vk == VK_RETURN) {
        for (const auto& control : m_controls) {
            auto* button = dynamic_cast<CButton*>(control.get());
            if (button && button->IsDefault()) {
                if (Reachable(*button) == EUserAction::Done)
                    SendNotify(ENotify::Clicked, button->GetDlgCtrlID());
                return;
            }
        }
        SendNotify(ENotify::Clicked, IDOK);
    } else if (vk == VK_ESCAPE) {
        SendNotify(ENotify::Clicked, IDCANCEL);
    }
}

// --- Wait cursor ------------------------------------------------------------------------

CWaitCursor::CWaitCursor() {
    if (auto* backend = GetDialogBackend())
        backend->BeginWaitCursor();
}

CWaitCursor::~CWaitCursor() {
    if (auto* backend = GetDialogBackend())
        backend->EndWaitCursor();
}
