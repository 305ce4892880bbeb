// TCP connect probe: the last resort when ICMP cannot be used.
//
// Starts non-blocking connections to a few ports on every address at once and waits with
// poll. A connection that completes, or one that the host refuses (ECONNREFUSED: the host
// sent a reset), proves the host is up. Time-outs and "no route"/"unreachable" errors are
// no answer. Needs no privilege.
#pragma once

#include <cstdint>

#include "platform/zrping/PingProbe.h"

namespace zrping {

class CTcpConnectProbe : public IPingProbe {
  public:
    // echo, ssh, http, RPC end-point mapper, NetBIOS session, https, SMB.
    static std::vector<uint16_t> DefaultPorts() { return {7, 22, 80, 135, 139, 443, 445}; }

    explicit CTcpConnectProbe(std::vector<uint16_t> ports = DefaultPorts(),
                              SocketOpener opener = SystemSocketOpener());

    std::string Name() const override { return "tcp-connect"; }
    ProbeResult Probe(const std::vector<HostAddress>& addresses,
                      Clock::time_point deadline) override;

  private:
    std::vector<uint16_t> m_ports;
    SocketOpener m_opener;
};

}  // namespace zrping
