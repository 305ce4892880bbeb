#include "sync/config/RegistryMigration.h"

#include "common/SplitPath.h"
#include "platform/app/KitrosterApp.h"
#include "platform/env/Env.h"
#include "platform/registry/Registry.h"
#include "sync/SyncLog.h"
#include "sync/config/IniFile.h"
#include "sync/config/SyncConfigurator.h"
#include "sync/config/SyncRegistry.h"

namespace ZRSYNC {

namespace {

constexpr const char* kModule = "MachineMgrConstants";
constexpr uint32_t kCurrentRegVer = 1001;
constexpr size_t kMaxIniBytes = 1024 * 1024;

std::string Upper(std::string text) {
    CString upper(text);
    upper.MakeUpper();
    return upper.GetString();
}

}  // namespace

void MigrateRegistryValues() {
    const uint32_t version = GetRegVer();
    if (version == kCurrentRegVer) {
        ZRSYNC_LOG(kModule, ZRLOG_DETAIL,
                   "MigrateRegistryValues() - registry version is up to date!");
        return;
    }
    if (version == 0) {
        ZRSYNC_LOG(kModule, ZRLOG_INFO,
                   "MigrateRegistryValues() - first time installation detected!");
    } else if (version == 1000 && GetNetworkTimeSyncPeriodInMinutes() > 60) {
        ZRSYNC_LOG(kModule, ZRLOG_WARNING,
                   "MigrateRegistryValues() - updating default network time sync period to once "
                   "per %d minutes after bootup!",
                   60);
        SetNetworkTimeSyncPeriodInMinutes(60);
    }
    SetRegVer(kCurrentRegVer);
}

const std::vector<std::string>& ConfigurationTitles() {
    static const std::vector<std::string> titles = {"ACQUISITION NOTES", "BIOLOGICAL CALIBRATION",
                                                    "DOSAGES",           "MEDICATIONS",
                                                    "REVIEW NOTES",      "SLEEP EVENTS"};
    return titles;
}

const std::vector<std::string>& SynchronisedCategories() {
    static const std::vector<std::string> categories = {"SettingsGeneral", "SettingsSleep"};
    return categories;
}

bool UseCacheForCfg(const char* title) {
    const std::string name = Upper(title ? title : "");
    if (GetKitrosterApp().GetRegistry().GetDword(RegKeys::kActiveCfg, name, 0xFFFFFFFFu) != 0)
        return true;
    ZRSYNC_LOG(kModule, ZRLOG_INFO,
               "UseCacheForCfg(%s) - caching mechanism overridden for this cfg title!",
               title ? title : "");
    return false;
}

IniImportTable ImportIniText(const std::string& text) {
    IniImportTable table;
    for (const char* key :
         {"BackgroundScanningFreq", "BackgroundScanningEnabled", "CacheSessionLockingEnabled",
          "CacheBackupEnabled", "CacheDownloadOnlyEnabled", "ClockDesyncThreshold",
          "CacheWaveCfgEnabled", "SyncCategoriesEnabled", "NetworkTimeSyncEnabled",
          "NetworkTimeSyncPeriod"}) {
        table[key] = -1;
    }
    const CIniFile ini(text);
    const std::string computer = Upper(GetKitrosterApp().GetIdentity().GetComputerName());
    // The computer's own section wins over the common one; -1 means "not there".
    auto lookUp = [&](const std::string& key) {
        int value = ini.GetInt(computer, key, -1);
        return value != -1 ? value : ini.GetInt("ZRSYNC", key, -1);
    };
    kitroster::CRegistry& registry = GetKitrosterApp().GetRegistry();

    if (int minutes = lookUp("BackgroundScanningFreq"); minutes != -1) {
        const uint32_t seconds = minutes < 1     ? 60u
                                 : minutes > 240 ? 14400u
                                                 : static_cast<uint32_t>(minutes) * 60u;
        SetBackgroundScanningFrequencyInSeconds(seconds);
        table["BackgroundScanningFreq"] = minutes;
    }
    struct Switch {
        const char* key;
        void (*write)(bool);
    } switches[] = {{"BackgroundScanningEnabled", &SetBackgroundScanningEnabled},
                    {"CacheSessionLockingEnabled", &SetCacheSessionLockingEnabled},
                    {"CacheBackupEnabled", &SetCacheBackupEnabled},
                    {"CacheDownloadOnlyEnabled", &SetCacheDownloadOnlyEnabled}};
    for (const Switch& s : switches) {
        if (int value = lookUp(s.key); value != -1) {
            s.write(value != 0);
            table[s.key] = value;
        }
    }
    if (int index = lookUp("ClockDesyncThreshold"); index != -1) {
        static const uint32_t pairs[][2] = {{2, 1}, {5, 2}, {10, 5}, {20, 10}, {30, 15}};
        if (index >= 0 && index < 5) {
            SetClockDesyncThresholds(pairs[index][0], pairs[index][1]);
            table["ClockDesyncThreshold"] = index;
        }
    }
    for (const std::string& title : ConfigurationTitles()) {
        std::string key = title;
        for (char& c : key) {
            if (c == ' ')
                c = '_';
        }
        if (int value = lookUp(Upper(key) + "_ENABLED"); value != -1) {
            registry.SetDword(RegKeys::kActiveCfg, Upper(title), value == 0 ? 0u : 0xFFFFFFFFu);
            table["CacheWaveCfgEnabled"] = value;
        }
    }
    for (const std::string& category : SynchronisedCategories()) {
        if (int value = lookUp("INCLUDE_" + Upper(category)); value != -1) {
            registry.SetDword(RegKeys::kComponents, category, value != 0 ? 1u : 0u);
            table["SyncCategoriesEnabled"] = value;
        }
    }
    return table;
}

IniImportTable ImportIniSettings() {
    kitroster::Env* env = GetKitrosterApp().GetEnv();
    const std::string folder = CSyncConfigurator::LocalSettingsRoot() + "SettingsGeneral";
    const std::string path = SplitPath(folder.c_str(), "zrsync.ini").GetFullPath().GetString();
    std::string text;
    kitroster::FileInfo info;
    if (!env->GetFileInfo(path, &info).ok() || info.isDirectory || info.size > kMaxIniBytes ||
        !env->ReadFileToString(path, &text).ok()) {
        text.clear();
    }
    return ImportIniText(text);
}

}  // namespace ZRSYNC
