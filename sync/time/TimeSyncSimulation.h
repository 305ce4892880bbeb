// A what-if run of the time synchronisation for administrators choosing thresholds. It
// changes nothing: the runs work on a private copy of the settings (the period they adapt
// stays in that copy), the event-log texts are captured in the result instead of being
// written to the system log, and the clock is simulated: every set-time command steps it
// by the next planned offset, the server is always reachable, and no command runs.
#pragma once

#include "base/KitrosterExport.h"

#include <string>
#include <vector>

#include "sync/SyncResult.h"
#include "sync/time/SyncTimeState.h"

namespace ZRSYNC {

struct SimulatedRun {
    int run = 0;
    int64_t offsetMs = 0;
    HRESULT result = S_OK;
    uint32_t periodMinutes = 0;  // in the private settings after the run
    int trend = 0;
    std::vector<bool> history;
    bool inconsistent = false;
    std::vector<std::string> eventLog;
};

// Runs SynchronizeTimeWithServer once per offset (milliseconds) on a fresh state.
KITROSTER_API std::vector<SimulatedRun> SimulateTimeSync(const std::vector<int64_t>& offsetsMs,
                                                         const std::string& server);

}  // namespace ZRSYNC
