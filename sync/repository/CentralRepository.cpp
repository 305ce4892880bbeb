// The configurator's two checks before it uses the central repository: may it be used at
// all, and is its server's clock close enough to this machine's.
#include "platform/app/KitrosterApp.h"
#include "sync/SyncLog.h"
#include "sync/config/SyncConfigurator.h"
#include "sync/config/SyncRegistry.h"
#include "sync/machine/MachineMgrModel.h"
#include "sync/time/SyncTimeCheck.h"

namespace ZRSYNC {

namespace {
constexpr const char* kModule = "SyncConfigurator";
constexpr int kPingWaitMs = 5000;
}  // namespace

bool CSyncConfigurator::isCentralRepositoryAvailable(const CentralAccessTest& accessTest) const {
    if (IsLocalMachineName(m_centralServer)) {
        ZRSYNC_LOG(kModule, ZRLOG_INFO,
                   "CSyncConfigurator::isCentralRepositoryAvailable() - Central repository is "
                   "configurated to be on the local machine. This should have been blocked by "
                   "the UI - failing this request in order to block synchronization...");
        return false;
    }
    if (!GetKitrosterApp().Ping(m_centralServer.c_str(), kPingWaitMs))
        return false;
    if (accessTest.run) {
        CMachineMgrModel fallback;
        CMachineMgrModel* model = accessTest.model ? accessTest.model : &fallback;
        if (FAILED(model->TestCommonSettingsUncRootAccess(CMachineMgrModel::kTestProbeFile2)))
            return false;
    }
    return true;
}

bool CSyncConfigurator::isCentralRepositoryClockSynchronized(HRESULT* result) const {
    HRESULT ignored = S_OK;
    if (!result)
        result = &ignored;
    const int forward = static_cast<int>(GetClockDesyncForwardThresholdInMinutes());
    const int backward = static_cast<int>(GetClockDesyncBackwardThresholdInMinutes());
    ZRSYNC_LOG(kModule, ZRLOG_INFO,
               "CSyncConfigurator::isCentralRepositoryClockSynchronized() - checking "
               "synchronization...");
    auto check =
        CSyncTimeCheck::CreateInstance(centralRoot(), get_CentralRespositoryCredentials(0));
    if (!check->Check()) {
        ZRSYNC_LOG(kModule, ZRLOG_INFO,
                   "CSyncConfigurator::isCentralRepositoryClockSynchronized() - Check for "
                   "synchronization failed!");
        *result = E_ABORT;
        return true;
    }
    const int64_t s = check->GetOffset() / 10000000;
    const std::string text = FormatClockOffset(s);
    ZRSYNC_LOG(kModule, ZRLOG_INFO,
               "CSyncConfigurator::isCentralRepositoryClockSynchronized() - Server clock %s %s of "
               "this machine...thresholds are from %d minutes ahead to %d minutes behind",
               text.c_str(), s < 0 ? "behind" : "ahead", forward, backward);
    if (s > static_cast<int64_t>(forward) * 60) {
        ZRSYNC_LOG(kModule, ZRLOG_WARNING,
                   "CSyncConfigurator::isCentralRepositoryClockSynchronized() - Server clock is "
                   "more than %s ahead of this machine [%s] - temporarily disabling the cache "
                   "mechanism...threshold is %d minutes",
                   text.c_str(), centralRoot().c_str(), forward);
        *result = E_FAIL;
        return false;
    }
    if (s < -(static_cast<int64_t>(backward) * 60)) {
        ZRSYNC_LOG(kModule, ZRLOG_WARNING,
                   "CSyncConfigurator::isCentralRepositoryClockSynchronized() - Server clock is "
                   "more than %s behind this machine [%s] - temporarily disabling the cache "
                   "mechanism...threshold is %d minutes",
                   text.c_str(), centralRoot().c_str(), backward);
        *result = E_FAIL;
        return false;
    }
    *result = S_OK;
    return true;
}

}  // namespace ZRSYNC
