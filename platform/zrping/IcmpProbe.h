// ICMP echo ("ping") probes.
//
// kDatagram uses the kernel's unprivileged ping sockets (SOCK_DGRAM with IPPROTO_ICMP or
// IPPROTO_ICMPV6). The kernel admits them only for groups in net.ipv4.ping_group_range;
// when it refuses (EACCES, EPERM) the probe is unusable, which says nothing about the host.
// The kernel sets the echo identifier and the checksum and hands back only replies that
// belong to the socket.
//
// kRaw uses raw ICMP sockets, which need root or CAP_NET_RAW. Raw sockets see every ICMP
// packet that arrives, so replies are matched on source address, identifier, sequence and
// a random token in the payload.
//
// A reply from any of the addresses is an answer; errors while sending to one address
// (no route, filtered) only rule that address out.
#pragma once

#include <cstdint>

#include "platform/zrping/PingProbe.h"

namespace zrping {

class CIcmpProbe : public IPingProbe {
  public:
    enum class Mode { kDatagram, kRaw };

    explicit CIcmpProbe(Mode mode, SocketOpener opener = SystemSocketOpener());

    std::string Name() const override;
    ProbeResult Probe(const std::vector<HostAddress>& addresses,
                      Clock::time_point deadline) override;

  private:
    Mode m_mode;
    SocketOpener m_opener;
};

// The Internet checksum (RFC 1071) over `length` bytes.
uint16_t InternetChecksum(const void* data, size_t length);

}  // namespace zrping
