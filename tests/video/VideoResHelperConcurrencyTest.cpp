// Many threads with different local hosts resolve names through the shared caches while
// another thread keeps moving the local host of its cookie (which empties the resolution
// cache) and the clock (which expires entries). Every answer must equal the one a lone
// resolution of the same name under the same host gives. Built with ThreadSanitizer by
// scripts/test.d/tsan.sh.
#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "tests/video/VideoSandbox.h"
#include "video/VideoResHelper.h"

namespace {

using NResourceItem::CVideoResHelper;
using NResourceItem::CVideoResHelperContext;

std::string Describe(const CVideoResHelper& h) {
    std::string text = h.getServer().str() + "|" + h.getResVideo().str() + "|" +
                       h.getResCamera().str() + "|" + h.getResCamera2().str() + "|" +
                       h.getUsername().str() + "|" + h.getPassword().str() + "|" +
                       h.getType().str() + "|" + h.getDecoratedHostName().str() + "|";
    for (bool flag : {h.isResVideo(), h.isResCamera(), h.isAssyVideo(), h.isInvalidResource(),
                      h.isLocalServer()}) {
        text += flag ? '1' : '0';
    }
    return text;
}

TEST(VideoResHelperConcurrency, ParallelConstructionsMatchSerialAnswers) {
    videotest::CVideoSandbox sandbox;
    sandbox.WriteResource("SRV1", "SERVER_MPEG4", "SERVER=vidhost;USERNAME=op;");
    sandbox.WriteResource("CAM1", "CAMERA_IP", "IPADDR=10.0.0.5;");
    sandbox.WriteResource("ASSY1", "ASSY_VIDEO", "RES_SERVER=SRV1;RES_CAMERA=CAM1;");
    sandbox.WriteResource("ASSY2", "ASSY_VIDEO", "RES_SERVER=GONE;RES_CAMERA=CAM1;");
    sandbox.WriteResource("ROOM1", "ROOM_VIDEO", "");
    sandbox.SetReachable("PINGHOST");

    const std::vector<CString> names = {"SRV1", "@srv1",   "CAM1",     "ASSY1", "ASSY2", "ROOM1",
                                        "",     "(local)", "pinghost", "ghost", "@ASSY1"};
    constexpr uint32_t kCookies = 4;  // cookie c stands for the local host "WS<c>"
    constexpr uint32_t kChangerCookie = 100;
    auto hostOf = [](uint32_t cookie) { return CString("WS") + CString(std::to_string(cookie)); };

    // The answers of one resolution at a time, for every name under every host.
    std::map<std::pair<CString, CString>, std::string> expected;
    for (uint32_t cookie = 1; cookie <= kCookies; ++cookie) {
        for (const CString& name : names) {
            CVideoResHelperContext ctx(hostOf(cookie), true, 1);
            expected[{name, hostOf(cookie)}] = Describe(CVideoResHelper(name, ctx));
        }
    }
    videotest::CVideoSandbox::ResetCaches();
    for (uint32_t cookie = 1; cookie <= kCookies; ++cookie) {
        CVideoResHelper(names[0], CVideoResHelperContext(hostOf(cookie), false, cookie));
    }

    std::atomic<bool> done{false};
    std::atomic<int> mismatches{0};
    std::mutex firstMismatchMutex;
    std::string firstMismatch;
    auto check = [&](const CString& name, const CString& host, const CVideoResHelper& helper) {
        std::string answer = Describe(helper);
        const std::string& want = expected.at({name, host});
        if (answer == want)
            return;
        ++mismatches;
        std::lock_guard<std::mutex> lock(firstMismatchMutex);
        if (firstMismatch.empty())
            firstMismatch =
                "'" + name.str() + "' on " + host.str() + ": " + answer + " instead of " + want;
    };

    std::thread changer([&] {
        for (int i = 0; !done.load(); ++i) {
            // The host of its cookie flips between two machines, clearing the cache each
            // time, while the clock moves so that entries expire.
            CString host = hostOf(1 + i % 2);
            const CString& name = names[i % names.size()];
            check(name, host,
                  CVideoResHelper(name, CVideoResHelperContext(host, false, kChangerCookie)));
            CVideoResHelper::IsServerReachable("ghost", i % 5 == 0);
            sandbox.env().AdvanceTime(1500);
            std::this_thread::yield();
        }
    });

    constexpr int kThreads = 16;
    constexpr int kRounds = 150;
    std::vector<std::thread> workers;
    for (int t = 0; t < kThreads; ++t) {
        workers.emplace_back([&, t] {
            const uint32_t cookie = 1 + t % kCookies;
            for (int i = 0; i < kRounds; ++i) {
                const CString& name = names[(t + i) % names.size()];
                // Some callers pass their host, others rely on the one recorded for their
                // cookie; some ask for a refresh.
                CVideoResHelperContext ctx(i % 3 ? hostOf(cookie) : CString(), i % 11 == 0, cookie);
                CVideoResHelper helper(name, ctx);
                CVideoResHelper copy = helper;
                check(name, hostOf(cookie), copy);
            }
        });
    }
    for (std::thread& worker : workers)
        worker.join();
    done = true;
    changer.join();

    EXPECT_EQ(mismatches.load(), 0) << firstMismatch;
    std::lock_guard<std::recursive_mutex> lock(CVideoResHelper::m_cs_ping);
    EXPECT_EQ(CVideoResHelper::m_localHostMap.size(), kCookies + 1);
    EXPECT_EQ(CVideoResHelper::m_pingMap.size(), 2u);
}

}  // namespace
