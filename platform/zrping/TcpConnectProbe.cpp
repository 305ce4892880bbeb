#include "platform/zrping/TcpConnectProbe.h"

#include <netinet/in.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>

namespace zrping {

namespace {

// The outcome of one connection attempt so far.
enum class Attempt { kProved, kPending, kFailed };

Attempt Classify(int error) {
    if (error == 0 || error == ECONNREFUSED)
        return Attempt::kProved;
    if (error == EINPROGRESS || error == EALREADY || error == EINTR)
        return Attempt::kPending;
    return Attempt::kFailed;
}

HostAddress WithPort(const HostAddress& address, uint16_t port) {
    HostAddress result = address;
    if (result.family() == AF_INET) {
        reinterpret_cast<sockaddr_in&>(result.storage).sin_port = htons(port);
    } else {
        reinterpret_cast<sockaddr_in6&>(result.storage).sin6_port = htons(port);
    }
    return result;
}

class Sockets {
  public:
    ~Sockets() {
        for (const pollfd& p : polls) {
            if (p.fd >= 0)
                ::close(p.fd);
        }
    }
    std::vector<pollfd> polls;
};

}  // namespace

CTcpConnectProbe::CTcpConnectProbe(std::vector<uint16_t> ports, SocketOpener opener)
    : m_ports(std::move(ports)), m_opener(std::move(opener)) {}

ProbeResult CTcpConnectProbe::Probe(const std::vector<HostAddress>& addresses,
                                    Clock::time_point deadline) {
    Sockets sockets;
    bool started = false;
    for (const HostAddress& address : addresses) {
        for (const uint16_t port : m_ports) {
            const int fd =
                m_opener(address.family(), SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP);
            if (fd < 0)
                continue;
            started = true;
            const HostAddress target = WithPort(address, port);
            const int error = ::connect(fd, target.get(), target.length) == 0 ? 0 : errno;
            const Attempt attempt = Classify(error);
            if (attempt == Attempt::kPending) {
                sockets.polls.push_back({fd, POLLOUT, 0});
                continue;
            }
            ::close(fd);
            if (attempt == Attempt::kProved)
                return ProbeResult::kAnswered;
        }
    }
    if (!started)
        return ProbeResult::kUnusable;

    auto& polls = sockets.polls;
    size_t pending = polls.size();
    while (pending > 0) {
        const int waitMs = RemainingMs(deadline);
        if (waitMs <= 0)
            break;
        const int ready = ::poll(polls.data(), polls.size(), waitMs);
        if (ready < 0 && errno != EINTR)
            break;
        if (ready <= 0)
            continue;
        for (pollfd& p : polls) {
            if (p.fd < 0 || p.revents == 0)
                continue;
            int error = 0;
            socklen_t length = sizeof error;
            if (::getsockopt(p.fd, SOL_SOCKET, SO_ERROR, &error, &length) < 0)
                error = errno;
            const Attempt attempt = Classify(error);
            if (attempt == Attempt::kProved)
                return ProbeResult::kAnswered;
            if (attempt == Attempt::kFailed) {
                ::close(p.fd);
                p.fd = -1;  // poll skips negative descriptors
                --pending;
            }
        }
    }
    return ProbeResult::kNoAnswer;
}

}  // namespace zrping
