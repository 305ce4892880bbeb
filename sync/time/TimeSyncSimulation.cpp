#include "sync/time/TimeSyncSimulation.h"

#include <atomic>

#include "platform/app/KitrosterApp.h"
#include "platform/env/Env.h"
#include "platform/registry/Registry.h"
#include "sync/SyncLog.h"
#include "sync/config/SyncRegistry.h"
#include "sync/machine/MachineServices.h"
#include "sync/time/TimeSync.h"

namespace ZRSYNC {

namespace {

// The real Env with a wall clock that the simulated commands step.
class CSteppedClockEnv : public kitroster::EnvWrapper {
  public:
    explicit CSteppedClockEnv(kitroster::Env* target) : EnvWrapper(target) {}
    uint64_t GetSystemTimeAsFileTime() override {
        return target()->GetSystemTimeAsFileTime() + static_cast<uint64_t>(m_stepped.load());
    }
    void Step(int64_t milliseconds) { m_stepped += milliseconds * 10000; }

  private:
    std::atomic<int64_t> m_stepped{0};
};

// Every command "sets the clock": it steps the simulated clock by the planned offset.
class CSteppingLauncher : public kitroster::IProcessLauncher {
  public:
    explicit CSteppingLauncher(CSteppedClockEnv* env) : m_env(env) {}
    int64_t next = 0;
    kitroster::ProcessOutcome Run(const kitroster::ProcessRequest&) override {
        m_env->Step(next);
        return {true, 0, 0};
    }

  private:
    CSteppedClockEnv* m_env;
};

class CNoLogon : public kitroster::ILogon {
  public:
    bool LogonUser(const std::string&, const std::string&, kitroster::LogonAccount*,
                   uint32_t* systemError) override {
        *systemError = kitroster::kErrorLogonFailure;
        return false;
    }
};

}  // namespace

std::vector<SimulatedRun> SimulateTimeSync(const std::vector<int64_t>& offsetsMs,
                                           const std::string& server) {
    // The settings as they are now, in a private in-memory store the runs may change.
    kitroster::CRegistry settings(":memory:");
    std::string error;
    if (!settings.ImportRegedit4(GetKitrosterApp().GetRegistry().ExportRegedit4(), &error)) {
        ZRSYNC_LOG("SyncTimeCheck", ZRLOG_WARNING,
                   "SimulateTimeSync() - the settings could not be copied (%s); simulating "
                   "with the defaults",
                   error.c_str());
    }
    CSteppedClockEnv env(GetKitrosterApp().GetEnv());
    kitroster::AppServices services;
    services.env = &env;
    services.registry = &settings;
    services.ping = [](const char*, int) { return true; };
    CAppServicesOverride app(services);
    CSteppingLauncher launcher(&env);
    CNoLogon logon;
    MachineServices machine;
    machine.launcher = &launcher;
    machine.logon = &logon;
    CMachineServicesOverride machineOverride(machine);

    SyncTimeState state = SyncTimeState::Fresh();
    std::vector<SimulatedRun> runs;
    for (size_t i = 0; i < offsetsMs.size(); ++i) {
        SimulatedRun run;
        run.run = static_cast<int>(i + 1);
        run.offsetMs = offsetsMs[i];
        launcher.next = offsetsMs[i];
        run.result = SynchronizeTimeWithServer(
            server, &state, false,
            [&run](const std::string& text) { run.eventLog.push_back(text); });
        run.periodMinutes = GetNetworkTimeSyncPeriodInMinutes();
        run.trend = state.trend;
        run.history.assign(state.history.begin(), state.history.end());
        run.inconsistent = state.inconsistent;
        runs.push_back(std::move(run));
    }
    return runs;
}

}  // namespace ZRSYNC
