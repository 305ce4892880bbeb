// CPingProber: resolves a host and asks an ordered list of probes whether it answers.
//
// Each probe in turn gets what is left of the wait. A probe that answers kUnusable (for
// example ICMP that the kernel does not allow this process) hands the question to the
// next probe; the first probe that runs decides: kAnswered gives true, kNoAnswer false.
// Name resolution counts against the same wait. The whole call returns within the wait
// plus a few milliseconds of bookkeeping.
//
// Thread-safety: IsReachable may be called from several threads at once.
#pragma once

#include <memory>
#include <vector>

#include "platform/zrping/HostResolver.h"
#include "platform/zrping/PingProbe.h"

namespace zrping {

class CPingProber {
  public:
    // Unprivileged ICMP echo, raw ICMP echo, TCP connect, all opening sockets through
    // `opener`.
    static std::vector<std::unique_ptr<IPingProbe>> DefaultProbes(
        const SocketOpener& opener = SystemSocketOpener());

    explicit CPingProber(std::vector<std::unique_ptr<IPingProbe>> probes,
                         BlockingLookup lookup = SystemLookup);

    // The process-wide prober with the default probes and the system resolver.
    static CPingProber& Default();

    // True when `host` answers within `waitMs` milliseconds. A null or empty host or a
    // wait of zero or less gives false at once.
    bool IsReachable(const char* host, int waitMs) const;

  private:
    std::vector<std::unique_ptr<IPingProbe>> m_probes;
    BlockingLookup m_lookup;
};

}  // namespace zrping
