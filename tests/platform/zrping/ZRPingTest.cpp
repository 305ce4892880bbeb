#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <thread>

#include "platform/zrping/HostResolver.h"
#include "platform/zrping/IcmpProbe.h"
#include "platform/zrping/PingProber.h"
#include "platform/zrping/TcpConnectProbe.h"
#include "platform/zrping/ZRPing.h"

namespace zrping {
namespace {

using std::chrono::milliseconds;

int ElapsedMs(Clock::time_point since) {
    return static_cast<int>(std::chrono::duration_cast<milliseconds>(Clock::now() - since).count());
}

// An opener that behaves like a kernel refusing unprivileged and raw ICMP sockets
// (net.ipv4.ping_group_range excludes us, no CAP_NET_RAW) but allows TCP.
SocketOpener DenyIcmp(int* denied) {
    return [denied](int domain, int type, int protocol) {
        if (protocol == IPPROTO_ICMP || protocol == IPPROTO_ICMPV6) {
            ++*denied;
            errno = (type & SOCK_RAW) == SOCK_RAW ? EPERM : EACCES;
            return -1;
        }
        return ::socket(domain, type, protocol);
    };
}

// A loopback TCP socket on an ephemeral port: listening, or closed again so that the
// port refuses connections.
class LoopbackPort {
  public:
    explicit LoopbackPort(bool listen) {
        m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        EXPECT_EQ(0, ::bind(m_fd, reinterpret_cast<sockaddr*>(&address), length));
        EXPECT_EQ(0, ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&address), &length));
        m_port = ntohs(address.sin_port);
        if (listen) {
            EXPECT_EQ(0, ::listen(m_fd, 4));
        } else {
            ::close(m_fd);
            m_fd = -1;
        }
    }
    ~LoopbackPort() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    uint16_t port() const { return m_port; }

  private:
    int m_fd = -1;
    uint16_t m_port = 0;
};

// A probe with a fixed verdict that records the deadline it was given.
class ScriptedProbe : public IPingProbe {
  public:
    ScriptedProbe(ProbeResult result, int* calls) : m_result(result), m_calls(calls) {}
    std::string Name() const override { return "scripted"; }
    ProbeResult Probe(const std::vector<HostAddress>& addresses, Clock::time_point) override {
        EXPECT_FALSE(addresses.empty());
        ++*m_calls;
        return m_result;
    }

  private:
    ProbeResult m_result;
    int* m_calls;
};

TEST(ZRPingTest, LoopbackAnswersAndInvalidNameDoesNotWithinTheWait) {
    EXPECT_TRUE(IsHostReachable("127.0.0.1", 500));
    EXPECT_TRUE(IsHostReachable("localhost", 500));

    const auto start = Clock::now();
    EXPECT_FALSE(IsHostReachable("nohost.invalid", 300));
    EXPECT_LT(ElapsedMs(start), 300 + 100);

    EXPECT_FALSE(IsHostReachable(nullptr, 100));
    EXPECT_FALSE(IsHostReachable("", 100));
    EXPECT_FALSE(IsHostReachable("127.0.0.1", 0));
}

TEST(ZRPingTest, DeniedIcmpFallsThroughToTcpProbe) {
    // Both a refused port and a listening port prove that the host is up.
    for (const bool listening : {false, true}) {
        SCOPED_TRACE(listening ? "listening port" : "refused port");
        const LoopbackPort port(listening);
        int denied = 0;
        const SocketOpener opener = DenyIcmp(&denied);
        std::vector<std::unique_ptr<IPingProbe>> probes;
        probes.push_back(std::make_unique<CIcmpProbe>(CIcmpProbe::Mode::kDatagram, opener));
        probes.push_back(std::make_unique<CIcmpProbe>(CIcmpProbe::Mode::kRaw, opener));
        probes.push_back(
            std::make_unique<CTcpConnectProbe>(std::vector<uint16_t>{port.port()}, opener));
        const CPingProber prober(std::move(probes));
        EXPECT_TRUE(prober.IsReachable("127.0.0.1", 500));
        EXPECT_EQ(2, denied);
    }

    // With every probe denied the answer is "not reachable", not a crash or a hang.
    const SocketOpener denyAll = [](int, int, int) {
        errno = EACCES;
        return -1;
    };
    const CPingProber denied(CPingProber::DefaultProbes(denyAll));
    EXPECT_FALSE(denied.IsReachable("127.0.0.1", 200));
}

