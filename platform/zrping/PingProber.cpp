#include "platform/zrping/PingProber.h"

#include "platform/zrping/IcmpProbe.h"
#include "platform/zrping/TcpConnectProbe.h"

namespace zrping {

std::vector<std::unique_ptr<IPingProbe>> CPingProber::DefaultProbes(const SocketOpener& opener) {
    std::vector<std::unique_ptr<IPingProbe>> probes;
    probes.push_back(std::make_unique<CIcmpProbe>(CIcmpProbe::Mode::kDatagram, opener));
    probes.push_back(std::make_unique<CIcmpProbe>(CIcmpProbe::Mode::kRaw, opener));
    probes.push_back(std::make_unique<CTcpConnectProbe>(CTcpConnectProbe::DefaultPorts(), opener));
    return probes;
}

CPingProber::CPingProber(std::vector<std::unique_ptr<IPingProbe>> probes, BlockingLookup lookup)
    : m_probes(std::move(probes)), m_lookup(std::move(lookup)) {}

CPingProber& CPingProber::Default() {
    static CPingProber* prober = new CPingProber(DefaultProbes());  // never destroyed
    return *prober;
}

bool CPingProber::IsReachable(const char* host, int waitMs) const {
    if (!host || !*host || waitMs <= 0)
        return false;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(waitMs);

    std::vector<HostAddress> addresses;
    if (ResolveHost(host, deadline, &addresses, m_lookup) != ResolveResult::kResolved) {
        return false;
    }
    for (const auto& probe : m_probes) {
        if (Clock::now() >= deadline)
            return false;
        switch (probe->Probe(addresses, deadline)) {
            case ProbeResult::kAnswered:
                return true;
            case ProbeResult::kNoAnswer:
                return false;
            case ProbeResult::kUnusable:
                break;
        }
    }
    return false;
}

}  // namespace zrping
