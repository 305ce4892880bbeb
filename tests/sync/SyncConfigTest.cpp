// The registry catalogue, migration, ini import and the configurator.
#include <gtest/gtest.h>

#include "testing/log/LogCapture.h"
#include "sync/config/IniFile.h"
#include "sync/config/PasswordCipher.h"
#include "sync/config/RegistryMigration.h"
#include "sync/config/SyncConfigurator.h"
#include "sync/config/SyncConfiguratorSet.h"
#include "sync/config/SyncRegistry.h"
#include "tests/sync/SyncTestServices.h"

using namespace ZRSYNC;

namespace {

class SyncConfigTest : public ::testing::Test {
  protected:
    sync_test::SyncWorld w;
    uint32_t Dword(const char* key, const char* name) {
        uint32_t value = 0xDEADBEEF;
        w.registry.QueryDword(key, name, &value);
        return value;
    }
};

TEST_F(SyncConfigTest, ReadingWritesDefaults) {
    EXPECT_FALSE(w.registry.QueryDword(RegKeys::kCorvent, "CacheBackupEnabled", nullptr));
    EXPECT_TRUE(IsCacheBackupEnabled());
    EXPECT_EQ(Dword(RegKeys::kCorvent, "CacheBackupEnabled"), 1u);
    EXPECT_EQ(GetBackgroundScanningFrequencyInSeconds(), 600u);
    EXPECT_EQ(Dword(RegKeys::kLocalSettings, "ClockDesyncForwardThresholdInMinutes"), 0xDEADBEEF);
    EXPECT_EQ(GetClockDesyncForwardThresholdInMinutes(), 10u);
    EXPECT_EQ(Dword(RegKeys::kLocalSettings, "ClockDesyncForwardThresholdInMinutes"), 10u);

    EXPECT_EQ(GetCommonSettingsUncRoot(), "");
    w.registry.SetString(RegKeys::kCorvent, "CentralServer", "srv");
    EXPECT_EQ(GetCommonSettingsUncRoot(), "\\\\srv\\Wavelore") << "empty stored value replaced";
    w.registry.SetString(RegKeys::kCorvent, "CentralServer", "ws01");
    EXPECT_TRUE(IsLocalMachineName(GetCentralServer()));
}

TEST_F(SyncConfigTest, PasswordsAreStoredEnciphered) {
    SetShareCredentials("op", "s3cret");
    std::string stored;
    w.registry.QueryString(RegKeys::kCorvent, "CommonSettingsSharePassword", &stored);
    EXPECT_EQ(stored.substr(0, 3), "$1$");
    EXPECT_EQ(stored.find("s3cret"), std::string::npos);
    std::string user, password;
    GetShareCredentials(&user, &password);
    EXPECT_EQ(password, "s3cret");
    GetTimeServerCredentials(&user, &password);
    EXPECT_EQ(user, "zruser");
    EXPECT_EQ(password, DefaultAccountPassword());
    EXPECT_EQ(std::string(DefaultAccountPassword()).size(), 11u);
    EXPECT_EQ(DecipherPassword("$1$"), "$1$");
    EXPECT_EQ(DecipherPassword("plain"), "plain");
}

TEST_F(SyncConfigTest, NetworkTimeValuesFallBackToTheOlderKey) {
    w.registry.SetDword(RegKeys::kCorvent, "NetworkTimeSyncPeriodInMinutes", 30);
    w.registry.SetString(RegKeys::kCorvent, "TimeServer", "old");
    EXPECT_EQ(GetNetworkTimeSyncPeriodInMinutes(), 30u);
    EXPECT_EQ(GetTimeServer(), "old");
    SetNetworkTimeSyncPeriodInMinutes(90);
    EXPECT_EQ(Dword(RegKeys::kZRSync, "NetworkTimeSyncPeriodInMinutes"), 90u);
    EXPECT_EQ(GetNetworkTimeSyncPeriodInMinutes(), 90u) << "the ZRSync value wins";
    EXPECT_EQ(GetNetworkTimeSyncThresholdInMs(), 30u);
    EXPECT_EQ(Dword(RegKeys::kZRSync, "NetworkTimeSyncThresholdInMs"), 30u);
    EXPECT_EQ(Dword(RegKeys::kCorvent, "NetworkTimeSyncThresholdInMs"), 0xDEADBEEF);
}

TEST_F(SyncConfigTest, PeriodAndThresholdClamping) {
    struct Case {
        const char* name;
        uint32_t stored;
        uint32_t (*read)();
        uint32_t expected;
    } cases[] = {
        {"NetworkTimeSyncPeriodInMinutes", 0xFFFFFFFFu, &GetNetworkTimeSyncPeriodInMinutes,
         kPeriodNever},
        {"NetworkTimeSyncPeriodInMinutes", 1, &GetNetworkTimeSyncPeriodInMinutes, 2},
        {"NetworkTimeSyncBasePeriodInMinutes", 0, &GetNetworkTimeSyncBasePeriodInMinutes, 2},
        {"NetworkTimeSyncThresholdInMs", 9, &GetNetworkTimeSyncThresholdInMs, 10},
        {"NetworkTimeSyncThresholdInMs", 11, &GetNetworkTimeSyncThresholdInMs, 11},
    };
    for (const Case& c : cases) {
        w.registry.SetDword(RegKeys::kZRSync, c.name, c.stored);
        EXPECT_EQ(c.read(), c.expected) << c.name << " " << c.stored;
    }
    SetNetworkTimeSyncPeriodInMinutes(kPeriodNever);
    EXPECT_EQ(Dword(RegKeys::kZRSync, "NetworkTimeSyncPeriodInMinutes"), 0xFFFFFFFFu);
    SetNetworkTimeSyncPeriodInMinutes(0);
    EXPECT_EQ(Dword(RegKeys::kZRSync, "NetworkTimeSyncPeriodInMinutes"), 2u);
}

TEST_F(SyncConfigTest, MigrationByRegistryVersion) {
    struct Case {
        uint32_t regVer;
        uint32_t period;
        uint32_t periodAfter;
        const char* message;
    } cases[] = {
        {0, 120, 120, "first time installation detected!"},
        {1000, 120, 60, "updating default network time sync period to once per 60 minutes"},
        {1000, 30, 30, nullptr},
        {1001, 120, 120, "registry version is up to date!"},
        {7, 120, 120, nullptr},
    };
    for (const Case& c : cases) {
        SetRegVer(c.regVer);
        SetNetworkTimeSyncPeriodInMinutes(c.period);
        CLogCapture log("ZRSYNC_ZRSYNCCOMMON=0x2d");
        MigrateRegistryValues();
        EXPECT_EQ(GetRegVer(), 1001u);
        EXPECT_EQ(GetNetworkTimeSyncPeriodInMinutes(), c.periodAfter) << c.regVer;
        if (c.message) {
            EXPECT_TRUE(log.Contains(c.message)) << c.message;
        }
    }
}

TEST_F(SyncConfigTest, IniImport) {
    struct Case {
        const char* ini;
        uint32_t frequency;
    } cases[] = {{"[ZRSYNC]\nBackgroundScanningFreq=0\n", 60},
                 {"[ZRSYNC]\nBackgroundScanningFreq=300\n", 14400},
                 {"[zrsync]\r\nbackgroundscanningfreq = 10\r\n", 600},
                 {"[ZRSYNC]\nBackgroundScanningFreq=10\n[WS01]\nBackgroundScanningFreq=2\n", 120}};
    for (const Case& c : cases) {
        IniImportTable table = ImportIniText(c.ini);
        EXPECT_EQ(GetBackgroundScanningFrequencyInSeconds(), c.frequency) << c.ini;
        EXPECT_EQ(table["CacheBackupEnabled"], -1);
    }
    ImportIniText("[ZRSYNC]\nClockDesyncThreshold=5\n");
    EXPECT_EQ(GetClockDesyncForwardThresholdInMinutes(), 10u) << "index 5 changes nothing";
    IniImportTable table = ImportIniText(
        "[ZRSYNC]\nClockDesyncThreshold=1\nCacheBackupEnabled=0\nDOSAGES_ENABLED=0\n"
        "SLEEP_EVENTS_ENABLED=3\nINCLUDE_SETTINGSSLEEP=4\n");
    EXPECT_EQ(GetClockDesyncForwardThresholdInMinutes(), 5u);
    EXPECT_EQ(GetClockDesyncBackwardThresholdInMinutes(), 2u);
    EXPECT_FALSE(IsCacheBackupEnabled());
    EXPECT_EQ(table["ClockDesyncThreshold"], 1);
    EXPECT_EQ(Dword(RegKeys::kActiveCfg, "DOSAGES"), 0u);
    EXPECT_EQ(Dword(RegKeys::kActiveCfg, "SLEEP EVENTS"), 0xFFFFFFFFu);
    EXPECT_EQ(Dword(RegKeys::kComponents, "SettingsSleep"), 1u);
    CLogCapture log("ZRSYNC_ZRSYNCCOMMON=0x2d");
    EXPECT_FALSE(UseCacheForCfg("Dosages"));
    EXPECT_TRUE(log.Contains("UseCacheForCfg(Dosages) - caching mechanism overridden"));
    EXPECT_TRUE(UseCacheForCfg("MEDICATIONS"));
    EXPECT_EQ(Dword(RegKeys::kActiveCfg, "MEDICATIONS"), 0xFFFFFFFFu) << "default written back";
}

TEST_F(SyncConfigTest, IniFileFromTheSettingsRoot) {
    w.registry.SetString(RegKeys::kLocalSettings, "LocalRoot", w.dir.path());
    w.env.CreateDirectory(w.dir.Path("SettingsGeneral"));
    EXPECT_EQ(ImportIniSettings()["BackgroundScanningFreq"], -1) << "no file";
    w.env.WriteStringToFile(w.dir.Path("SettingsGeneral/zrsync.ini"),
                            "[ZRSYNC]\nBackgroundScanningFreq=7\n");
    EXPECT_EQ(ImportIniSettings()["BackgroundScanningFreq"], 7);
    EXPECT_EQ(GetBackgroundScanningFrequencyInSeconds(), 420u);
}

TEST(IniFileTest, ProfileIntegerRules) {
    CIniFile ini("; comment\n[S]\na=12\nb= -3 \nc=x1\nd=0x1F\ne=7junk\na=99\nnoequals\n[T\nf=1");
    EXPECT_EQ(ini.GetInt("S", "a", -1), 12) << "first occurrence wins";
    EXPECT_EQ(ini.GetInt("s", "B", -1), -3);
    EXPECT_EQ(ini.GetInt("S", "c", -1), 0);
    EXPECT_EQ(ini.GetInt("S", "d", -1), 31);
    EXPECT_EQ(ini.GetInt("S", "e", -1), 7);
    EXPECT_EQ(ini.GetInt("S", "missing", -1), -1);
    EXPECT_EQ(ini.GetInt("T", "f", -1), 1);
    EXPECT_EQ(CIniFile("a=1\n").GetInt("", "a", -1), -1) << "entries need a section";
}

TEST_F(SyncConfigTest, ConfiguratorPaths) {
    w.registry.SetString(RegKeys::kLocalSettings, "LocalRoot", "C:\\Wave\\");
    auto local = CSyncConfigurator::CreateInstance("Notes");
    EXPECT_EQ(local->localManifestPath(), "C:\\Wave\\Notes_manifest.mfs");
    EXPECT_EQ(local->localDir(), "C:\\Wave\\Notes");
    EXPECT_EQ(local->centralDir(), "C:\\Wave\\Notes");
    EXPECT_EQ(local->centralServerName(), "");
    EXPECT_TRUE(local->isCentralDirSameAsLocalDir());
    EXPECT_FALSE(local->isCentralRepositoryRemote());

    w.registry.SetString(RegKeys::kCorvent, "CentralServer", "srv");
    auto central = CSyncConfigurator::CreateInstance("Notes");
    EXPECT_EQ(central->centralDir(), "\\\\srv\\Wavelore\\Notes");
    EXPECT_EQ(central->centralRoot(), "\\\\srv\\Wavelore");
    EXPECT_EQ(central->centralServerName(), "SRV");
    EXPECT_TRUE(central->isCentralRepositoryRemote());
    EXPECT_FALSE(central->isDownloadOnly());
    EXPECT_TRUE(central->getUserFlag());
    CLogCapture log("ZRSYNC_ZRSYNCCOMMON=0x2d");
    central->set_CentralDir("\\\\other\\share\\Notes");
    EXPECT_TRUE(log.Contains(
        "specified server name (SRV) does not correspond to the UNC path name (OTHER)!"));

    auto sleep = CSyncConfigurator::CreateForStudyMode(11);
    EXPECT_EQ(sleep->localManifestPath(), "C:\\Wave\\SettingsSleep_manifest.mfs");
    EXPECT_EQ(sleep->localDir(), "C:\\Wave\\SettingsSleep");
    EXPECT_EQ(sleep->centralDir(), "\\\\srv\\Wavelore\\SettingsSleep");
    EXPECT_EQ(CSyncConfigurator::CreateForStudyMode(3)->localManifestPath(),
              "C:\\Wave\\Settings_manifest.mfs");
    SetCacheDownloadOnlyEnabled(true);
    EXPECT_TRUE(sleep->isDownloadOnly());
    EXPECT_FALSE(central->isDownloadOnly()) << "named folders use the custom-folder switch";

    auto set = CSyncConfiguratorSet::CreateInstance();
    set->MoveEnd();
    set->Insert({NResourceItem::CZRauto_ptr<ISyncConfigurator>(sleep.get())});
    EXPECT_EQ(set->GetCurrent().configurator->getStudyMode(), 11u);
}

TEST_F(SyncConfigTest, CredentialsByMode) {
    auto c = CSyncConfigurator::CreateInstance("Notes");
    w.env.SetProcessId(777);
    // Root: the share user's login in mode 0; mode 1 always by process.
    EXPECT_FALSE(c->get_CentralRespositoryCredentials(0)->IsProcessCredentials());
    auto byPid = c->get_CentralRespositoryCredentials(1);
    EXPECT_TRUE(byPid->IsProcessCredentials());
    EXPECT_EQ(byPid->GetProcessId(), 777);
    w.identity.uid = 1000;
    w.identity.user = "alice";
    EXPECT_TRUE(c->get_CentralRespositoryCredentials(0)->IsProcessCredentials());
    w.identity.user = "ZRUSER";
    auto login = c->get_CentralRespositoryCredentials(0);
    EXPECT_EQ(*login->GetUserName(), "zruser");
    EXPECT_EQ(*login->GetPassword(), DefaultAccountPassword());
}

TEST_F(SyncConfigTest, CreateDirectoriesThrowsTheFailure) {
    w.registry.SetString(RegKeys::kLocalSettings, "LocalRoot", w.dir.path());
    auto c = CSyncConfigurator::CreateInstance("Notes");
    EXPECT_EQ(c->createDirectoriesAsNeeded(), S_OK);
    EXPECT_TRUE(w.env.FileExists(w.dir.Path("Notes")));
    auto other = CSyncConfigurator::CreateInstance("Other");
    w.env.FailFrom(kitroster::EnvOp::kCreateDirectory, 1, kitroster::kErrorAccessDenied);
    try {
        other->createDirectoriesAsNeeded();
        FAIL() << "no exception";
    } catch (const CZRException& e) {
        EXPECT_EQ(e.GetCode(), ZRSYNC_E_CREATE_DIRECTORY);
        EXPECT_NE(e.GetText().find("failed to create local directory"), std::string::npos);
    }
    EXPECT_EQ(other->GetLastErrorObject().GetCode(), ZRSYNC_E_CREATE_DIRECTORY);
    EXPECT_THROW(other->CheckLastError(), CZRException);
}

}  // namespace
