#include "dialog_framework/DialogBackend.h"

#include <algorithm>
#include <thread>

#include "dialog_framework/Dialog.h"
#include "dialog_framework/script/ScriptedUser.h"
#include "platform/app/KitrosterApp.h"
#include "platform/env/Env.h"
#include "platform/process/ProcessLauncher.h"

namespace kitroster {
namespace {

// True when tick `a` is at or after tick `b` on the wrapping 32-bit clock.
bool AtOrAfter(uint32_t a, uint32_t b) {
    return static_cast<int32_t>(a - b) >= 0;
}

}  // namespace

uint32_t CDialogBackend::Now() {
    uint32_t envNow = GetKitrosterApp().GetEnv()->GetTickCount();
    if (!m_user)
        return envNow;
    if (!m_scriptTimeStarted) {
        m_scriptTime = envNow;
        m_scriptTimeStarted = true;
    }
    return m_scriptTime;
}

void CDialogBackend::PopDialog(CDialog* dialog) {
    auto it = std::find(m_open.begin(), m_open.end(), dialog);
    if (it != m_open.end())
        m_open.erase(it);
}

void CDialogBackend::SyncAll() {
    for (CDialog* dialog : m_open)
        if (dialog->GetPeer())
            dialog->GetPeer()->Sync();
}

void CDialogBackend::StartTimer(CDialog* dialog, uintptr_t id, UINT periodMs) {
    StopTimer(dialog, id);
    periodMs = std::max<UINT>(periodMs, 10);  // the shortest period a window timer has
    m_timers.push_back({dialog, id, periodMs, Now() + periodMs});
}

void CDialogBackend::StopTimer(CDialog* dialog, uintptr_t id) {
    std::erase_if(m_timers, [&](const STimer& t) { return t.dialog == dialog && t.id == id; });
}

void CDialogBackend::StopTimers(CDialog* dialog) {
    std::erase_if(m_timers, [&](const STimer& t) { return t.dialog == dialog; });
}

void CDialogBackend::FireDueTimers(uint32_t now) {
    // Each round fires the timer due first; a handler may start, stop or run dialogs, so
    // the list is searched again every time.
    for (;;) {
        STimer* next = nullptr;
        for (auto& t : m_timers)
            if (AtOrAfter(now, t.due) && (!next || static_cast<int32_t>(t.due - next->due) < 0))
                next = &t;
        if (!next)
            return;
        CDialog* dialog = next->dialog;
        uintptr_t id = next->id;
        uint32_t due = next->due;
        next->due += next->period;
        if (m_user)
            m_scriptTime = due;  // the handler sees the time the timer fell due
        dialog->FireTimer(id);
        SyncAll();
    }
}

void CDialogBackend::Advance(uint32_t ms) {
    uint32_t target = Now() + ms;
    FireDueTimers(target);
    // A dialog run from a timer may have waited past the target already.
    if (AtOrAfter(target, m_scriptTime))
        m_scriptTime = target;
}

void CDialogBackend::BeginWaitCursor() {
    if (m_waitDepth++ == 0)
        SetWaitCursor(true);
}

void CDialogBackend::EndWaitCursor() {
    if (m_waitDepth > 0 && --m_waitDepth == 0)
        SetWaitCursor(false);
}

bool CDialogBackend::LaunchProgram(const std::string& program,
                                   const std::vector<std::string>& args) {
    if (m_user)
        m_user->OnLaunch(program, args);
    if (!StartsPrograms())
        return true;
    ProcessRequest request;
    request.argv.push_back(program);
    request.argv.insert(request.argv.end(), args.begin(), args.end());
    // The opener may run as long as the program it opens; the window does not wait for it.
    std::thread([request] { PosixProcessLauncher().Run(request); }).detach();
    return true;
}

}  // namespace kitroster

kitroster::CDialogBackend* GetDialogBackend() {
    return GetKitrosterApp().GetDialogBackend();
}
