// The state of network time synchronisation, kept for the life of the process.
#pragma once

#include "base/KitrosterExport.h"

#include <cstdint>
#include <deque>

#include "sync/SyncResult.h"

namespace ZRSYNC {

struct SyncTimeState {
    bool faultReported = false;  // a fault was logged in the current five-minute window
    bool reported = false;       // a success was reported since the last period change
    bool bigJump = false;        // the last synchronisation moved the clock by a jump
    bool periodReset = false;    // the period was reset to the base period once
    int trend = 0;               // < 0: runs with much drift, > 0: runs with little drift
    int trendLimit = 2;
    std::deque<bool> history;  // oldest first: whether each recent step was a jump
    int historyMax = 3;
    int64_t jumpThresholdMs = 5000;
    bool firstDone = false;
    bool inconsistent = false;  // three jumps in a row: synchronisation stops
    uint32_t faultTick = 0;     // start of the fault window
    uint32_t faultTickLimit = 0xFFFFFFFFu;
    uint32_t reportTick = 0;  // start of the report window
    uint32_t reportTickLimit = 0xFFFFFFFFu;
    HRESULT lastResult = S_FALSE;
    int64_t lastOffsetMs = 0;

    // A state as at process start: both windows start at the Env's current tick.
    KITROSTER_API static SyncTimeState Fresh();
};

// The process-wide state, created on first use.
KITROSTER_API SyncTimeState& ProcessSyncTimeState();

}  // namespace ZRSYNC
