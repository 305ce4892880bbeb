// ISyncServiceClient: the conversation with the settings synchronisation service, which
// runs in its own process and is reached over D-Bus.
//
// The service owns the name org.kitroster.Sync1 and serves the object /org/kitroster/Sync1
// with the interface org.kitroster.Sync1:
//     GetStatus() -> i                 0 idle, 1 request running, 2 completed, 9999 faulted
//     GetSecondsSinceLastSync() -> i
//     SyncNow()
//
// The real client talks to the system bus; the environment variable KITROSTER_SYNC_BUS
// chooses another one: "session" for the session bus, any other non-empty value is a bus
// address ("unix:path=/run/x/bus"). It is read at every call. Each call opens a connection
// of its own and closes it before returning, so no connection is shared between threads or
// survives a fork. A D-Bus error, or no reply within kCallTimeoutMs, is a failed call
// (false); the time counts from the start of the call, connecting and authenticating
// included, so a bus that accepts and never answers holds the caller no longer. Without a bus the service counts as not running and every call fails; nothing is
// logged here, the caller decides what a failure means.
//
// Code gets the client through GetSyncServiceClient(): the one a test installed in the
// application object (CAppServicesOverride, AppServices::syncClient), else the real one.
//
// Thread-safety: every member may be called from any thread.
#pragma once

#include <cstdint>

#define KR_SYNC_CLIENT_API __attribute__((visibility("default")))

namespace kitroster {

class KR_SYNC_CLIENT_API ISyncServiceClient {
  public:
    static constexpr int kCallTimeoutMs = 2000;

    // True when some connection owns the service's name.
    virtual bool IsScannerServiceRunning() = 0;
    // False when the call failed; `*status` is then left unchanged.
    virtual bool GetStatus(int32_t* status) = 0;
    virtual bool GetSecondsSinceLastSync(int32_t* seconds) = 0;
    // Asks for a synchronisation now; true when the service accepted the call.
    virtual bool SyncNow() = 0;

  protected:
    ~ISyncServiceClient() = default;
};

// The client in effect: the application object's when one is installed, else the
// process-wide D-Bus client (never destroyed). Ask for it per operation; do not keep it.
KR_SYNC_CLIENT_API ISyncServiceClient& GetSyncServiceClient();

// The process-wide D-Bus client itself, whatever the application object holds.
KR_SYNC_CLIENT_API ISyncServiceClient& DBusSyncServiceClient();

}  // namespace kitroster
