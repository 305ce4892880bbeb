// The machine-wide registry values that configure settings synchronisation: keys, value
// names, types and defaults, and one reader (and, where the system changes it, one
// writer) per value.
//
// Every reader opens its key with create; a missing value is written back with its
// default. Booleans are DWORD 0 or 1, and any value other than 0 reads as true.
//
// The network time values ("NetworkTimeSync...", "TimeServer") are read and written
// under "Software\Corvent\ZRSync"; when that key has no such value, one stored under
// "Software\Corvent" (where older installations kept them) is read instead, and only
// when neither has it is the default written, under "Software\Corvent\ZRSync".
//
// The registry and this machine's name come from the application object.
// Thread-safety: the functions keep no state; the registry serialises access.
#pragma once

#include "base/KitrosterExport.h"

#include <cstdint>
#include <string>
#include <vector>

namespace ZRSYNC {

namespace RegKeys {
constexpr const char* kCorvent = "Software\\Corvent";
constexpr const char* kZRSync = "Software\\Corvent\\ZRSync";
constexpr const char* kLocalSettings = "Software\\Corvent\\ZRSync\\LocalSettings";
constexpr const char* kGeneral = "Software\\Corvent\\ZRSync\\General";
constexpr const char* kActiveCfg = "Software\\Corvent\\ZRSync\\ActiveCfg";
constexpr const char* kComponents = "Software\\Corvent\\ZRSync\\Components";
constexpr const char* kEventCom = "Software\\Corvent\\EventCOM";
constexpr const char* kTimeCommands = "Software\\Corvent\\ZRSync\\TimeCommands";
constexpr const char* kW32TimeParameters =
    "SYSTEM\\CurrentControlSet\\Services\\W32Time\\Parameters";
}  // namespace RegKeys

// Names the catalogue offers to other users of the registry.
namespace RegNames {
constexpr const char* kInstallationType = "InstallationType";
constexpr const char* kRegVersion = "RegVersion";
constexpr const char* kDBServer = "DBServer";
constexpr const char* kActiveCfg = "ActiveCfg";
constexpr const char* kLocalSettings = "LocalSettings";
constexpr const char* kLocalRoot = "LocalRoot";
constexpr const char* kComponents = "Components";
constexpr const char* kInitialScan = "ZRSYNC_INITIAL_SCAN_5964087F-E1D9-4d08-B484-F7DB68E16DB0";
constexpr const char* kRegistryAccessTestValue = "registryAccessTestValue";
}  // namespace RegNames

// True for an empty name, "(local)" or this computer's name, without regard to case.
KITROSTER_API bool IsLocalMachineName(const std::string& name);

// --- Software\Corvent ---
KITROSTER_API std::string GetCentralServer();
// "\\<central server>\Wavelore" when the central server is another machine, else empty;
// the default is also written when the stored value is empty and the default is not.
KITROSTER_API std::string GetCommonSettingsUncRoot();
KITROSTER_API void SetCommonSettingsUncRoot(const std::string& root);
KITROSTER_API void GetShareCredentials(std::string* user, std::string* password);
KITROSTER_API void SetShareCredentials(const std::string& user, const std::string& password);
KITROSTER_API void SetShareCredentialsToDefaultAccount();
KITROSTER_API void ClearShareCredentials();
KITROSTER_API void GetTimeServerCredentials(std::string* user, std::string* password);
KITROSTER_API void SetTimeServerCredentials(const std::string& user, const std::string& password);
KITROSTER_API void SetTimeServerCredentialsToDefaultAccount();

KITROSTER_API bool IsCommonSettingsCacheEnabled();
KITROSTER_API bool IsMachineCommonSettingsHost();
KITROSTER_API bool IsCacheDownloadOnlyEnabled();
KITROSTER_API bool IsCacheDownloadOnlyForCustomFoldersEnabled();
KITROSTER_API bool IsCacheBackupEnabled();
KITROSTER_API void SetCacheBackupEnabled(bool enabled);
KITROSTER_API bool IsBackgroundScanningEnabled();
KITROSTER_API void SetBackgroundScanningEnabled(bool enabled);
KITROSTER_API uint32_t GetBackgroundScanningFrequencyInSeconds();
KITROSTER_API void SetBackgroundScanningFrequencyInSeconds(uint32_t seconds);
KITROSTER_API bool IsCacheSessionLockingEnabled();
KITROSTER_API void SetCacheSessionLockingEnabled(bool enabled);
KITROSTER_API void SetCacheDownloadOnlyEnabled(bool enabled);
KITROSTER_API bool IsScanningDisabledDueToTimeSync();
KITROSTER_API void SetScanningDisabledDueToTimeSync(bool disabled);

// --- Network time (see above for where they live) ---
KITROSTER_API std::string GetTimeServer();
KITROSTER_API bool IsNetworkTimeSyncEnabled();
KITROSTER_API void SetNetworkTimeSyncEnabled(bool enabled);
KITROSTER_API bool IsNetworkTimeSyncAdaptiveAlgorithmEnabled();
// Values below 2 read as 2.
KITROSTER_API uint32_t GetNetworkTimeSyncBasePeriodInMinutes();
// Stored 0xFFFFFFFF ("never") reads as 2147483647; other values below 2 read as 2.
KITROSTER_API uint32_t GetNetworkTimeSyncPeriodInMinutes();
// 2147483647 is stored as 0xFFFFFFFF, other values below 2 as 2.
KITROSTER_API void SetNetworkTimeSyncPeriodInMinutes(uint32_t minutes);
// Values below 10 read as 10.
KITROSTER_API uint32_t GetNetworkTimeSyncThresholdInMs();
constexpr uint32_t kPeriodNever = 2147483647u;

// --- Software\Corvent\ZRSync\LocalSettings, General, ActiveCfg, Components ---
KITROSTER_API uint32_t GetClockDesyncForwardThresholdInMinutes();
KITROSTER_API uint32_t GetClockDesyncBackwardThresholdInMinutes();
KITROSTER_API void SetClockDesyncThresholds(uint32_t forwardMinutes, uint32_t backwardMinutes);
KITROSTER_API uint32_t GetRegVer();
KITROSTER_API void SetRegVer(uint32_t version);
KITROSTER_API std::string GetMachineFriendlyName();

// --- The Linux commands that stand in for the Windows time commands ---
// "SetTimeCommand" (string, one %s for the server), default chronyd -q "server %s iburst".
KITROSTER_API std::string GetSetTimeCommand();
// "StopTimeServiceCommand", default "timedatectl set-ntp false".
KITROSTER_API std::string GetStopTimeServiceCommand();
// "StartTimeServiceCommand", default "timedatectl set-ntp true".
KITROSTER_API std::string GetStartTimeServiceCommand();

// One value of the catalogue as `kitroster sync settings` shows it: passwords never in
// clear, "(set)" or "(empty)".
struct SettingEntry {
    std::string key;
    std::string name;
    bool isString;
    std::string text;
    uint32_t dword;
};
// Reads every value of the catalogue (writing the defaults of missing ones).
KITROSTER_API std::vector<SettingEntry> ReadAllSettings();

}  // namespace ZRSYNC
