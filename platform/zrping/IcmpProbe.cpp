#include "platform/zrping/IcmpProbe.h"

#include <netinet/icmp6.h>
#include <netinet/in.h>
#include <netinet/ip.h>
#include <netinet/ip_icmp.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <random>

namespace zrping {

namespace {

constexpr size_t kTokenSize = 16;

// One echo request in flight: the socket it went out on and the address it went to.
struct Outstanding {
    int fd = -1;
    HostAddress to;
};

class SocketSet {
  public:
    ~SocketSet() {
        for (const Outstanding& o : entries)
            ::close(o.fd);
    }
    std::vector<Outstanding> entries;
};

bool SameHost(const sockaddr_storage& from, const HostAddress& to) {
    if (from.ss_family != to.family())
        return false;
    if (from.ss_family == AF_INET) {
        return reinterpret_cast<const sockaddr_in&>(from).sin_addr.s_addr ==
               reinterpret_cast<const sockaddr_in&>(to.storage).sin_addr.s_addr;
    }
    return std::memcmp(&reinterpret_cast<const sockaddr_in6&>(from).sin6_addr,
                       &reinterpret_cast<const sockaddr_in6&>(to.storage).sin6_addr,
                       sizeof(in6_addr)) == 0;
}

// Builds an echo request: 8-byte header and the token as payload.
std::vector<uint8_t> BuildRequest(int family, uint16_t id, uint16_t sequence,
                                  const uint8_t* token) {
    std::vector<uint8_t> packet(8 + kTokenSize, 0);
    packet[0] = family == AF_INET ? ICMP_ECHO : ICMP6_ECHO_REQUEST;
    packet[4] = static_cast<uint8_t>(id >> 8);
    packet[5] = static_cast<uint8_t>(id);
    packet[6] = static_cast<uint8_t>(sequence >> 8);
    packet[7] = static_cast<uint8_t>(sequence);
    std::memcpy(packet.data() + 8, token, kTokenSize);
    if (family == AF_INET) {
        // ICMPv6 checksums cover a pseudo-header; the kernel fills them in for us.
        const uint16_t sum = InternetChecksum(packet.data(), packet.size());
        std::memcpy(packet.data() + 2, &sum, sizeof sum);
    }
    return packet;
}

// True when `data` is our echo reply. Raw IPv4 sockets deliver the IP header first; the
// identifier is checked only on raw sockets (the kernel rewrites it on datagram sockets).
bool IsOurReply(const uint8_t* data, size_t size, int family, bool raw, uint16_t id,
                uint16_t sequence, const uint8_t* token) {
    if (raw && family == AF_INET) {
        if (size < 1)
            return false;
        const size_t headerLength = static_cast<size_t>(data[0] & 0x0F) * 4;
        if (headerLength < 20 || size < headerLength)
            return false;
        data += headerLength;
        size -= headerLength;
    }
    if (size < 8 + kTokenSize)
        return false;
    const uint8_t replyType = family == AF_INET ? ICMP_ECHOREPLY : ICMP6_ECHO_REPLY;
    if (data[0] != replyType || data[1] != 0)
        return false;
    if (raw && ((data[4] << 8) | data[5]) != id)
        return false;
    if (((data[6] << 8) | data[7]) != sequence)
        return false;
    return std::memcmp(data + 8, token, kTokenSize) == 0;
}

// Reads everything queued on the socket (raw sockets also see foreign traffic) and reports
// whether our reply was among it.
bool DrainForReply(const Outstanding& o, bool raw, uint16_t id, uint16_t sequence,
                   const uint8_t* token) {
    for (;;) {
        uint8_t buffer[1500];
        sockaddr_storage from{};
        socklen_t fromLength = sizeof from;
        const ssize_t n = ::recvfrom(o.fd, buffer, sizeof buffer, 0,
                                     reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (n < 0)
            return false;
        if (SameHost(from, o.to) &&
            IsOurReply(buffer, static_cast<size_t>(n), o.to.family(), raw, id, sequence, token)) {
            return true;
        }
    }
}

}  // namespace

uint16_t InternetChecksum(const void* data, size_t length) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    uint32_t sum = 0;
    for (size_t i = 0; i + 1 < length; i += 2) {
        uint16_t word;
        std::memcpy(&word, bytes + i, sizeof word);
        sum += word;
    }
    if (length % 2) {
        uint16_t word = 0;
        std::memcpy(&word, bytes + length - 1, 1);
        sum += word;
    }
    while (sum >> 16)
        sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<uint16_t>(~sum);
}

CIcmpProbe::CIcmpProbe(Mode mode, SocketOpener opener)
    : m_mode(mode), m_opener(std::move(opener)) {}

std::string CIcmpProbe::Name() const {
    return m_mode == Mode::kDatagram ? "icmp-datagram" : "icmp-raw";
}

ProbeResult CIcmpProbe::Probe(const std::vector<HostAddress>& addresses,
                              Clock::time_point deadline) {
    const bool raw = m_mode == Mode::kRaw;
    std::random_device entropy;
    std::mt19937 random(entropy());
    const uint16_t id = static_cast<uint16_t>(random());
    const uint16_t sequence = static_cast<uint16_t>(random());
    uint8_t token[kTokenSize];
    for (uint8_t& b : token)
        b = static_cast<uint8_t>(random());

    SocketSet sockets;
    for (const HostAddress& address : addresses) {
        const int family = address.family();
        const int protocol = family == AF_INET ? static_cast<int>(IPPROTO_ICMP) : IPPROTO_ICMPV6;
        const int fd = m_opener(
            family, (raw ? SOCK_RAW : SOCK_DGRAM) | SOCK_NONBLOCK | SOCK_CLOEXEC, protocol);
        if (fd < 0)
            continue;  // not permitted or not supported for this family
        const std::vector<uint8_t> packet = BuildRequest(family, id, sequence, token);
        if (::sendto(fd, packet.data(), packet.size(), 0, address.get(), address.length) < 0) {
            ::close(fd);  // no route, filtered: this address cannot be asked
            continue;
        }
        sockets.entries.push_back({fd, address});
    }
    if (sockets.entries.empty())
        return ProbeResult::kUnusable;

    std::vector<pollfd> polls;
    for (const Outstanding& o : sockets.entries)
        polls.push_back({o.fd, POLLIN, 0});
    for (;;) {
        const int waitMs = RemainingMs(deadline);
        if (waitMs <= 0)
            return ProbeResult::kNoAnswer;
        const int ready = ::poll(polls.data(), polls.size(), waitMs);
        if (ready < 0 && errno != EINTR)
            return ProbeResult::kNoAnswer;
        if (ready <= 0)
            continue;
        size_t listening = 0;
        for (size_t i = 0; i < polls.size(); ++i) {
            if (polls[i].fd < 0)
                continue;
            if (polls[i].revents & (POLLIN | POLLERR | POLLHUP | POLLNVAL)) {
                if (DrainForReply(sockets.entries[i], raw, id, sequence, token)) {
                    return ProbeResult::kAnswered;
                }
                // A socket that reports an error and has nothing to read is done with.
                if (!(polls[i].revents & POLLIN))
                    polls[i].fd = -1;
            }
            if (polls[i].fd >= 0)
                ++listening;
        }
        if (listening == 0)
            return ProbeResult::kNoAnswer;
    }
}

}  // namespace zrping
