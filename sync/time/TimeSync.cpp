#include "sync/time/TimeSync.h"

#include "base/CString.h"
#include "platform/app/KitrosterApp.h"
#include "platform/env/Env.h"
#include "platform/process/HostName.h"
#include "platform/registry/Registry.h"
#include "sync/ErrorMapping.h"
#include "sync/SyncLog.h"
#include "sync/TickElapsed.h"
#include "sync/config/SyncRegistry.h"
#include "sync/machine/MachineMgrModel.h"

namespace ZRSYNC {

namespace {

constexpr const char* kModule = "SyncTimeCheck";
constexpr uint32_t kFaultWindowMs = 300000;
constexpr uint32_t kReportWindowMs = 600000;
constexpr int kPingWaitMs = 5000;
constexpr uint32_t kMinAdaptivePeriod = 2;
constexpr uint32_t kMaxAdaptivePeriod = 256;

unsigned long Code(HRESULT hr) {
    return static_cast<unsigned long>(static_cast<uint32_t>(hr));
}

// The set-time command with the server in place of the first "%s".
std::string SetTimeCommandFor(const std::string& server) {
    std::string command = GetSetTimeCommand();
    size_t at = command.find("%s");
    if (at != std::string::npos)
        command.replace(at, 2, server);
    return command;
}

void EventLog(const std::string& text, const EventLogObserver& observer) {
    if (observer)
        observer(text);
    else
        AddSyncEventLogEntry(kModule, text.c_str());
}

// Stores `requested` clamped to 2..256 and reports whether the period became what was
// requested, or that a bound was reached.
void AdjustPeriod(const std::string& server, uint32_t current, uint64_t requested, bool halving,
                  const EventLogObserver& observer) {
    SetNetworkTimeSyncPeriodInMinutes(static_cast<uint32_t>(
        std::min<uint64_t>(std::max<uint64_t>(requested, kMinAdaptivePeriod), kMaxAdaptivePeriod)));
    const uint32_t stored = GetNetworkTimeSyncPeriodInMinutes();
    if (stored == requested) {
        std::string text = CZRLogManager::FormatStr(
            "SynchronizeTimeWithServer(%s) adjusting sync period to %d minutes (from %d minutes)",
            server.c_str(), static_cast<int>(stored), static_cast<int>(current));
        ZRSYNC_LOG(kModule, ZRLOG_INFO, "%s", text.c_str());
        EventLog(text, observer);
    } else if (halving) {
        ZRSYNC_LOG(kModule, ZRLOG_INFO,
                   "SynchronizeTimeWithServer(%s) minimum adaptive period reached (%d minutes)",
                   server.c_str(), static_cast<int>(kMinAdaptivePeriod));
    } else {
        ZRSYNC_LOG(kModule, ZRLOG_INFO,
                   "SynchronizeTimeWithServer(%s) maximum adaptive period reached (%d minutes)",
                   server.c_str(), static_cast<int>(stored));
    }
}

}  // namespace

SyncTimeState SyncTimeState::Fresh() {
    SyncTimeState state;
    state.faultTick = GetKitrosterApp().GetEnv()->GetTickCount();
    state.reportTick = state.faultTick;
    return state;
}

SyncTimeState& ProcessSyncTimeState() {
    static SyncTimeState state = SyncTimeState::Fresh();
    return state;
}

std::string FormatClockStep(int64_t m) {
    if (m > 86400000 || m < -86400000)
        return ">24 hours";
    const int64_t a = m < 0 ? -m : m;
    const double d = static_cast<double>(a);
    if (a >= 3600000)
        return CZRLogManager::FormatStr("%3.1lf hours", d / 3600000.0);
    if (a >= 60000)
        return CZRLogManager::FormatStr("%3.1lf minutes", d / 60000.0);
    if (a >= 1000)
        return CZRLogManager::FormatStr("%3.1lf seconds", d / 1000.0);
    return CZRLogManager::FormatStr("%ld milliseconds", static_cast<long>(a));
}

HRESULT SynchronizeTimeWithServer(const std::string& server, SyncTimeState* statePtr,
                                  bool useCredentials, const EventLogObserver& observer) {
    SyncTimeState scratch;
    SyncTimeState& state = statePtr ? *statePtr : scratch;
    kitroster::Env* env = GetKitrosterApp().GetEnv();
    state.lastResult = S_FALSE;

    const bool self = CString(server).CompareNoCase("(local)") == 0 ||
                      CString(server).CompareNoCase(
                          GetKitrosterApp().GetIdentity().GetComputerName().c_str()) == 0;
    if (self) {
        ZRSYNC_LOG(kModule, ZRLOG_WARNING,
                   "SynchronizeTimeWithServer() - !FAULT! Attempt to synchronize with self (%s)",
                   server.c_str());
        state.lastResult = E_INVALIDARG;
        return E_INVALIDARG;
    }
    if (!kitroster::IsValidHostName(server)) {
        ZRSYNC_LOG(kModule, ZRLOG_WARNING,
                   "SynchronizeTimeWithServer() - !FAULT! Refusing time server name that is not "
                   "a host name: %s",
                   server.c_str());
        state.lastResult = E_INVALIDARG;
        return E_INVALIDARG;
    }
    if (!GetKitrosterApp().Ping(server.c_str(), kPingWaitMs)) {
        ZRSYNC_LOG(kModule, ZRLOG_WARNING,
                   "SynchronizeTimeWithServer() - !FAULT! Server %s is not reachable!",
                   server.c_str());
        state.lastResult = S_FALSE;
        return S_FALSE;
    }
    if (state.inconsistent)
        return S_FALSE;

    const bool adaptive = IsNetworkTimeSyncAdaptiveAlgorithmEnabled();
    bool justReset = false;
    if (adaptive && !state.periodReset) {
        state.periodReset = true;
        ZRSYNC_LOG(kModule, ZRLOG_INFO,
                   "SynchronizeTimeWithServer() - resetting sync period to base...");
        SetNetworkTimeSyncPeriodInMinutes(GetNetworkTimeSyncBasePeriodInMinutes());
        justReset = true;
    }
    const uint32_t period = GetNetworkTimeSyncPeriodInMinutes();
    const uint32_t t0 = env->GetTickCount();
    const uint64_t f0 = env->GetSystemTimeAsFileTime();
    const std::string command = SetTimeCommandFor(server);
    ZRSYNC_LOG(kModule, ZRLOG_INFO, "SynchronizeTimeWithServer() - %s", command.c_str());
    const uint32_t rc = CMachineMgrModel::ExecuteASystemCommandAndWaitForCompletion(command.c_str(),
                                                                                    useCredentials);
    const uint64_t f1 = env->GetSystemTimeAsFileTime();

    if (rc != 0) {
        const HRESULT hr = HResultFromWin32(rc);
        const uint32_t now = env->GetTickCount();
        bool log = !state.faultReported;
        if (TickElapsed(state.faultTick, now) >= kFaultWindowMs) {
            state.faultTick = now;
            log = true;
        }
        if (log) {
            state.faultReported = true;
            ZRSYNC_LOG(kModule, ZRLOG_WARNING, "SynchronizeTimeWithServer(%s) - !FAULT! %s (0x%lx)",
                       server.c_str(), command.c_str(), Code(hr));
        }
        state.lastResult = hr;
        return hr;
    }

    state.lastResult = S_OK;
    const int64_t wallMs = (static_cast<int64_t>(f1) - static_cast<int64_t>(f0)) / 10000;
    const int64_t offset = wallMs - static_cast<int64_t>(TickElapsed(t0, env->GetTickCount()));
    state.lastOffsetMs = offset;
    const int64_t magnitude = offset < 0 ? -offset : offset;

    if (!state.firstDone) {
        state.firstDone = true;
    } else {
        const bool jump = magnitude > state.jumpThresholdMs;
        if (jump)
            state.bigJump = true;
        state.history.push_back(jump);
        while (static_cast<int>(state.history.size()) > state.historyMax)
            state.history.pop_front();
        bool allJumps = static_cast<int>(state.history.size()) == state.historyMax;
        for (bool j : state.history)
            allJumps = allJumps && j;
        if (allJumps) {
            state.inconsistent = true;
            ZRSYNC_LOG(kModule, ZRLOG_FAILURE,
                       "SynchronizeTimeWithServer(%s) indicates that there is an inconsistency in "
                       "either the server or client clock. Either the hardware is failing or "
                       "another time synchronization mechanism is competing. Time "
                       "synchronization will be suspended until the next system restart.",
                       server.c_str());
            state.lastResult = S_FALSE;
            return S_FALSE;
        }
    }

    if (!justReset && adaptive) {
        const int64_t threshold = GetNetworkTimeSyncThresholdInMs();
        if (magnitude > threshold) {
            state.trend = std::min(state.trend, 0) - 1;
            if (state.trend <= -state.trendLimit) {
                state.trend = 0;
                state.reported = false;
                state.reportTick = env->GetTickCount();
                AdjustPeriod(server, period, period / 2, true, observer);
            }
        } else if (magnitude < threshold / 2) {
            state.trend = std::max(state.trend, 0) + 1;
            if (state.trend >= state.trendLimit) {
                state.trend = 0;
                state.reported = false;
                state.reportTick = env->GetTickCount();
                AdjustPeriod(server, period, 2ull * period, false, observer);
            }
        } else {
            state.trend = 0;
        }
    }

    const uint32_t now = env->GetTickCount();
    bool report = !state.reported;
    if (state.bigJump || TickElapsed(state.reportTick, now) >= kReportWindowMs) {
        state.reportTick = now;
        state.bigJump = false;
        report = true;
    }
    if (report) {
        state.reported = true;
        EventLog(CZRLogManager::FormatStr(
                     "Successfully synchronized clock with server %s. Client was %s %s %s.",
                     server.c_str(), FormatClockStep(offset).c_str(),
                     offset < 0 ? "ahead of" : "behind", server.c_str()),
                 observer);
    }
    return S_OK;
}

void DisableW32Time(bool disable) {
    if (disable) {
        ZRSYNC_LOG(kModule, ZRLOG_WARNING,
                   "DisableW32Time() preparing to enable network time sync - disabling W32Time "
                   "service...");
        CMachineMgrModel::ExecuteASystemCommandAndWaitForCompletion(
            GetStopTimeServiceCommand().c_str(), false);
        GetKitrosterApp().GetRegistry().SetString(RegKeys::kW32TimeParameters, "Type", "NoSync");
        return;
    }
    ZRSYNC_LOG(kModule, ZRLOG_WARNING,
               "DisableW32Time() disabling network time sync - enabling Windows W32Time "
               "service...use clock in System Tray to configure Windows W32Time service.");
    CMachineMgrModel::ExecuteASystemCommandAndWaitForCompletion(GetStopTimeServiceCommand().c_str(),
                                                                false);
    CMachineMgrModel::ExecuteASystemCommandAndWaitForCompletion(
        GetStartTimeServiceCommand().c_str(), false);
}

void ConfigureForNetworkTimeSync(bool enable) {
    // An empty name cannot be synchronised with either, and counts as this machine.
    if (enable && IsLocalMachineName(GetTimeServer())) {
        ZRSYNC_LOG(kModule, ZRLOG_WARNING,
                   "ConfigureForNetworkTimeSync() request to enable network time synchronization "
                   "has been rejected - the time server is the local machine!");
        enable = false;
    }
    DisableW32Time(enable);
    SetNetworkTimeSyncEnabled(enable);
}

NResourceItem::CZRauto_ptr<CSyncTimeAdjust> CSyncTimeAdjust::CreateInstance() {
    return NResourceItem::CZRauto_ptr<CSyncTimeAdjust>(new CSyncTimeAdjust(true));
}

NResourceItem::CZRauto_ptr<CSyncTimeAdjust> CSyncTimeAdjust::CreateForReading() {
    return NResourceItem::CZRauto_ptr<CSyncTimeAdjust>(new CSyncTimeAdjust(false));
}

CSyncTimeAdjust::CSyncTimeAdjust(bool takeOverTimeService) {
    if (takeOverTimeService && IsNetworkTimeSyncEnabled())
        DisableW32Time(true);
}

HRESULT CSyncTimeAdjust::Synchronize() {
    if (!IsNetworkTimeSyncEnabled()) {
        ProcessSyncTimeState().lastResult = S_FALSE;
        return S_FALSE;
    }
    // Setting the clock needs the service's own rights (root); a share account gains
    // nothing for it, and its credentials stay reserved for share access.
    return SynchronizeTimeWithServer(GetTimeServer(), &ProcessSyncTimeState(), false);
}

uint32_t CSyncTimeAdjust::GetPeriodMs() const {
    const uint64_t ms = static_cast<uint64_t>(GetNetworkTimeSyncPeriodInMinutes()) * 60000u;
    return static_cast<uint32_t>(std::min<uint64_t>(std::max<uint64_t>(ms, 30000u), 0xFFFFFFFFu));
}
bool CSyncTimeAdjust::IsEnabled() const {
    return IsNetworkTimeSyncEnabled();
}
std::string CSyncTimeAdjust::GetServer() const {
    return GetTimeServer();
}
SyncTimeState CSyncTimeAdjust::GetState() const {
    return ProcessSyncTimeState();
}

}  // namespace ZRSYNC
