#include "platform/app/KitrosterApp.h"

#include "platform/app/PosixIdentity.h"
#include "platform/env/Env.h"
#include "platform/registry/Registry.h"
#include "platform/zrping/ZRPing.h"

namespace {

// The production services. Built on first use and never destroyed, so that modules may
// use them while other static objects are destroyed at exit.
const kitroster::AppServices& ProductionServices() {
    static const kitroster::AppServices* services = [] {
        auto* s = new kitroster::AppServices;
        s->env = kitroster::Env::Default();
        s->registry = &kitroster::CRegistry::Machine();
        s->ping = [](const char* host, int waitMs) { return IsHostReachable(host, waitMs); };
        s->identity = new kitroster::CPosixIdentity;
        return s;
    }();
    return *services;
}

// Constructed when the library is loaded, destroyed when it is unloaded.
CKitrosterApp theApp;

}  // namespace

CKitrosterApp::CKitrosterApp() : m_services(&ProductionServices()) {}
CKitrosterApp::~CKitrosterApp() = default;

CKitrosterApp& GetKitrosterApp() {
    return theApp;
}

CAppServicesOverride::CAppServicesOverride(kitroster::AppServices replacement)
    : m_services(std::move(replacement)), m_previous(&GetKitrosterApp().GetServices()) {
    if (!m_services.env)
        m_services.env = m_previous->env;
    if (!m_services.registry)
        m_services.registry = m_previous->registry;
    if (!m_services.ping)
        m_services.ping = m_previous->ping;
    if (!m_services.identity)
        m_services.identity = m_previous->identity;
    if (!m_services.dialogBackend)
        m_services.dialogBackend = m_previous->dialogBackend;
    if (!m_services.syncClient)
        m_services.syncClient = m_previous->syncClient;
    GetKitrosterApp().m_services.store(&m_services, std::memory_order_release);
}

CAppServicesOverride::~CAppServicesOverride() {
    GetKitrosterApp().m_services.store(m_previous, std::memory_order_release);
}
