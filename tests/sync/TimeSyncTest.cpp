// Network time synchronisation on the fake clock: every set-time command steps the test
// Env's wall clock by a planned offset.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "testing/log/LogCapture.h"
#include "sync/config/SyncRegistry.h"
#include "sync/time/TimeSync.h"
#include "sync/time/TimeSyncSimulation.h"
#include "tests/sync/SyncTestServices.h"

using namespace ZRSYNC;

namespace {

class TimeSyncTest : public ::testing::Test {
  protected:
    sync_test::SyncWorld w;
    bool reachable = true;
    int64_t step = 0;
    std::vector<std::string> events;
    kitroster::AppServices PingServices() {
        kitroster::AppServices s = sync_test::WithEnv(&w.server, &w.registry, &w.identity);
        s.ping = [this](const char*, int) { return reachable; };
        return s;
    }
    CAppServicesOverride m_ping{PingServices()};
    SyncTimeState state = SyncTimeState::Fresh();

    void SetUp() override {
        w.launcher.onRun = [this](const kitroster::ProcessRequest&) {
            w.env.SetSystemTime(w.env.GetSystemTimeAsFileTime() + step * 10000);
            w.env.AdvanceTime(20);  // the command takes a while on both clocks
        };
    }
    HRESULT Sync(int64_t offsetMs, const std::string& server = "timesrv") {
        step = offsetMs;
        return SynchronizeTimeWithServer(server, &state, false,
                                         [this](const std::string& t) { events.push_back(t); });
    }
    void Adaptive(uint32_t period) {
        w.registry.SetDword(RegKeys::kZRSync, "NetworkTimeSyncAdaptiveAlgorithmEnabled", 1);
        SetNetworkTimeSyncPeriodInMinutes(period);
        state.periodReset = true;
        state.firstDone = true;
    }
};

TEST_F(TimeSyncTest, RefusedServers) {
    struct Case {
        std::string server;
        bool reachable;
        HRESULT hr;
        const char* message;
    } cases[] = {
        {"(local)", true, E_INVALIDARG, "Attempt to synchronize with self ((local))"},
        {"Ws01", true, E_INVALIDARG, "Attempt to synchronize with self (Ws01)"},
        {"srv \"x\"", true, E_INVALIDARG, "not a host name"},
        {"-q", true, E_INVALIDARG, "not a host name"},
        {"timesrv", false, S_FALSE, "Server timesrv is not reachable!"},
    };
    for (const Case& c : cases) {
        reachable = c.reachable;
        CLogCapture log("ZRSYNC_ZRSYNCCOMMON=0x2d");
        EXPECT_EQ(Sync(0, c.server), c.hr);
        EXPECT_EQ(state.lastResult, c.hr);
        EXPECT_TRUE(log.Contains(c.message)) << c.message;
    }
    EXPECT_TRUE(w.launcher.requests.empty()) << "nothing ran";
}

TEST_F(TimeSyncTest, CommandFromTheRegistryAndFaultRateLimit) {
    EXPECT_EQ(Sync(100), S_OK);
    EXPECT_EQ(w.launcher.requests[0].argv,
              (std::vector<std::string>{"chronyd", "-q", "server timesrv iburst"}));
    EXPECT_EQ(state.lastOffsetMs, 100);
    w.registry.SetString(RegKeys::kTimeCommands, "SetTimeCommand", "ntpdig -S %s %n");
    Sync(0);
    EXPECT_EQ(w.launcher.requests[1].argv,
              (std::vector<std::string>{"ntpdig", "-S", "timesrv", "%n"}));

    CLogCapture log("ZRSYNC_ZRSYNCCOMMON=0x2d");
    for (int i = 0; i < 3; ++i) {
        w.launcher.Exit(5);
        EXPECT_EQ(Sync(0), static_cast<HRESULT>(0x80070005));
    }
    EXPECT_EQ(log.Count("!FAULT! ntpdig -S timesrv %n (0x80070005)"), 1u);
    w.env.AdvanceTime(300000);
    w.launcher.Exit(5);
    Sync(0);
    EXPECT_EQ(log.Count("(0x80070005)"), 2u) << "a new five-minute window";
}

TEST_F(TimeSyncTest, ThreeJumpsInARowStopSynchronisation) {
    EXPECT_EQ(Sync(6000), S_OK);
    EXPECT_TRUE(state.history.empty()) << "the first success only counts as done";
    Sync(4000);
    EXPECT_EQ(state.history, (std::deque<bool>{false}));
    CLogCapture log("ZRSYNC_ZRSYNCCOMMON=0x2d");
    Sync(6000);
    Sync(-6000);
    EXPECT_FALSE(state.inconsistent);
    EXPECT_EQ(Sync(6000), S_FALSE);
    EXPECT_TRUE(state.inconsistent);
    EXPECT_TRUE(log.Contains("indicates that there is an inconsistency", ZRLOG_FAILURE));
    const size_t runs = w.launcher.requests.size();
    EXPECT_EQ(Sync(0), S_FALSE);
    EXPECT_EQ(w.launcher.requests.size(), runs) << "stopped until restart";
}

TEST_F(TimeSyncTest, AdaptivePeriod) {
    struct Case {
        uint32_t period;
        std::vector<int64_t> steps;
        uint32_t periodAfter;
        const char* message;
    } cases[] = {
        {60, {40, 40}, 30, "adjusting sync period to 30 minutes (from 60 minutes)"},
        {60, {10, 10}, 120, "adjusting sync period to 120 minutes (from 60 minutes)"},
        {256, {10, 10}, 256, "maximum adaptive period reached (256 minutes)"},
        {2, {40, 40}, 2, "minimum adaptive period reached (2 minutes)"},
        {60, {40, 20, 40}, 60, nullptr},  // 20 ms resets the trend
        {60, {-40, 40}, 30, nullptr},
    };
    for (const Case& c : cases) {
        state = SyncTimeState::Fresh();
        Adaptive(c.period);
        events.clear();
        CLogCapture log("ZRSYNC_ZRSYNCCOMMON=0x2d");
        for (int64_t s : c.steps)
            EXPECT_EQ(Sync(s), S_OK);
        EXPECT_EQ(GetNetworkTimeSyncPeriodInMinutes(), c.periodAfter) << c.period;
        if (c.message) {
            EXPECT_TRUE(log.Contains(c.message)) << c.message;
        }
    }
    EXPECT_NE(std::find(events.begin(), events.end(),
                        "SynchronizeTimeWithServer(timesrv) adjusting sync period to 30 minutes "
                        "(from 60 minutes)"),
              events.end())
        << "the period change goes to the event log";

    // The first adaptive run resets to the base period and does not adapt.
    state = SyncTimeState::Fresh();
    SetNetworkTimeSyncPeriodInMinutes(60);
    Sync(40);
    Sync(40);
    EXPECT_EQ(GetNetworkTimeSyncPeriodInMinutes(), 8u);
    EXPECT_EQ(state.trend, -1);
}

TEST_F(TimeSyncTest, SuccessReportsAndStepTexts) {
    Sync(-90000);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(
        events[0],
        "Successfully synchronized clock with server timesrv. Client was 1.5 minutes ahead of "
        "timesrv.");
    Sync(10);
    EXPECT_EQ(events.size(), 1u) << "reported already in this window";
    w.env.AdvanceTime(600000);
    Sync(10);
    EXPECT_EQ(events.size(), 2u);
    EXPECT_NE(events[1].find("Client was 10 milliseconds behind timesrv."), std::string::npos);
    Sync(7000);
    EXPECT_EQ(events.size(), 3u) << "a jump is always reported";

    struct Case {
        int64_t ms;
        const char* text;
    } cases[] = {{1500, "1.5 seconds"},         {999, "999 milliseconds"}, {-90000, "1.5 minutes"},
                 {25LL * 3600000, ">24 hours"}, {-7200000, "2.0 hours"},   {0, "0 milliseconds"}};
    for (const Case& c : cases)
        EXPECT_EQ(FormatClockStep(c.ms), c.text) << c.ms;
}

TEST_F(TimeSyncTest, SwitchingBetweenNetworkSyncAndTheSystemService) {
    ConfigureForNetworkTimeSync(true);  // "TimeServer" is "(local)"
    EXPECT_FALSE(IsNetworkTimeSyncEnabled());
    ASSERT_EQ(w.launcher.requests.size(), 2u);
    EXPECT_EQ(w.launcher.requests[0].argv,
              (std::vector<std::string>{"timedatectl", "set-ntp", "false"}));
    EXPECT_EQ(w.launcher.requests[1].argv,
              (std::vector<std::string>{"timedatectl", "set-ntp", "true"}));

    w.registry.SetString(RegKeys::kZRSync, "TimeServer", "timesrv");
    ConfigureForNetworkTimeSync(true);
    EXPECT_TRUE(IsNetworkTimeSyncEnabled());
    EXPECT_EQ(w.launcher.requests.size(), 3u);
    std::string type;
    w.registry.QueryString(RegKeys::kW32TimeParameters, "Type", &type);
    EXPECT_EQ(type, "NoSync");

    auto adjust = CSyncTimeAdjust::CreateInstance();
    EXPECT_EQ(w.launcher.requests.size(), 4u) << "enabled: the system service is stopped";
    EXPECT_EQ(adjust->GetServer(), "timesrv");
    SetNetworkTimeSyncPeriodInMinutes(0);
    EXPECT_EQ(adjust->GetPeriodMs(), 120000u);
    SetNetworkTimeSyncPeriodInMinutes(kPeriodNever);
    EXPECT_EQ(adjust->GetPeriodMs(), 0xFFFFFFFFu);
    SetNetworkTimeSyncEnabled(false);
    EXPECT_EQ(adjust->Synchronize(), S_FALSE);
    EXPECT_EQ(adjust->GetState().lastResult, S_FALSE);
}

// The service sets the clock as itself: the share account is neither logged on, nor
// run as, nor switched to or cleared when the command fails.
TEST_F(TimeSyncTest, TheServiceSetsTheClockAsItself) {
    w.registry.SetString(RegKeys::kZRSync, "TimeServer", "timesrv");
    SetNetworkTimeSyncEnabled(true);
    struct Case {
        std::string storedUser;
        uint32_t exit;
        HRESULT hr;
    } cases[] = {
        {"op", 0, S_OK},
        {"op", 1, static_cast<HRESULT>(0x80070001)},
        {"", 5, static_cast<HRESULT>(0x80070005)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.storedUser + "/" + std::to_string(c.exit));
        SetShareCredentials(c.storedUser, "pw");
        auto adjust = CSyncTimeAdjust::CreateForReading();
        w.launcher.requests.clear();
        w.logon.users.clear();
        w.launcher.Exit(c.exit);
        EXPECT_EQ(adjust->Synchronize(), c.hr);
        ASSERT_EQ(w.launcher.requests.size(), 1u) << "no retry as another account";
        EXPECT_FALSE(w.launcher.requests[0].runAs.has_value());
        EXPECT_TRUE(w.logon.users.empty());
        std::string user, password;
        GetShareCredentials(&user, &password);
        EXPECT_EQ(user, c.storedUser) << "the share credentials are left as they are";
    }
}

// Random offset sequences: the adaptive period stays within 2..256, and three jumps in a
// row (after the first success) always stop synchronisation.
TEST_F(TimeSyncTest, AdaptivePeriodProperty) {
    std::mt19937_64 random(12);
    std::uniform_int_distribution<int> kind(0, 3);
    w.registry.SetDword(RegKeys::kZRSync, "NetworkTimeSyncAdaptiveAlgorithmEnabled", 1);
    for (int sequence = 0; sequence < 300; ++sequence) {
        state = SyncTimeState::Fresh();
        SetNetworkTimeSyncPeriodInMinutes(60);
        int jumpsInARow = 0;
        bool stopped = false;
        for (int run = 0; run < 25; ++run) {
            int64_t offset = 0;
            switch (kind(random)) {
                case 0:
                    offset = static_cast<int64_t>(random() % 10);
                    break;
                case 1:
                    offset = static_cast<int64_t>(random() % 200) - 100;
                    break;
                case 2:
                    offset = static_cast<int64_t>(random() % 4000) - 2000;
                    break;
                default:
                    offset =
                        (random() % 2 ? 1 : -1) * (5021 + static_cast<int64_t>(random() % 50000));
            }
            const size_t before = w.launcher.requests.size();
            const bool wasFirst = !state.firstDone;
            Sync(offset);
            if (stopped) {
                ASSERT_EQ(w.launcher.requests.size(), before) << "ran after it stopped";
                continue;
            }
            if (!wasFirst)
                jumpsInARow = std::abs(offset) > 5000 ? jumpsInARow + 1 : 0;
            const uint32_t period = GetNetworkTimeSyncPeriodInMinutes();
            ASSERT_GE(period, 2u);
            ASSERT_LE(period, 256u);
            ASSERT_EQ(state.inconsistent, jumpsInARow >= 3) << sequence << "/" << run;
            stopped = state.inconsistent;
        }
    }
}

TEST_F(TimeSyncTest, SimulationStepsAClockOnAPrivateCopyOfTheSettings) {
    w.registry.SetDword(RegKeys::kZRSync, "NetworkTimeSyncAdaptiveAlgorithmEnabled", 1);
    SetNetworkTimeSyncPeriodInMinutes(60);
    const std::string before = w.registry.ExportRegedit4();
    CLogCapture log("*=0x2d");
    std::vector<SimulatedRun> runs = SimulateTimeSync({40, 40, 40}, "timesrv");
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_EQ(runs[0].periodMinutes, 8u) << "reset to the base period";
    EXPECT_EQ(runs[2].periodMinutes, 4u);
    EXPECT_EQ(runs[2].result, S_OK);
    EXPECT_FALSE(runs[2].eventLog.empty());
    EXPECT_EQ(w.registry.ExportRegedit4(), before) << "the settings are left as they were";
    EXPECT_EQ(GetNetworkTimeSyncPeriodInMinutes(), 60u);
    for (const CLogCapture::Entry& e : log.Entries())
        EXPECT_NE(e.component, "EVENTLOG") << "captured, not written: " << e.text;
    EXPECT_TRUE(w.launcher.requests.empty()) << "no real command";
}

// Reading the state leaves the system's time service and the settings alone; only the
// service's own instance takes the clock over.
TEST_F(TimeSyncTest, ReadingTheStateChangesNothing) {
    w.registry.SetString(RegKeys::kZRSync, "TimeServer", "timesrv");
    SetNetworkTimeSyncEnabled(true);
    GetNetworkTimeSyncPeriodInMinutes();
    const std::string before = w.registry.ExportRegedit4();
    auto reader = CSyncTimeAdjust::CreateForReading();
    EXPECT_TRUE(reader->IsEnabled());
    EXPECT_EQ(reader->GetPeriodMs(), 3600000u);
    reader->GetState();
    EXPECT_TRUE(w.launcher.requests.empty()) << "no stop-time-service command";
    EXPECT_EQ(w.registry.ExportRegedit4(), before) << "no service type written";
    CSyncTimeAdjust::CreateInstance();
    EXPECT_EQ(w.launcher.requests.size(), 1u) << "the service's instance stops it";
}

}  // namespace
