// Many threads resolve names through the shared caches while another thread keeps moving
// the local host of its cookie (which empties the resolution cache) and the clock (which
// expires entries). Built with ThreadSanitizer by scripts/test.d/tsan.sh.
#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>
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
    const CString host = "WS1";
    constexpr uint32_t kCookies = 4;
    constexpr uint32_t kChangerCookie = 100;

    // The answers of one resolution at a time, under the workers' host.
    std::map<CString, std::string> expected;
    for (const CString& name : names) {
        expected[name] = Describe(CVideoResHelper(name, CVideoResHelperContext(host, true, 1)));
    }
    videotest::CVideoSandbox::ResetCaches();
    for (uint32_t cookie = 1; cookie <= kCookies; ++cookie) {
        CVideoResHelper(names[0], CVideoResHelperContext(host, false, cookie));
    }

    std::atomic<bool> done{false};
    std::atomic<int> mismatches{0};
    std::mutex firstMismatchMutex;
    std::string firstMismatch;

    std::thread changer([&] {
        for (int i = 0; !done.load(); ++i) {
            // Its own cookie's host flips between two machines, clearing the cache each
            // time; the name it resolves does not depend on the host.
            CVideoResHelper(names[0],
                            CVideoResHelperContext(i % 2 ? "WS1" : "WS2", false, kChangerCookie));
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
            for (int i = 0; i < kRounds; ++i) {
                const CString& name = names[(t + i) % names.size()];
                // Some callers pass their host, others rely on the one recorded for their
                // cookie; some ask for a refresh.
                CVideoResHelperContext ctx(i % 3 ? host : CString(), i % 11 == 0, 1 + t % kCookies);
                CVideoResHelper helper(name, ctx);
                CVideoResHelper copy = helper;
                std::string answer = Describe(copy);
                if (answer != expected.at(name)) {
                    ++mismatches;
                    std::lock_guard<std::mutex> lock(firstMismatchMutex);
                    if (firstMismatch.empty()) {
                        firstMismatch =
                            "'" + name.str() + "': " + answer + " instead of " + expected.at(name);
                    }
                }
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
