// Testing access to the common settings share as the stored share credentials.
#include "common/SplitPath.h"
#include "platform/app/KitrosterApp.h"
#include "platform/env/Env.h"
#include "platform/registry/Registry.h"
#include "sync/ErrorMapping.h"
#include "sync/SyncLog.h"
#include "sync/config/CaptureCredentials.h"
#include "sync/config/SyncRegistry.h"
#include "sync/machine/MachineMgrModel.h"
#include "sync/machine/ProcessImpersonator.h"
#include "sync/time/SyncTimeCheck.h"

namespace ZRSYNC {

using kitroster::EnvStatus;
using NResourceItem::CZRauto_ptr;

namespace {

constexpr const char* kModule = "MachineMgrModelAuthentication";
// ERROR_BADDB and ERROR_CANTOPEN: the registry's own system errors for a damaged store and
// one that cannot be opened.
constexpr uint32_t kErrorBadDb = 1009;
constexpr uint32_t kErrorCantOpen = 1011;

unsigned long Code(HRESULT hr) {
    return static_cast<unsigned long>(static_cast<uint32_t>(hr));
}

// Writes, closes and deletes one probe file; the first failing step's result.
HRESULT ProbeShare(const std::string& folder, const char* fileName, const std::string& user) {
    kitroster::Env* env = GetKitrosterApp().GetEnv();
    const std::string path = SplitPath(folder.c_str(), fileName).GetFullPath().GetString();
    kitroster::OpenOptions options;
    options.access = kitroster::kAccessRead | kitroster::kAccessWrite;
    options.share = kitroster::kShareNone;
    options.disposition = kitroster::FileDisposition::kCreateAlways;
    // The share may be writable by others: a link planted under the probe's name must not
    // make this process truncate and write the file it points to.
    options.noFollow = true;
    std::unique_ptr<kitroster::IFile> file;
    if (EnvStatus s = env->OpenFile(path, options, &file); !s.ok()) {
        HRESULT hr = HResultFromEnv(s);
        ZRSYNC_LOG(kModule, ZRLOG_INFO,
                   "CMachineMgrModel::TestCommonSettingsUncRootAccess() failed to open to %s for "
                   "writing as user %s (0x%lx)",
                   path.c_str(), user.c_str(), Code(hr));
        return hr;
    }
    const std::string block(100, 'c');
    if (EnvStatus s = file->Write(block.data(), block.size()); !s.ok()) {
        HRESULT hr = HResultFromEnv(s);
        ZRSYNC_LOG(kModule, ZRLOG_INFO,
                   "CMachineMgrModel::TestCommonSettingsUncRootAccess() failed to write to %s as "
                   "user %s (0x%lx)",
                   path.c_str(), user.c_str(), Code(hr));
        file->Close();
        env->DeleteFile(path);
        return hr;
    }
    if (EnvStatus s = file->Close(); !s.ok()) {
        HRESULT hr = HResultFromEnv(s);
        ZRSYNC_LOG(kModule, ZRLOG_INFO,
                   "CMachineMgrModel::TestCommonSettingsUncRootAccess() failed to close %s as "
                   "user %s (0x%lx)",
                   path.c_str(), user.c_str(), Code(hr));
        env->DeleteFile(path);
        return hr;
    }
    if (EnvStatus s = env->DeleteFile(path); !s.ok()) {
        HRESULT hr = HResultFromEnv(s);
        ZRSYNC_LOG(kModule, ZRLOG_INFO,
                   "CMachineMgrModel::TestCommonSettingsUncRootAccess() failed to remove to %s as "
                   "user %s (0x%lx)",
                   path.c_str(), user.c_str(), Code(hr));
        return hr;
    }
    return S_OK;
}

HRESULT CheckClock(const std::string& folder, CZRauto_ptr<ICaptureCredentials> credentials) {
    auto check = CSyncTimeCheck::CreateInstance(folder, credentials);
    if (!check->Check()) {
        ZRSYNC_LOG(kModule, ZRLOG_INFO,
                   "CMachineMgrModel::TestCommonSettingsUncRootAccess() - time checker failed "
                   "with error (0x%lx)",
                   Code(check->GetError()));
        // The clock check writes a probe file on the share: when it could not, the share
        // test did not pass.
        return FAILED(check->GetError()) ? check->GetError() : E_FAIL;
    }
    const int ahead = static_cast<int>(GetClockDesyncForwardThresholdInMinutes());
    const int behind = static_cast<int>(GetClockDesyncBackwardThresholdInMinutes());
    const int64_t offset = check->GetOffset();
    const int64_t s = offset / 10000000;
    const std::string text = FormatClockOffset(s);
    ZRSYNC_LOG(kModule, ZRLOG_INFO,
               "CMachineMgrModel::TestCommonSettingsUncRootAccess() - Server clock %s %s of this "
               "machine...thresholds are from %d minutes ahead to %d minutes behind",
               text.c_str(), offset >= 0 ? "ahead" : "behind", ahead, behind);
    if (s > static_cast<int64_t>(ahead) * 60) {
        ZRSYNC_LOG(kModule, ZRLOG_WARNING,
                   "CMachineMgrModel::TestCommonSettingsUncRootAccess() - Server clock is more "
                   "than %s ahead of this machine [%s] - caching mechanism will be temporarily "
                   "disabled if this issue is not corrected...threshold is %d minutes",
                   text.c_str(), folder.c_str(), ahead);
        return ZRSYNC_S_CLOCK_OUT_OF_RANGE;
    }
    if (s < -(static_cast<int64_t>(behind) * 60)) {
        ZRSYNC_LOG(kModule, ZRLOG_WARNING,
                   "CMachineMgrModel::TestCommonSettingsUncRootAccess() - Server clock is more "
                   "than %s behind this machine [%s] - caching mechanism will be temporarily "
                   "disabled if this issue is not corrected...threshold is %d minutes",
                   text.c_str(), folder.c_str(), behind);
        return ZRSYNC_S_CLOCK_OUT_OF_RANGE;
    }
    return S_OK;
}

// The registry test's result after a call that did not give what was expected: the
// system error of a store that could not be used, else access denied.
HRESULT RegistryFailure(const kitroster::CRegistry& registry) {
    switch (registry.LastStatus()) {
        case kitroster::RegStatus::kOk:
            break;
        case kitroster::RegStatus::kLocked:
            return HResultFromWin32(kitroster::kErrorLockViolation);
        case kitroster::RegStatus::kDamaged:
            return HResultFromWin32(kErrorBadDb);
        case kitroster::RegStatus::kUnavailable:
            return HResultFromWin32(kErrorCantOpen);
    }
    return E_ACCESSDENIED;
}

HRESULT TestRegistryWrite(uint32_t t0) {
    kitroster::CRegistry& registry = GetKitrosterApp().GetRegistry();
    const char* name = RegNames::kRegistryAccessTestValue;
    uint32_t value = 0xFFFFFFFFu;
    if (!registry.QueryDword(RegKeys::kZRSync, name, &value) || value != t0)
        return RegistryFailure(registry);
    if (!registry.SetDword(RegKeys::kZRSync, name, t0 + 1))
        return RegistryFailure(registry);
    value = 0xFFFFFFFFu;
    if (!registry.QueryDword(RegKeys::kZRSync, name, &value) || value != t0 + 1)
        return RegistryFailure(registry);
    return S_OK;
}

}  // namespace

std::string FormatClockOffset(int64_t seconds) {
    const int64_t minutes = seconds / 60;
    const int64_t hours = minutes / 60;
    const char* unit = "second";
    int64_t count = seconds;
    if (hours != 0) {
        unit = "hour";
        count = hours;
    } else if (minutes != 0) {
        unit = "minute";
        count = minutes;
    }
    const int64_t magnitude = count < 0 ? -count : count;
    return CZRLogManager::FormatStr("%ld %s%s", static_cast<long>(magnitude), unit,
                                    magnitude == 1 ? "" : "s");
}

HRESULT CMachineMgrModel::TestCommonSettingsUncRootAccess(uint32_t flags) {
    const std::string root = GetCommonSettingsUncRoot();
    SplitPath common(root.c_str(), "dummy.txt");
    if (!common.IsUNC())
        return ZRSYNC_E_NOT_UNC;
    if (CString(common.GetServer())
            .CompareNoCase(GetKitrosterApp().GetIdentity().GetComputerName().c_str()) == 0) {
        return ZRSYNC_E_SERVER_IS_LOCAL;
    }
    const std::string folder = common.GetFolder().GetString();
    kitroster::Env* env = GetKitrosterApp().GetEnv();
    const uint32_t t0 = env->GetTickCount();
    if (flags & kTestRegistry)
        GetKitrosterApp().GetRegistry().SetDword(RegKeys::kZRSync,
                                                 RegNames::kRegistryAccessTestValue, t0);

    std::string user;
    std::string password;
    GetShareCredentials(&user, &password);
    CZRauto_ptr<ICaptureCredentials> credentials = CCaptureCredentials::FromLogin(user, password);
    CZRauto_ptr<IConfigureProcessImpersonator> impersonator =
        CAVThreadMappedProcessImpersonator::CreateInstance();
    HRESULT hr = impersonator->Impersonate(credentials);
    if (hr == kitroster::kImpersonateUnknownAccount) {
        // The share account (by default "zruser") is often an account of the file server
        // only: this machine cannot take its identity, so the test runs as the process.
        const std::string self = GetKitrosterApp().GetIdentity().GetUserName();
        ZRSYNC_LOG(kModule, ZRLOG_WARNING,
                   "CMachineMgrModel::TestCommonSettingsUncRootAccess() - user %s has no account "
                   "on this machine - testing as %s without impersonation",
                   user.c_str(), self.c_str());
        user = self;
        hr = S_OK;
    }
    if (FAILED(hr)) {
        ZRSYNC_LOG(kModule, ZRLOG_INFO,
                   "CMachineMgrModel::TestCommonSettingsUncRootAccess() failed to impersonate user "
                   "%s (0x%lx)",
                   user.c_str(), Code(hr));
        return hr;
    }
    if ((flags & kTestProbeFile1) && SUCCEEDED(hr))
        hr = ProbeShare(folder, kProbeFile1, user);
    if ((flags & kTestProbeFile2) && SUCCEEDED(hr))
        hr = ProbeShare(folder, kProbeFile2, user);
    if ((flags & kTestClock) && SUCCEEDED(hr))
        hr = CheckClock(folder, credentials);
    if ((flags & kTestRegistry) && SUCCEEDED(hr))
        hr = TestRegistryWrite(t0);
    impersonator->Revert();
    return hr;
}

}  // namespace ZRSYNC
