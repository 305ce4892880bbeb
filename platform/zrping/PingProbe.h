// Building blocks of the ping component: resolved addresses, deadlines and the probe
// interface that each way of asking "does this host answer?" implements.
//
// Thread-safety: probes keep no state between calls; one probe object may serve several
// threads at once.
#pragma once

#include <sys/socket.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace zrping {

using Clock = std::chrono::steady_clock;

// One resolved address of the host (IPv4 or IPv6).
struct HostAddress {
    sockaddr_storage storage{};
    socklen_t length = 0;
    int family() const { return storage.ss_family; }
    const sockaddr* get() const { return reinterpret_cast<const sockaddr*>(&storage); }
};

enum class ProbeResult {
    kAnswered,  // the host proved it is up
    kNoAnswer,  // the probe ran and the host gave no sign of life before the deadline
    kUnusable,  // the probe could not run here (no permission, unsupported); ask the next one
};

// Opens a socket like ::socket(); tests substitute one that fails with EACCES to stand in
// for a kernel that denies unprivileged ICMP.
using SocketOpener = std::function<int(int domain, int type, int protocol)>;
SocketOpener SystemSocketOpener();

// Milliseconds left until `deadline`, rounded up, never negative.
int RemainingMs(Clock::time_point deadline);

// A way of probing a host.
class IPingProbe {
  public:
    virtual ~IPingProbe() = default;
    virtual std::string Name() const = 0;
    // Probes every address in `addresses` until one answers or `deadline` passes.
    // kUnusable only when the probe could not be started for any address.
    virtual ProbeResult Probe(const std::vector<HostAddress>& addresses,
                              Clock::time_point deadline) = 0;
};

}  // namespace zrping
