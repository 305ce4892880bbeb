#include "sync/machine/MachineServices.h"

#include <atomic>

namespace ZRSYNC {

namespace {

const MachineServices* ProductionServices() {
    static const MachineServices* services = [] {
        auto* s = new MachineServices;
        s->launcher = &kitroster::PosixProcessLauncher();
        s->logon = &kitroster::PamLogon();
        s->createImpersonator = [] { return kitroster::CreateThreadImpersonator(); };
        return s;
    }();
    return services;
}

std::atomic<const MachineServices*>& Current() {
    static std::atomic<const MachineServices*> current{ProductionServices()};
    return current;
}

}  // namespace

const MachineServices& GetMachineServices() {
    return *Current().load(std::memory_order_acquire);
}

CMachineServicesOverride::CMachineServicesOverride(MachineServices replacement)
    : m_services(std::move(replacement)), m_previous(&GetMachineServices()) {
    if (!m_services.launcher)
        m_services.launcher = m_previous->launcher;
    if (!m_services.logon)
        m_services.logon = m_previous->logon;
    if (!m_services.createImpersonator)
        m_services.createImpersonator = m_previous->createImpersonator;
    Current().store(&m_services, std::memory_order_release);
}

CMachineServicesOverride::~CMachineServicesOverride() {
    Current().store(m_previous, std::memory_order_release);
}

}  // namespace ZRSYNC
