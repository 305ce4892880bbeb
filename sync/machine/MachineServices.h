// The outside components the machine operations use: the process launcher, the log-on
// and the impersonator factory. Production code gets the real ones (posix_spawn, PAM,
// setfsuid); tests install scripted doubles for a scope with one
// CMachineServicesOverride, as they install a test Env through the application object.
//
// Thread-safety: as the application object's services: the getter is safe from any
// thread; install overrides before starting threads.
#pragma once

#include <functional>
#include <memory>

#include "platform/clipkit/ThreadImpersonator.h"
#include "platform/logon/Logon.h"
#include "platform/process/ProcessLauncher.h"

namespace ZRSYNC {

struct MachineServices {
    kitroster::IProcessLauncher* launcher = nullptr;
    kitroster::ILogon* logon = nullptr;
    std::function<std::unique_ptr<kitroster::IThreadImpersonator>()> createImpersonator;
};

const MachineServices& GetMachineServices();

// Replaces services for its lifetime; members left empty keep the ones in effect.
class CMachineServicesOverride {
  public:
    explicit CMachineServicesOverride(MachineServices replacement);
    ~CMachineServicesOverride();
    CMachineServicesOverride(const CMachineServicesOverride&) = delete;
    CMachineServicesOverride& operator=(const CMachineServicesOverride&) = delete;

  private:
    MachineServices m_services;
    const MachineServices* m_previous;
};

}  // namespace ZRSYNC
