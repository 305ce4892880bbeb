// The synchronisation request that Reload makes before the manager window reads the
// resource files again: unless the service synchronised within the last 30 seconds, ask it
// to synchronise now and wait a bounded time for it to finish, polling once a second.
//
// Window-free: the caller shows the wait cursor and reloads afterwards, whatever the
// outcome; the user is told nothing, the outcome is only logged (component "KITROSTER",
// source "ResMgrDlg", level 0x01). The service comes from GetSyncServiceClient(), the clock
// and the pauses from the application's Env, so tests run the whole wait on a fake clock.
//
// Each status 1 (the service acknowledges and is still working) starts a new 20 s window,
// but the whole wait ends after kMaxWaitMs, so a service that answers 1 for ever cannot
// hold the window; the cap is logged and the outcome is TimedOut.
//
// Thread-safety: blocks the calling thread for the whole wait; any thread may call it.
#pragma once

#include <cstdint>

#include "base/KitrosterExport.h"

namespace NResourceItem {

enum class ESyncOutcome {
    Suppressed,  // the caller asked for no synchronisation
    NotRunning,  // the service does not run
    Fresh,       // it synchronised within kFreshSeconds; not asked again
    Completed,   // status 2
    Faulted,     // status 9999
    TimedOut,    // no final status within the time-out
    Failed,      // a call to the service failed
};

struct SSyncRequestResult {
    ESyncOutcome outcome = ESyncOutcome::Suppressed;
    int polls = 0;  // GetStatus calls answered
};

struct SSyncRequestTiming {
    static constexpr int32_t kFreshSeconds = 30;
    static constexpr uint32_t kFirstTimeoutMs = 5000;
    static constexpr uint32_t kAcknowledgedTimeoutMs = 20000;
    static constexpr uint32_t kPollIntervalMs = 1000;
    static constexpr uint32_t kMaxWaitMs = 5 * 60 * 1000;
};

// Asks the service to synchronise when `resync` is true and it runs, and waits for it.
KITROSTER_API SSyncRequestResult RequestSync(bool resync);

}  // namespace NResourceItem
