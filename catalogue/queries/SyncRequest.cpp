#include "catalogue/queries/SyncRequest.h"

#include "platform/app/KitrosterApp.h"
#include "platform/env/Env.h"
#include "platform/oxb_exception/ZRLogSite.h"
#include "platform/sync_client/SyncServiceClient.h"

namespace NResourceItem {
namespace {

CZRLogSite s_log("KITROSTER");

// Every entry of the request names the manager window as its source, where Reload lives.
#define SYNC_LOG(text) ZR_LOG_AT(s_log, ZRLOG_INFO, "ResMgrDlg", __LINE__, "%s", text)

constexpr int32_t kStatusIdle = 0;
constexpr int32_t kStatusAcknowledged = 1;
constexpr int32_t kStatusCompleted = 2;
constexpr int32_t kStatusFaulted = 9999;

SSyncRequestResult _failed(int polls) {
    SYNC_LOG("ZRSync server - unexpected exception upon SyncNow() request!");
    return {ESyncOutcome::Failed, polls};
}

}  // namespace

SSyncRequestResult RequestSync(bool resync) {
    using T = SSyncRequestTiming;
    if (!resync) {
        SYNC_LOG("ZRSYNC operation suppressed by 'bResync' parameter.");
        return {ESyncOutcome::Suppressed, 0};
    }
    kitroster::ISyncServiceClient& client = kitroster::GetSyncServiceClient();
    if (!client.IsScannerServiceRunning()) {
        SYNC_LOG("ZRSYNC server is NOT running");
        return {ESyncOutcome::NotRunning, 0};
    }
    int32_t seconds = 0;
    if (!client.GetSecondsSinceLastSync(&seconds))
        return _failed(0);
    if (seconds <= T::kFreshSeconds) {
        SYNC_LOG("ZRSYNC server has synchronized within the past 30 seconds.");
        return {ESyncOutcome::Fresh, 0};
    }
    if (!client.SyncNow())
        return _failed(0);

    kitroster::Env* env = GetKitrosterApp().GetEnv();
    const uint32_t waitStart = env->GetTickCount();
    uint32_t start = waitStart;
    uint32_t timeout = T::kFirstTimeoutMs;
    SSyncRequestResult result{ESyncOutcome::TimedOut, 0};
    for (bool polling = true; polling;) {
        int32_t status = 0;
        if (!client.GetStatus(&status))
            return _failed(result.polls);
        ++result.polls;
        switch (status) {
            case kStatusIdle:
                SYNC_LOG("ZRSync server is IDLE");
                break;
            case kStatusAcknowledged:
                SYNC_LOG("ZRSync server has acknowledged SyncNow() request...");
                timeout = T::kAcknowledgedTimeoutMs;
                start = env->GetTickCount();
                break;
            case kStatusCompleted:
                SYNC_LOG("ZRSync server has completed SyncNow() request.");
                result.outcome = ESyncOutcome::Completed;
                polling = false;
                break;
            case kStatusFaulted:
                SYNC_LOG("ZRSync server has faulted on SyncNow() request!");
                result.outcome = ESyncOutcome::Faulted;
                polling = false;
                break;
            default:
                SYNC_LOG("ZRSync server has reported an unknown status value!");
                break;
        }
        // Unsigned subtraction gives the exact elapsed time across a wrap of the counter.
        const uint32_t elapsed = env->GetTickCount() - start;
        if (elapsed > timeout) {
            // Also after a final status that came late: the time-out is logged as well, but
            // the outcome stays the one the service reported.
            SYNC_LOG("ZRSync server timeout waiting for SyncNow() to complete!");
            polling = false;
        } else if (polling && env->GetTickCount() - waitStart > T::kMaxWaitMs) {
            SYNC_LOG("ZRSync server still busy after 5 minutes; no longer waiting for SyncNow()!");
            polling = false;
        } else {
            env->Sleep(T::kPollIntervalMs);
        }
    }
    return result;
}

}  // namespace NResourceItem