TEST(ZRPingTest, IcmpProbesGetLoopbackReplyWhenTheKernelAllowsThem) {
    // The kernel answers loopback echoes unless told to ignore them; each ICMP probe must
    // then either find the reply or report that it may not run, never "no answer".
    FILE* ignore = std::fopen("/proc/sys/net/ipv4/icmp_echo_ignore_all", "r");
    int ignoring = 0;
    if (ignore) {
        if (std::fscanf(ignore, "%d", &ignoring) != 1)
            ignoring = 0;
        std::fclose(ignore);
    }
    if (ignoring)
        GTEST_SKIP() << "loopback echoes are switched off";
    std::vector<HostAddress> loopback;
    ASSERT_TRUE(ParseNumericAddress("127.0.0.1", &loopback));
    for (const auto mode : {CIcmpProbe::Mode::kDatagram, CIcmpProbe::Mode::kRaw}) {
        CIcmpProbe probe(mode);
        SCOPED_TRACE(probe.Name());
        EXPECT_NE(ProbeResult::kNoAnswer, probe.Probe(loopback, Clock::now() + milliseconds(500)));
    }
}

TEST(ZRPingTest, ProbeOrderUnusableHandsOnFirstRealVerdictDecides) {
    struct Case {
        std::vector<ProbeResult> script;
        bool reachable;
        std::vector<int> expectedCalls;
    };
    const std::vector<Case> cases = {
        {{ProbeResult::kUnusable, ProbeResult::kAnswered}, true, {1, 1}},
        {{ProbeResult::kUnusable, ProbeResult::kUnusable, ProbeResult::kNoAnswer},
         false,
         {1, 1, 1}},
        {{ProbeResult::kNoAnswer, ProbeResult::kAnswered}, false, {1, 0}},
        {{ProbeResult::kAnswered, ProbeResult::kNoAnswer}, true, {1, 0}},
        {{ProbeResult::kUnusable, ProbeResult::kUnusable}, false, {1, 1}},
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(i);
        std::vector<int> calls(cases[i].script.size(), 0);
        std::vector<std::unique_ptr<IPingProbe>> probes;
        for (size_t p = 0; p < cases[i].script.size(); ++p) {
            probes.push_back(std::make_unique<ScriptedProbe>(cases[i].script[p], &calls[p]));
        }
        const CPingProber prober(std::move(probes));
        EXPECT_EQ(cases[i].reachable, prober.IsReachable("127.0.0.1", 100));
        EXPECT_EQ(cases[i].expectedCalls, calls);
    }
}

TEST(ZRPingTest, HangingNameLookupIsAbandonedAtTheDeadline) {
    // A resolver that blocks until the test releases it, like a dead name server.
    struct Gate {
        std::mutex mutex;
        std::condition_variable cv;
        bool open = false;
    };
    auto gate = std::make_shared<Gate>();
    const BlockingLookup hanging = [gate](const std::string&, std::vector<HostAddress>* out) {
        std::unique_lock<std::mutex> lock(gate->mutex);
        gate->cv.wait(lock, [&] { return gate->open; });
        return ParseNumericAddress("127.0.0.1", out);
    };
    int calls = 0;
    std::vector<std::unique_ptr<IPingProbe>> probes;
    probes.push_back(std::make_unique<ScriptedProbe>(ProbeResult::kAnswered, &calls));
    const CPingProber prober(std::move(probes), hanging);

    const auto start = Clock::now();
    EXPECT_FALSE(prober.IsReachable("slow.example", 50));
    EXPECT_LT(ElapsedMs(start), 50 + 50);
    EXPECT_EQ(0, calls);
    // Numeric addresses never wait for the resolver.
    EXPECT_TRUE(prober.IsReachable("127.0.0.1", 50));

    // Once kMaxAbandonedLookups lookups hang, a new one fails at once instead of starting
    // yet another thread and waiting out its whole wait.
    while (OutstandingLookups() < kMaxAbandonedLookups) {
        EXPECT_FALSE(prober.IsReachable("slow.example", 1));
    }
    const auto full = Clock::now();
    EXPECT_FALSE(prober.IsReachable("slow.example", 5000));
    EXPECT_LT(ElapsedMs(full), 100);

    {
        std::lock_guard<std::mutex> lock(gate->mutex);
        gate->open = true;
    }
    gate->cv.notify_all();
    // The abandoned lookups finish and free their slots.
    const auto drain = Clock::now();
    while (OutstandingLookups() > 0 && ElapsedMs(drain) < 5000)
        std::this_thread::yield();
    EXPECT_EQ(0, OutstandingLookups());
    EXPECT_TRUE(prober.IsReachable("slow.example", 500));
    EXPECT_EQ(2, calls);
}

