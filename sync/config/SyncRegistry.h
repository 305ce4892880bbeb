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
bool IsLocalMachineName(const std::string& name);

// --- Software\Corvent ---
std::string GetCentralServer();
// "\\<central server>\Wavelore" when the central server is another machine, else empty;
// the default is also written when the stored value is empty and the default is not.
std::string GetCommonSettingsUncRoot();
void SetCommonSettingsUncRoot(const std::string& root);
void GetShareCredentials(std::string* user, std::string* password);
void SetShareCredentials(const std::string& user, const std::string& password);
void SetShareCredentialsToDefaultAccount();
void ClearShareCredentials();
void GetTimeServerCredentials(std::string* user, std::string* password);
void SetTimeServerCredentials(const std::string& user, const std::string& password);
void SetTimeServerCredentialsToDefaultAccount();

bool IsCommonSettingsCacheEnabled();
bool IsMachineCommonSettingsHost();
bool IsCacheDownloadOnlyEnabled();
bool IsCacheDownloadOnlyForCustomFoldersEnabled();
bool IsCacheBackupEnabled();
void SetCacheBackupEnabled(bool enabled);
bool IsBackgroundScanningEnabled();
void SetBackgroundScanningEnabled(bool enabled);
uint32_t GetBackgroundScanningFrequencyInSeconds();
void SetBackgroundScanningFrequencyInSeconds(uint32_t seconds);
bool IsCacheSessionLockingEnabled();
void SetCacheSessionLockingEnabled(bool enabled);
void SetCacheDownloadOnlyEnabled(bool enabled);
bool IsScanningDisabledDueToTimeSync();
void SetScanningDisabledDueToTimeSync(bool disabled);

// --- Network time (see above for where they live) ---
std::string GetTimeServer();
bool IsNetworkTimeSyncEnabled();
void SetNetworkTimeSyncEnabled(bool enabled);
bool IsNetworkTimeSyncAdaptiveAlgorithmEnabled();
// Values below 2 read as 2.
uint32_t GetNetworkTimeSyncBasePeriodInMinutes();
// Stored 0xFFFFFFFF ("never") reads as 2147483647; other values below 2 read as 2.
uint32_t GetNetworkTimeSyncPeriodInMinutes();
// 2147483647 is stored as 0xFFFFFFFF, other values below 2 as 2.
void SetNetworkTimeSyncPeriodInMinutes(uint32_t minutes);
// Values below 10 read as 10.
uint32_t GetNetworkTimeSyncThresholdInMs();
constexpr uint32_t kPeriodNever = 2147483647u;

// --- Software\Corvent\ZRSync\LocalSettings, General, ActiveCfg, Components ---
uint32_t GetClockDesyncForwardThresholdInMinutes();
uint32_t GetClockDesyncBackwardThresholdInMinutes();
void SetClockDesyncThresholds(uint32_t forwardMinutes, uint32_t backwardMinutes);
uint32_t GetRegVer();
void SetRegVer(uint32_t version);
std::string GetMachineFriendlyName();

// --- The Linux commands that stand in for the Windows time commands ---
// "SetTimeCommand" (string, one %s for the server), default chronyd -q "server %s iburst".
std::string GetSetTimeCommand();
// "StopTimeServiceCommand", default "timedatectl set-ntp false".
std::string GetStopTimeServiceCommand();
// "StartTimeServiceCommand", default "timedatectl set-ntp true".
std::string GetStartTimeServiceCommand();

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
std::vector<SettingEntry> ReadAllSettings();

}  // namespace ZRSYNC
