// CKitrosterApp: the application object of the library, and the one place every module
// gets its services from: the Env (files, clocks), the configuration store, the ping,
// this machine's identity, the dialog backend and the synchronisation service's client.
//
// Production code asks GetKitrosterApp() for a service at the moment it needs it and never
// keeps the pointer beyond the operation. Tests replace services for a scope with one
// CAppServicesOverride; there are no other setters.
//
// Thread-safety: the getters are safe from any thread. Installing or removing an override
// while other threads use the services is not: tests install overrides before they start
// threads.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#define KR_APP_API __attribute__((visibility("default")))

namespace kitroster {

class Env;
class CRegistry;
class CDialogBackend;
class ISyncServiceClient;

// True when `host` (a name or a dotted address) answers within `waitMs` milliseconds.
using PingFunction = std::function<bool(const char* host, int waitMs)>;

// This machine and the account the process runs under.
class KR_APP_API IIdentity {
  public:
    virtual ~IIdentity() = default;
    // The host name without its domain part, as the machine spells it.
    virtual std::string GetHostName() = 0;
    // The computer name as Windows reports it: the host name, upper-cased.
    virtual std::string GetComputerName() = 0;
    // The name of the effective user.
    virtual std::string GetUserName() = 0;
    // The effective user id (0 is the system account here).
    virtual uint32_t GetUserId() = 0;
};

// The services in effect. Every member is set in the object GetServices() returns, except
// the two described as possibly null.
struct AppServices {
    Env* env = nullptr;
    CRegistry* registry = nullptr;
    PingFunction ping;
    IIdentity* identity = nullptr;
    // The windows dialogs open in; null in programs that show none (dialogs then refuse
    // to open).
    CDialogBackend* dialogBackend = nullptr;
    // The synchronisation service's client. Null in production: the real client lives in
    // platform/sync_client, a floor above this one, and GetSyncServiceClient() there falls
    // back to it. Code asks GetSyncServiceClient(), never this member.
    ISyncServiceClient* syncClient = nullptr;
};

}  // namespace kitroster

class KR_APP_API CKitrosterApp {
  public:
    CKitrosterApp();
    ~CKitrosterApp();
    CKitrosterApp(const CKitrosterApp&) = delete;
    CKitrosterApp& operator=(const CKitrosterApp&) = delete;

    kitroster::Env* GetEnv() const { return GetServices().env; }
    kitroster::CRegistry& GetRegistry() const { return *GetServices().registry; }
    kitroster::IIdentity& GetIdentity() const { return *GetServices().identity; }
    bool Ping(const char* host, int waitMs) const { return GetServices().ping(host, waitMs); }
    kitroster::CDialogBackend* GetDialogBackend() const { return GetServices().dialogBackend; }
    const kitroster::AppServices& GetServices() const {
        return *m_services.load(std::memory_order_acquire);
    }

  private:
    friend class CAppServicesOverride;

    std::atomic<const kitroster::AppServices*> m_services;
};

// The single instance, constructed when the library is loaded.
KR_APP_API CKitrosterApp& GetKitrosterApp();

// Replaces services for its lifetime. Members left empty in `replacement` keep the
// service in effect when the override was installed. Overrides nest and must be destroyed
// in the reverse order of their construction; the destructor restores what was in effect
// before. The replaced services must outlive the override.
class KR_APP_API CAppServicesOverride {
  public:
    explicit CAppServicesOverride(kitroster::AppServices replacement);
    ~CAppServicesOverride();
    CAppServicesOverride(const CAppServicesOverride&) = delete;
    CAppServicesOverride& operator=(const CAppServicesOverride&) = delete;

  private:
    kitroster::AppServices m_services;
    const kitroster::AppServices* m_previous;
};
