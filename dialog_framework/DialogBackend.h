// The seam between dialogs and windows, as the Env is for files: CDialog talks only to a
// CDialogBackend, and each backend shows dialogs its own way (headless/: state in memory
// only; qt/: real windows).
//
// The backend also keeps what all open dialogs share: the stack of open dialogs (the top
// one is the active window), their timers on the backend's clock, the wait cursor, and the
// scripted user, when one drives the session instead of a person.
//
// Thread-safety: the user-interface thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/CString.h"
#include "base/KitrosterExport.h"
#include "dialog_framework/Menu.h"
#include "dialog_framework/WinTypes.h"

class CDialog;
class CWnd;

namespace kitroster {

class CScriptedUser;

struct SMessageBoxRequest {
    CString text;
    CString caption;
    UINT type = MB_OK;
};

// The window of one open dialog.
class KITROSTER_API IDialogPeer {
  public:
    virtual ~IDialogPeer() = default;
    // The dialog finished OnInitDialog: show the window.
    virtual void Show() = 0;
    // Brings the window up to date with the dialog's title, controls and focus.
    virtual void Sync() = 0;
    // Writes a PNG picture of the window; false when this backend draws nothing.
    virtual bool Shot(const std::string& file) = 0;
};

// Pixels per dialog unit, from the dialog font: the average width of "A".."Z" "a".."z"
// (over 52) per 4 units across, the font's height per 8 units down.
struct SBaseUnits {
    int averageWidth = 7;
    int height = 14;
    int ToPixelsX(int units) const { return (units * averageWidth + 2) / 4; }
    int ToPixelsY(int units) const { return (units * height + 4) / 8; }
};

class KITROSTER_API CDialogBackend {
  public:
    // `user` drives every modal loop when set, and must outlive the backend.
    explicit CDialogBackend(CScriptedUser* user) : m_user(user) {}
    virtual ~CDialogBackend() = default;
    CDialogBackend(const CDialogBackend&) = delete;
    CDialogBackend& operator=(const CDialogBackend&) = delete;

    CScriptedUser* GetScriptedUser() const { return m_user; }

    // --- What each backend provides.
    virtual std::unique_ptr<IDialogPeer> CreatePeer(CDialog& dialog) = 0;
    virtual SBaseUnits GetBaseUnits(const char* fontName, int pointSize) = 0;
    // A person drives: runs events until `done` is true.
    virtual void RunModalLoop(const std::function<bool()>& done) = 0;
    // A person answers: shows the box over `owner` (may be null) and returns the button.
    virtual int RunMessageBox(CDialog* owner, const SMessageBoxRequest& request) = 0;
    // A person chooses: shows the menu at `screen` and returns the command, 0 for none.
    virtual UINT RunPopupMenu(CDialog* owner, const CMenu& menu, CPoint screen) = 0;
    // Lets the windows catch up (paint, process queued events) before a scripted step.
    virtual void ProcessEvents() = 0;
    virtual void SetWaitCursor(bool busy) = 0;
    // Whether programs the dialogs launch are really started.
    virtual bool StartsPrograms() const = 0;
    // Milliseconds on the backend's clock (wraps like GetTickCount). With a scripted user
    // time moves only when the script waits.
    virtual uint32_t Now();

    // --- Shared by all backends.
    const std::vector<CDialog*>& OpenDialogs() const { return m_open; }
    CDialog* ActiveDialog() const { return m_open.empty() ? nullptr : m_open.back(); }
    void PushDialog(CDialog* dialog) { m_open.push_back(dialog); }
    void PopDialog(CDialog* dialog);
    // Brings every open dialog's window up to date.
    void SyncAll();

    void StartTimer(CDialog* dialog, uintptr_t id, UINT periodMs);
    void StopTimer(CDialog* dialog, uintptr_t id);
    void StopTimers(CDialog* dialog);
    // Fires every timer due at `now`, in time order, as often as it fell due (at most
    // once per period elapsed since it last fired).
    void FireDueTimers(uint32_t now);
    // Scripted time: `ms` milliseconds pass, firing timers as they fall due.
    void Advance(uint32_t ms);

    // Wait cursor nesting: the cursor is busy while any CWaitCursor lives.
    void BeginWaitCursor();
    void EndWaitCursor();

    // Starts `program` with `args`, without a shell, unless this backend starts nothing;
    // the scripted user records it either way. False when it could not be started.
    bool LaunchProgram(const std::string& program, const std::vector<std::string>& args);

  protected:
    CScriptedUser* m_user;

  private:
    struct STimer {
        CDialog* dialog;
        uintptr_t id;
        UINT period;
        uint32_t due;
    };
    std::vector<CDialog*> m_open;
    std::vector<STimer> m_timers;
    int m_waitDepth = 0;
    uint32_t m_scriptTime = 0;
    bool m_scriptTimeStarted = false;
};

}  // namespace kitroster

// The backend in effect: the application object's. Null when none was installed (a host
// without windows); dialogs then refuse to open (DoModal returns -1).
KITROSTER_API kitroster::CDialogBackend* GetDialogBackend();