TEST(ZRPingTest, OnlyAddressesAndHostNamesAreResolved) {
    const struct {
        const char* host;
        bool wellFormed;
    } cases[] = {
        {"127.0.0.1", true},
        {"::1", true},
        {"fe80::1%lo", true},
        {"fe80::1%eth0.100", true},
        {"localhost", true},
        {"video-srv_2.clinic.example.", true},
        {"127.0.0.1 ;rm", false},  // getaddrinfo alone reads this as 127.0.0.1
        {" 127.0.0.1", false},
        {"127.0.0.1\n", false},
        {"[::1", false},
        {"[::1]", false},
        {"[]", false},
        {":80", false},
        {"127.0.0.1:80", false},
        {"fe80::1%", false},
        {"fe80::1%lo;x", false},
        {"999.1.1.1", false},
        {"a..b", false},
        {"-oProxyCommand", false},
        {"host$(id)", false},
        {"", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.host);
        EXPECT_EQ(c.wellFormed, IsWellFormedHost(c.host));
        EXPECT_EQ(c.wellFormed, IsHostWellFormed(c.host));
        if (c.wellFormed)
            continue;
        // Refused before any lookup, so no name server ever sees the text.
        std::vector<HostAddress> addresses;
        if (*c.host) {
            EXPECT_EQ(ResolveResult::kMalformed,
                      ResolveHost(c.host, Clock::now() + milliseconds(100), &addresses));
        }
        EXPECT_FALSE(IsHostReachable(c.host, 200));
    }
    EXPECT_FALSE(IsHostWellFormed(nullptr));
}

// Lookups that are slow but answer within the wait are no abandoned lookups: forty of them
// at once all resolve.
TEST(ZRPingTest, ManySlowLookupsInFlightAllResolve) {
    std::atomic<int> lookups{0};
    const BlockingLookup slow = [&lookups](const std::string&, std::vector<HostAddress>* out) {
        ++lookups;
        std::this_thread::sleep_for(milliseconds(200));
        return ParseNumericAddress("127.0.0.1", out);
    };
    int calls = 0;
    std::vector<std::unique_ptr<IPingProbe>> probes;
    probes.push_back(std::make_unique<ScriptedProbe>(ProbeResult::kAnswered, &calls));
    const CPingProber prober(std::move(probes), slow);
    constexpr int kHosts = 40;
    std::vector<char> reachable(kHosts, 0);
    std::vector<std::thread> threads;
    for (int i = 0; i < kHosts; ++i)
        threads.emplace_back([&, i] {
            reachable[i] = prober.IsReachable(("srv" + std::to_string(i)).c_str(), 5000);
        });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(std::count(reachable.begin(), reachable.end(), 1), kHosts);
    EXPECT_EQ(lookups.load(), kHosts);
    EXPECT_EQ(AbandonedLookups(), 0);
}

TEST(ZRPingTest, InternetChecksumMatchesKnownVectors) {
    // RFC 1071 example bytes; and an echo header whose checksum field then verifies to 0.
    const uint8_t rfc[] = {0x00, 0x01, 0xf2, 0x03, 0xf4, 0xf5, 0xf6, 0xf7};
    EXPECT_EQ(static_cast<uint16_t>(~htons(0xddf2)), InternetChecksum(rfc, sizeof rfc));
    uint8_t odd[] = {0x08, 0x00, 0x00, 0x00, 0x12, 0x34, 0x00, 0x01, 0xab};
    const uint16_t sum = InternetChecksum(odd, sizeof odd);
    std::memcpy(odd + 2, &sum, sizeof sum);
    EXPECT_EQ(0, InternetChecksum(odd, sizeof odd));
}

}  // namespace
}  // namespace zrping
