// CDialog: a modal dialog built from a dialog template of the library (or of the module in
// effect, ModuleState.h).
//
// A dialog class overrides OnInitDialog, OnOK, OnCancel, DoDataExchange, PreTranslateMessage
// and OnTimer as it needs, fills its message map in GetMessageMap, and is run with DoModal,
// which returns the result EndDialog gave (IDOK, IDCANCEL, ...) or -1 when the dialog could
// not be opened (no backend, no template). Modal dialogs nest: a handler may run another
// dialog's DoModal, and the inner one is then the active window.
//
// Controls exist from the moment the dialog opens until DoModal returns; GetDlgItem and its
// typed friends give null before and after, and for an id the template does not have.
//
// The User... operations are what a person does to the window; the backends (for a person
// at a real window) and the scripted user call them, and they send the notifications a
// person's action sends. Each answers whether the action happened.
//
// Thread-safety: the user-interface thread only.
#pragma once

#include <memory>
#include <vector>

#include "base/CString.h"
#include "base/KitrosterExport.h"
#include "dialog_framework/Control.h"
#include "dialog_framework/DataExchange.h"
#include "dialog_framework/DialogBackend.h"
#include "dialog_framework/Menu.h"
#include "dialog_framework/MessageMap.h"
#include "dialog_framework/WinTypes.h"
#include "resources/dialogs/DialogTemplate.h"

// Why a person's action did not happen.
enum class EUserAction {
    Done,
    Disabled,      // the control (or the dialog) is disabled
    Hidden,        // the control is not visible
    ReadOnly,      // typing into a read-only edit
    NoSuchRow,     // no line or row of that text or number
    NotApplicable  // the control does not take this action (typing into a button)
};

class KITROSTER_API CDialog {
  public:
    explicit CDialog(UINT templateId, CDialog* parent = nullptr);
    virtual ~CDialog();
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    virtual int DoModal();
    // Ends the modal loop once the current handler returns; DoModal returns `result`.
    void EndDialog(int result);
    bool IsOpen() const { return m_open; }
    bool IsEnding() const { return m_ending; }

    UINT GetTemplateId() const { return m_templateId; }
    const kitroster::SDialogTemplate* GetTemplate() const { return m_template; }
    CDialog* GetParentDialog() const { return m_parent; }

    // Data exchange: TRUE moves controls into fields (and validates), FALSE fields into
    // controls. FALSE when a value was refused.
    BOOL UpdateData(BOOL saveAndValidate = TRUE);

    // Controls, by id. Null when the dialog is not open or has no such control (or it is
    // of another class, for the typed ones).
    CWnd* GetDlgItem(int id) const;
    CButton* GetButton(int id) const;
    CEdit* GetEdit(int id) const;
    CComboBox* GetComboBox(int id) const;
    CListBox* GetListBox(int id) const;
    CCheckListBox* GetCheckListBox(int id) const;
    CListCtrl* GetListCtrl(int id) const;
    const std::vector<std::unique_ptr<CWnd>>& Controls() const { return m_controls; }

    void SetDlgItemText(int id, const CString& text);
    CString GetDlgItemText(int id) const;
    void SetWindowText(const CString& title);
    void GetWindowText(CString& title) const { title = m_title; }
    CString GetWindowText() const { return m_title; }
    void GetClientRect(CRect* rect) const;  // pixels
    // The control with the keyboard focus, 0 for none.
    int GetFocusId() const { return m_focusId; }
    // Puts the focus on `control`; the control that had it gets its kill-focus
    // notification first, as when a person moves on.
    void GotoDlgCtrl(CWnd* control);

    int MessageBox(const CString& text, const CString& caption, UINT type = MB_OK);
    // Texts from the string table of the module in effect.
    int MessageBox(UINT textId, UINT captionId, UINT type = MB_OK);
    // Shows `menu` at `screen` (pixels from the dialog's top-left) and returns the chosen
    // command once the menu has closed, 0 when it was dismissed.
    UINT TrackPopupMenu(const CMenu& menu, UINT flags, CPoint screen);

    UINT_PTR SetTimer(UINT_PTR id, UINT periodMs);
    BOOL KillTimer(UINT_PTR id);
    // Whether Ctrl is held down during the action being handled.
    static bool IsCtrlDown();

    // --- What a person does (backends and the scripted user call these).
    EUserAction UserFocus(int id);
    EUserAction UserClick(int id);
    EUserAction UserType(int id, const CString& text);
    EUserAction UserChoose(int id, int row);
    EUserAction UserCheck(int id, int row, bool on);
    EUserAction UserDoubleClick(int id, int row, bool ctrl);
    EUserAction UserRightClick(int id, int row, CPoint offset = {});
    // A key-down for the dialog: PreTranslateMessage first; Return presses the default
    // button, Escape cancels.
    void UserKey(UINT vk, bool ctrl);
    // Why `control` cannot take a person's action, Done when it can.
    EUserAction Reachable(const CWnd& control) const;
    void FireTimer(UINT_PTR id);

    // The window the backend shows for this dialog (null while not open).
    kitroster::IDialogPeer* GetPeer() const { return m_peer.get(); }
    // The base units the controls' pixels were computed with.
    const kitroster::SBaseUnits& GetBaseUnits() const { return m_units; }
    // Title or focus changed since the backend last took it.
    unsigned TakeDialogChanges();
    void MarkControlChanged() { m_controlChanges = true; }

  protected:
    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    virtual void DoDataExchange(CDataExchange* pDX);
    // TRUE when the message was handled and must go no further.
    virtual BOOL PreTranslateMessage(MSG* msg);
    virtual void OnTimer(UINT_PTR id);
    virtual void GetMessageMap(CMessageMap& map);

    // Sends a notification through the message map (defaults for IDOK and IDCANCEL).
    LRESULT SendNotify(ENotify code, int id, const SNotifyInfo* info = nullptr);

  private:
    // Why a person cannot act on `control`: NotApplicable when there is none, else what
    // Reachable says.
    EUserAction _reach(const CWnd* control) const;
    // After an action's first step (the focus may run handlers): the dialog is still open
    // and `control` is still control `id`, so the action may go on.
    bool _still_there(int id, const CWnd* control) const;
    void _open_controls();
    void _close();
    void _set_focus(int id, bool notify);
    // Clears a list view's selection, with the notification of the row that lost it.
    void _deselect(CListCtrl* list);
    // What a mouse click on a list view row (or on empty space, row -1) does to it.
    void _mouse_select(CListCtrl* list, int row);

    UINT m_templateId;
    CDialog* m_parent;
    const kitroster::SDialogTemplate* m_template = nullptr;
    std::vector<std::unique_ptr<CWnd>> m_controls;
    std::unique_ptr<kitroster::IDialogPeer> m_peer;
    kitroster::CDialogBackend* m_backend = nullptr;
    kitroster::SBaseUnits m_units;
    CMessageMap m_map;
    CString m_title;
    int m_focusId = 0;
    bool m_open = false;
    bool m_ending = false;
    int m_result = IDCANCEL;
    unsigned m_dialogChanges = 0;
    bool m_controlChanges = false;

    friend class CWnd;
};

// Dialog-level changes for TakeDialogChanges.
namespace change {
inline constexpr unsigned kTitle = 1u << 8;
inline constexpr unsigned kFocus = 1u << 9;
}  // namespace change

// Shows the wait cursor for its lifetime.
class KITROSTER_API CWaitCursor {
  public:
    CWaitCursor();
    ~CWaitCursor();
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
};
