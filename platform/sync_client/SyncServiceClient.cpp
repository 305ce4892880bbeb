#include "platform/sync_client/SyncServiceClient.h"

#include <systemd/sd-bus.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "platform/app/KitrosterApp.h"

namespace kitroster {
namespace {

constexpr const char* kServiceName = "org.kitroster.Sync1";
constexpr const char* kServicePath = "/org/kitroster/Sync1";
constexpr const char* kServiceInterface = "org.kitroster.Sync1";

struct BusCloser {
    void operator()(sd_bus* bus) const { sd_bus_close_unref(bus); }
};
using BusPtr = std::unique_ptr<sd_bus, BusCloser>;

struct MessageUnref {
    void operator()(sd_bus_message* message) const { sd_bus_message_unref(message); }
};
using MessagePtr = std::unique_ptr<sd_bus_message, MessageUnref>;

// The address KITROSTER_SYNC_BUS selects, resolved as sd_bus_open_system and
// sd_bus_open_user would; empty when there is none (no session bus).
std::string _bus_address() {
    const char* choice = std::getenv("KITROSTER_SYNC_BUS");
    if (choice && *choice && std::strcmp(choice, "session") != 0)
        return choice;
    if (!choice || !*choice) {
        const char* system = std::getenv("DBUS_SYSTEM_BUS_ADDRESS");
        return system && *system ? system : "unix:path=/run/dbus/system_bus_socket";
    }
    if (const char* session = std::getenv("DBUS_SESSION_BUS_ADDRESS"); session && *session)
        return session;
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime)
        return std::string("unix:path=") + runtime + "/bus";
    return {};
}

// The end of one call's time: the connection, its authentication and Hello, and the method
// call together get kCallTimeoutMs. sd-bus bounds only the method call by the call time-out;
// its authentication waits up to 90 s for a peer that accepts and never answers.
class CDeadline {
  public:
    CDeadline()
        : m_end(std::chrono::steady_clock::now() +
                std::chrono::milliseconds(ISyncServiceClient::kCallTimeoutMs)) {}
    // Microseconds left, 0 once the time is up.
    uint64_t LeftUsec() const {
        const auto left = std::chrono::duration_cast<std::chrono::microseconds>(
            m_end - std::chrono::steady_clock::now());
        return left.count() > 0 ? static_cast<uint64_t>(left.count()) : 0;
    }

  private:
    std::chrono::steady_clock::time_point m_end;
};

// Runs the connection until it has authenticated and its Hello has been answered; false on
// an error or when `deadline` passes first.
bool _wait_until_ready(sd_bus* bus, const CDeadline& deadline) {
    for (;;) {
        const int ready = sd_bus_is_ready(bus);
        if (ready != 0)
            return ready > 0;
        const int progress = sd_bus_process(bus, nullptr);
        if (progress < 0)
            return false;
        if (progress > 0)
            continue;
        const uint64_t left = deadline.LeftUsec();
        if (left == 0)
            return false;
        if (const int waited = sd_bus_wait(bus, left); waited < 0 && waited != -EINTR)
            return false;
    }
}

// A new connection, ready for calls, or null. Built by hand rather than with
// sd_bus_open_system/_user, and run to readiness here, so that all of it is bounded by
// `deadline`.
BusPtr _open_bus(const CDeadline& deadline) {
    const std::string address = _bus_address();
    if (address.empty())
        return nullptr;
    sd_bus* raw = nullptr;
    if (sd_bus_new(&raw) < 0)
        return nullptr;
    BusPtr bus(raw);
    if (sd_bus_set_address(raw, address.c_str()) < 0 || sd_bus_set_bus_client(raw, 1) < 0 ||
        sd_bus_start(raw) < 0 || !_wait_until_ready(raw, deadline)) {
        return nullptr;
    }
    return bus;
}

// Calls `member` with no argument, or with the one string `argument`; null on any error or
// when no reply came before `deadline`.
MessagePtr _call(sd_bus* bus, const CDeadline& deadline, const char* destination, const char* path,
                 const char* interface, const char* member, const char* argument = nullptr) {
    sd_bus_message* raw = nullptr;
    if (sd_bus_message_new_method_call(bus, &raw, destination, path, interface, member) < 0)
        return nullptr;
    MessagePtr call(raw);
    if (argument && sd_bus_message_append(raw, "s", argument) < 0)
        return nullptr;
    // A time-out of 0 would mean sd-bus's default of 25 s.
    const uint64_t left = deadline.LeftUsec();
    if (left == 0)
        return nullptr;
    sd_bus_error error = SD_BUS_ERROR_NULL;
    sd_bus_message* reply = nullptr;
    const int result = sd_bus_call(bus, raw, left, &error, &reply);
    sd_bus_error_free(&error);
    if (result < 0)
        return nullptr;
    return MessagePtr(reply);
}

// One method of the service answering an int32.
bool _get_int(const char* member, int32_t* value) {
    const CDeadline deadline;
    BusPtr bus = _open_bus(deadline);
    if (!bus)
        return false;
    MessagePtr reply =
        _call(bus.get(), deadline, kServiceName, kServicePath, kServiceInterface, member);
    int32_t answer = 0;
    if (!reply || sd_bus_message_read(reply.get(), "i", &answer) <= 0)
        return false;
    *value = answer;
    return true;
}

class CDBusSyncServiceClient final : public ISyncServiceClient {
  public:
    bool IsScannerServiceRunning() override {
        const CDeadline deadline;
        BusPtr bus = _open_bus(deadline);
        if (!bus)
            return false;
        MessagePtr reply =
            _call(bus.get(), deadline, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                  "org.freedesktop.DBus", "NameHasOwner", kServiceName);
        int owned = 0;  // D-Bus booleans are read as int
        return reply && sd_bus_message_read(reply.get(), "b", &owned) > 0 && owned;
    }
    bool GetStatus(int32_t* status) override { return _get_int("GetStatus", status); }
    bool GetSecondsSinceLastSync(int32_t* seconds) override {
        return _get_int("GetSecondsSinceLastSync", seconds);
    }
    bool SyncNow() override {
        const CDeadline deadline;
        BusPtr bus = _open_bus(deadline);
        return bus &&
               _call(bus.get(), deadline, kServiceName, kServicePath, kServiceInterface, "SyncNow");
    }
};

}  // namespace

ISyncServiceClient& DBusSyncServiceClient() {
    // Stateless and never destroyed: usable from any thread and during exit.
    static auto* client = new CDBusSyncServiceClient;
    return *client;
}

ISyncServiceClient& GetSyncServiceClient() {
    if (ISyncServiceClient* installed = GetKitrosterApp().GetServices().syncClient)
        return *installed;
    return DBusSyncServiceClient();
}

}  // namespace kitroster
