#include "sync/config/SyncRegistry.h"

#include "base/CString.h"
#include "platform/app/KitrosterApp.h"
#include "platform/registry/Registry.h"
#include "sync/config/PasswordCipher.h"

namespace ZRSYNC {

namespace {

using RegKeys::kCorvent;
using RegKeys::kZRSync;

kitroster::CRegistry& Registry() {
    return GetKitrosterApp().GetRegistry();
}

bool SameNoCase(const std::string& a, const std::string& b) {
    return CString(a).CompareNoCase(b.c_str()) == 0;
}

std::string ReadString(const char* key, const char* name, const std::string& def) {
    return Registry().GetString(key, name, def);
}
uint32_t ReadDword(const char* key, const char* name, uint32_t def) {
    return Registry().GetDword(key, name, def);
}
bool ReadBool(const char* key, const char* name, bool def) {
    return ReadDword(key, name, def ? 1 : 0) != 0;
}
void WriteBool(const char* key, const char* name, bool value) {
    Registry().SetDword(key, name, value ? 1 : 0);
}

// Network time values: ZRSync first, then the older place, then the default (written to
// ZRSync).
uint32_t ReadTimeDword(const char* name, uint32_t def) {
    uint32_t value = 0;
    if (Registry().QueryDword(kZRSync, name, &value))
        return value;
    if (Registry().QueryDword(kCorvent, name, &value))
        return value;
    return ReadDword(kZRSync, name, def);
}
std::string ReadTimeString(const char* name, const std::string& def) {
    std::string value;
    if (Registry().QueryString(kZRSync, name, &value))
        return value;
    if (Registry().QueryString(kCorvent, name, &value))
        return value;
    return ReadString(kZRSync, name, def);
}

void ReadLogin(const char* userName, const char* passwordName, std::string* user,
               std::string* password) {
    *user = ReadString(kCorvent, userName, kDefaultAccountName);
    std::string stored =
        Registry().GetString(kCorvent, passwordName, EncipherPassword(DefaultAccountPassword()));
    *password = DecipherPassword(stored);
}

void WriteLogin(const char* userName, const char* passwordName, const std::string& user,
                const std::string& password) {
    Registry().SetString(kCorvent, userName, user);
    Registry().SetString(kCorvent, passwordName, EncipherPassword(password));
}

}  // namespace

bool IsLocalMachineName(const std::string& name) {
    return name.empty() || SameNoCase(name, "(local)") ||
           SameNoCase(name, GetKitrosterApp().GetIdentity().GetComputerName());
}

std::string GetCentralServer() {
    return ReadString(kCorvent, "CentralServer", "(local)");
}

std::string GetCommonSettingsUncRoot() {
    const std::string server = GetCentralServer();
    const std::string def = IsLocalMachineName(server) ? "" : "\\\\" + server + "\\Wavelore";
    std::string value = ReadString(kCorvent, "CommonSettingsUncRoot", def);
    if (value.empty() && !def.empty()) {
        Registry().SetString(kCorvent, "CommonSettingsUncRoot", def);
        value = def;
    }
    return value;
}

void SetCommonSettingsUncRoot(const std::string& root) {
    Registry().SetString(kCorvent, "CommonSettingsUncRoot", root);
}

void GetShareCredentials(std::string* user, std::string* password) {
    ReadLogin("CommonSettingsShareUsername", "CommonSettingsSharePassword", user, password);
}
void SetShareCredentials(const std::string& user, const std::string& password) {
    WriteLogin("CommonSettingsShareUsername", "CommonSettingsSharePassword", user, password);
}
void SetShareCredentialsToDefaultAccount() {
    SetShareCredentials(kDefaultAccountName, DefaultAccountPassword());
}
void ClearShareCredentials() {
    SetShareCredentials("", "");
}
void GetTimeServerCredentials(std::string* user, std::string* password) {
    ReadLogin("TimeServerUsername", "TimeServerPassword", user, password);
}
void SetTimeServerCredentials(const std::string& user, const std::string& password) {
    WriteLogin("TimeServerUsername", "TimeServerPassword", user, password);
}
void SetTimeServerCredentialsToDefaultAccount() {
    SetTimeServerCredentials(kDefaultAccountName, DefaultAccountPassword());
}

bool IsCommonSettingsCacheEnabled() {
    return ReadBool(kCorvent, "CommonSettingsCacheEnabled", false);
}
bool IsMachineCommonSettingsHost() {
    return ReadBool(kCorvent, "MachineIsCommonSettingsHost", false);
}
bool IsCacheDownloadOnlyEnabled() {
    return ReadBool(kCorvent, "CacheDownloadOnlyEnabled", false);
}
void SetCacheDownloadOnlyEnabled(bool enabled) {
    WriteBool(kCorvent, "CacheDownloadOnlyEnabled", enabled);
}
bool IsCacheDownloadOnlyForCustomFoldersEnabled() {
    return ReadBool(kCorvent, "CacheDownloadOnlyForCustomFoldersEnabled", false);
}
bool IsCacheBackupEnabled() {
    return ReadBool(kCorvent, "CacheBackupEnabled", true);
}
void SetCacheBackupEnabled(bool enabled) {
    WriteBool(kCorvent, "CacheBackupEnabled", enabled);
}
bool IsBackgroundScanningEnabled() {
    return ReadBool(kCorvent, "BackgroundScanningEnabled", true);
}
void SetBackgroundScanningEnabled(bool enabled) {
    WriteBool(kCorvent, "BackgroundScanningEnabled", enabled);
}
uint32_t GetBackgroundScanningFrequencyInSeconds() {
    return ReadDword(kCorvent, "BackgroundScanningFrequencyInSeconds", 600);
}
void SetBackgroundScanningFrequencyInSeconds(uint32_t seconds) {
    Registry().SetDword(kCorvent, "BackgroundScanningFrequencyInSeconds", seconds);
}
bool IsCacheSessionLockingEnabled() {
    return ReadBool(kCorvent, "CacheSessionLockingEnabled", true);
}
void SetCacheSessionLockingEnabled(bool enabled) {
    WriteBool(kCorvent, "CacheSessionLockingEnabled", enabled);
}
bool IsScanningDisabledDueToTimeSync() {
    return ReadBool(kCorvent, "ScanningDisabledDueToTimeSync", false);
}
void SetScanningDisabledDueToTimeSync(bool disabled) {
    WriteBool(kCorvent, "ScanningDisabledDueToTimeSync", disabled);
}

std::string GetTimeServer() {
    return ReadTimeString("TimeServer", "(local)");
}
bool IsNetworkTimeSyncEnabled() {
    return ReadTimeDword("NetworkTimeSyncEnabled", 0) != 0;
}
void SetNetworkTimeSyncEnabled(bool enabled) {
    WriteBool(kZRSync, "NetworkTimeSyncEnabled", enabled);
}
bool IsNetworkTimeSyncAdaptiveAlgorithmEnabled() {
    return ReadTimeDword("NetworkTimeSyncAdaptiveAlgorithmEnabled", 0) != 0;
}
uint32_t GetNetworkTimeSyncBasePeriodInMinutes() {
    return std::max<uint32_t>(ReadTimeDword("NetworkTimeSyncBasePeriodInMinutes", 8), 2);
}
uint32_t GetNetworkTimeSyncPeriodInMinutes() {
    uint32_t value = ReadTimeDword("NetworkTimeSyncPeriodInMinutes", 60);
    if (value == 0xFFFFFFFFu)
        return kPeriodNever;
    return std::max<uint32_t>(value, 2);
}
void SetNetworkTimeSyncPeriodInMinutes(uint32_t minutes) {
    uint32_t stored = minutes == kPeriodNever ? 0xFFFFFFFFu : std::max<uint32_t>(minutes, 2);
    Registry().SetDword(kZRSync, "NetworkTimeSyncPeriodInMinutes", stored);
}
uint32_t GetNetworkTimeSyncThresholdInMs() {
    return std::max<uint32_t>(ReadTimeDword("NetworkTimeSyncThresholdInMs", 30), 10);
}

uint32_t GetClockDesyncForwardThresholdInMinutes() {
    return ReadDword(RegKeys::kLocalSettings, "ClockDesyncForwardThresholdInMinutes", 10);
}
uint32_t GetClockDesyncBackwardThresholdInMinutes() {
    return ReadDword(RegKeys::kLocalSettings, "ClockDesyncBackwardThresholdInMinutes", 5);
}
void SetClockDesyncThresholds(uint32_t forwardMinutes, uint32_t backwardMinutes) {
    Registry().SetDword(RegKeys::kLocalSettings, "ClockDesyncForwardThresholdInMinutes",
                        forwardMinutes);
    Registry().SetDword(RegKeys::kLocalSettings, "ClockDesyncBackwardThresholdInMinutes",
                        backwardMinutes);
}
uint32_t GetRegVer() {
    return ReadDword(RegKeys::kGeneral, "RegVer", 0);
}
void SetRegVer(uint32_t version) {
    Registry().SetDword(RegKeys::kGeneral, "RegVer", version);
}
std::string GetMachineFriendlyName() {
    return ReadString(RegKeys::kEventCom, "MachineFriendlyName", "");
}

std::string GetSetTimeCommand() {
    return ReadString(RegKeys::kTimeCommands, "SetTimeCommand", "chronyd -q \"server %s iburst\"");
}
std::string GetStopTimeServiceCommand() {
    return ReadString(RegKeys::kTimeCommands, "StopTimeServiceCommand",
                      "timedatectl set-ntp false");
}
std::string GetStartTimeServiceCommand() {
    return ReadString(RegKeys::kTimeCommands, "StartTimeServiceCommand",
                      "timedatectl set-ntp true");
}

std::vector<SettingEntry> ReadAllSettings() {
    std::vector<SettingEntry> all;
    auto text = [&](const char* key, const char* name, std::string value) {
        all.push_back({key, name, true, std::move(value), 0});
    };
    auto dword = [&](const char* key, const char* name, uint32_t value) {
        all.push_back({key, name, false, "", value});
    };
    auto secret = [](const std::string& plain) { return plain.empty() ? "(empty)" : "(set)"; };
    std::string user;
    std::string password;
    text(kCorvent, "CentralServer", GetCentralServer());
    text(kZRSync, "TimeServer", GetTimeServer());
    text(kCorvent, "CommonSettingsUncRoot", GetCommonSettingsUncRoot());
    GetShareCredentials(&user, &password);
    text(kCorvent, "CommonSettingsShareUsername", user);
    text(kCorvent, "CommonSettingsSharePassword", secret(password));
    GetTimeServerCredentials(&user, &password);
    text(kCorvent, "TimeServerUsername", user);
    text(kCorvent, "TimeServerPassword", secret(password));
    dword(kCorvent, "CommonSettingsCacheEnabled", IsCommonSettingsCacheEnabled());
    dword(kCorvent, "MachineIsCommonSettingsHost", IsMachineCommonSettingsHost());
    dword(kCorvent, "CacheDownloadOnlyEnabled", IsCacheDownloadOnlyEnabled());
    dword(kCorvent, "CacheDownloadOnlyForCustomFoldersEnabled",
          IsCacheDownloadOnlyForCustomFoldersEnabled());
    dword(kCorvent, "CacheBackupEnabled", IsCacheBackupEnabled());
    dword(kCorvent, "BackgroundScanningEnabled", IsBackgroundScanningEnabled());
    dword(kCorvent, "BackgroundScanningFrequencyInSeconds",
          GetBackgroundScanningFrequencyInSeconds());
    dword(kCorvent, "CacheSessionLockingEnabled", IsCacheSessionLockingEnabled());
    dword(kCorvent, "ScanningDisabledDueToTimeSync", IsScanningDisabledDueToTimeSync());
    dword(kZRSync, "NetworkTimeSyncEnabled", IsNetworkTimeSyncEnabled());
    dword(kZRSync, "NetworkTimeSyncAdaptiveAlgorithmEnabled",
          IsNetworkTimeSyncAdaptiveAlgorithmEnabled());
    dword(kZRSync, "NetworkTimeSyncBasePeriodInMinutes", GetNetworkTimeSyncBasePeriodInMinutes());
    dword(kZRSync, "NetworkTimeSyncPeriodInMinutes", GetNetworkTimeSyncPeriodInMinutes());
    dword(kZRSync, "NetworkTimeSyncThresholdInMs", GetNetworkTimeSyncThresholdInMs());
    text(RegKeys::kEventCom, "MachineFriendlyName", GetMachineFriendlyName());
    dword(RegKeys::kLocalSettings, "ClockDesyncForwardThresholdInMinutes",
          GetClockDesyncForwardThresholdInMinutes());
    dword(RegKeys::kLocalSettings, "ClockDesyncBackwardThresholdInMinutes",
          GetClockDesyncBackwardThresholdInMinutes());
    dword(RegKeys::kGeneral, "RegVer", GetRegVer());
    text(RegKeys::kTimeCommands, "SetTimeCommand", GetSetTimeCommand());
    text(RegKeys::kTimeCommands, "StopTimeServiceCommand", GetStopTimeServiceCommand());
    text(RegKeys::kTimeCommands, "StartTimeServiceCommand", GetStartTimeServiceCommand());
    return all;
}

}  // namespace ZRSYNC
