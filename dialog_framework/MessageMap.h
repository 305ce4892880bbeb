// The message map of a dialog: which handler runs for which notification of which control.
// A dialog fills it once, in GetMessageMap, when it opens:
//
//   void CMyDlg::GetMessageMap(CMessageMap& map) {
//       map.On(ENotify::Clicked, IDC_EDIT_CONN, this, &CMyDlg::OnFnConn);
//       map.On(ENotify::KillFocus, IDC_EDIT_ID, this, &CMyDlg::OnKillfocusEditId);
//       map.On(ENotify::DblClk, IDC_LIST, this, &CMyDlg::OnDblclkList);  // with SNotifyInfo
//   }
//
// A notification with no entry gets the framework's default: a click of IDOK runs OnOK,
// one of IDCANCEL runs OnCancel; everything else is ignored.
#pragma once

#include <functional>
#include <vector>

#include "dialog_framework/WinTypes.h"

// The notifications controls send, named after what a person did.
enum class ENotify {
    Clicked,     // a button was pressed, or a menu command chosen
    Change,      // an edit's text changed
    EditChange,  // the edit part of a drop-down combo changed
    SetFocus,
    KillFocus,
    SelChange,    // a list box's or combo box's selection changed
    CheckChange,  // a check-list box line was ticked or cleared
    DblClk,       // a double-click on a list line or list view row (or empty space)
    Click,        // a click on a list view
    RClick,       // a right-click on a list view
    ItemChanged,  // a list view row's state changed
    GetDispInfo,  // a list view asks for a callback text
};

// What came with a list-view notification.
struct SNotifyInfo {
    int id = 0;
    int row = -1;       // the row under the pointer, -1 on empty space
    CPoint offset;      // where, relative to the list's top-left corner, in pixels
    UINT newState = 0;  // ItemChanged: the row's new state
    UINT oldState = 0;
};

class CMessageMap {
  public:
    using Handler = std::function<void(const SNotifyInfo&, LRESULT*)>;

    template <class D>
    void On(ENotify code, int id, D* self, void (D::*handler)()) {
        On(code, id, id, self, handler);
    }
    template <class D>
    void On(ENotify code, int first, int last, D* self, void (D::*handler)()) {
        m_entries.push_back({code, first, last, [self, handler](const SNotifyInfo&, LRESULT*) {
                                 (self->*handler)();
                             }});
    }
    template <class D>
    void On(ENotify code, int id, D* self, void (D::*handler)(const SNotifyInfo&, LRESULT*)) {
        m_entries.push_back({code, id, id, [self, handler](const SNotifyInfo& info, LRESULT* r) {
                                 (self->*handler)(info, r);
                             }});
    }
    // A command range handler gets the command's id.
    template <class D>
    void OnRange(ENotify code, int first, int last, D* self, void (D::*handler)(UINT)) {
        m_entries.push_back({code, first, last, [self, handler](const SNotifyInfo& info, LRESULT*) {
                                 (self->*handler)(static_cast<UINT>(info.id));
                             }});
    }

    // The handler for `code` from control `id`, or null.
    const Handler* Find(ENotify code, int id) const {
        for (const auto& e : m_entries)
            if (e.code == code && id >= e.first && id <= e.last)
                return &e.handler;
        return nullptr;
    }
    void Clear() { m_entries.clear(); }

  private:
    struct SEntry {
        ENotify code;
        int first, last;
        Handler handler;
    };
    std::vector<SEntry> m_entries;
};
