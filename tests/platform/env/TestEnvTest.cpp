#include <atomic>
#include <thread>

#include <gtest/gtest.h>

#include "testing/env/TempDir.h"
#include "testing/env/TestEnv.h"

namespace kitroster {
namespace {

TEST(TestEnv, ClocksMoveOnlyWhenToldAndTheTickCounterWraps) {
    CTestEnv env;
    EXPECT_EQ(env.GetTickCount(), CTestEnv::kInitialTickCount);
    EXPECT_EQ(env.GetSystemTimeAsFileTime(), CTestEnv::kInitialFileTime);

    env.SetTickCount(0xFFFFFF00u);
    const uint32_t start = env.GetTickCount();
    env.Sleep(5000);  // returns at once
    EXPECT_EQ(env.GetTickCount(), 5000u - 0x100u);
    EXPECT_EQ(static_cast<uint32_t>(env.GetTickCount() - start),
              5000u);  // elapsed survives the wrap
    EXPECT_EQ(env.GetSystemTimeAsFileTime(), CTestEnv::kInitialFileTime + 5000u * 10000u);

    env.AdvanceTime(250);
    EXPECT_EQ(env.GetTickCount(), 5250u - 0x100u);
    EXPECT_EQ(env.TotalSleptMilliseconds(), 5000u);
    EXPECT_EQ(env.CallCount(EnvOp::kSleep), 1);

    int hookCalls = 0;
    env.SetSleepHook([&](uint32_t ms) {
        ++hookCalls;
        EXPECT_EQ(ms, 20u);
    });
    env.Sleep(20);
    EXPECT_EQ(hookCalls, 1);
}

TEST(TestEnv, InjectedFaultsFireExactlyOnTheChosenCall) {
    CTempDir dir;
    CTestEnv env;
    const std::string path = dir.Path("f");

    env.FailNth(EnvOp::kWrite, 3, kErrorDiskFull);
    std::unique_ptr<IFile> file;
    OpenOptions options;
    options.access = kAccessWrite;
    options.disposition = FileDisposition::kCreateAlways;
    ASSERT_TRUE(env.OpenFile(path, options, &file).ok());
    std::vector<uint32_t> results;
    for (int i = 0; i < 5; ++i)
        results.push_back(file->Write("ab", 2).error());
    EXPECT_EQ(results, (std::vector<uint32_t>{0, 0, kErrorDiskFull, 0, 0}));
    ASSERT_TRUE(file->Close().ok());
    std::string text;
    ASSERT_TRUE(env.ReadFileToString(path, &text).ok());
    EXPECT_EQ(text, "abababab");  // the failed write wrote nothing
    EXPECT_EQ(env.CallCount(EnvOp::kWrite), 5);
    EXPECT_EQ(env.InjectedFailures(), 1);

    // A torn write leaves its first bytes behind.
    env.FailNthWritePartially(1, 3, kErrorDiskFull, "torn");
    EXPECT_EQ(env.WriteStringToFile(dir.Path("torn"), "abcdef").error(), kErrorDiskFull);
    ASSERT_TRUE(env.ReadFileToString(dir.Path("torn"), &text).ok());
    EXPECT_EQ(text, "abc");

    // From the second call on, and only for matching paths.
    env.FailFrom(EnvOp::kMoveFile, 2, kErrorAccessDenied, "/SRC");
    ASSERT_TRUE(env.WriteStringToFile(dir.Path("src"), "s").ok());
    ASSERT_TRUE(env.WriteStringToFile(dir.Path("other"), "o").ok());
    EXPECT_TRUE(env.MoveFile(dir.Path("other"), dir.Path("other2"), false).ok());  // no match
    EXPECT_TRUE(env.MoveFile(dir.Path("src"), dir.Path("src2"), false).ok());      // 1st match
    EXPECT_EQ(env.MoveFile(dir.Path("src2"), dir.Path("src3"), false).error(), kErrorAccessDenied);
    EXPECT_EQ(env.MoveFile(dir.Path("src2"), dir.Path("x"), false).error(), kErrorAccessDenied);
    EXPECT_TRUE(env.FileExists(dir.Path("src2")));
    env.ClearFaults();

    // Sync, link, delete and folder creation fail on the chosen call without effect.
    env.FailNth(EnvOp::kSync, 1, kErrorIoDevice);
    env.FailNth(EnvOp::kLinkFile, 1, kErrorAccessDenied);
    env.FailNth(EnvOp::kDeleteFile, 2, kErrorSharingViolation);
    env.FailNth(EnvOp::kCreateDirectory, 1, kErrorDiskFull);
    EXPECT_EQ(env.WriteStringToFile(path, "z", true).error(), kErrorIoDevice);
    EXPECT_EQ(env.LinkFile(path, dir.Path("l")).error(), kErrorAccessDenied);
    EXPECT_FALSE(env.FileExists(dir.Path("l")));
    EXPECT_TRUE(env.DeleteFile(dir.Path("other2")).ok());
    EXPECT_EQ(env.DeleteFile(path).error(), kErrorSharingViolation);
    EXPECT_TRUE(env.FileExists(path));
    EXPECT_EQ(env.CreateDirectory(dir.Path("d")).error(), kErrorDiskFull);
    EXPECT_TRUE(env.CreateDirectory(dir.Path("d")).ok());
}

TEST(TestEnv, FailAllFromStopsEveryLaterCallLikeACrash) {
    CTempDir dir;
    CTestEnv env;
    env.FailAllFrom(3, kErrorIoDevice);
    EXPECT_TRUE(env.CreateDirectory(dir.Path("d")).ok());  // call 1
    // Call 2 opens (and creates) the file, call 3 is the write, call 4 the close.
    EXPECT_EQ(env.WriteStringToFile(dir.Path("d/f"), "data").error(), kErrorIoDevice);
    EXPECT_EQ(env.DeleteFile(dir.Path("d/f")).error(), kErrorIoDevice);
    std::vector<std::string> names;
    EXPECT_EQ(env.FindFiles(dir.Path("d"), "*", &names).error(), kErrorIoDevice);
    EXPECT_EQ(env.InjectedFailures(), 4);
    env.ClearFaults();
    FileInfo info;
    ASSERT_TRUE(env.GetFileInfo(dir.Path("d/f"), &info).ok());
    EXPECT_EQ(info.size, 0u);
}

TEST(TestEnv, SimulatedSharingViolationsAndCounters) {
    CTempDir dir;
    CTestEnv env;
    ASSERT_TRUE(env.WriteStringToFile(dir.Path("_RES_CAM1.zrr"), "c").ok());
    ASSERT_TRUE(env.WriteStringToFile(dir.Path("_RES_SRV.zrr"), "s").ok());
    env.ResetCounts();

    env.SimulateSharingViolation("_res_cam1", 2);
    std::string text;
    EXPECT_EQ(env.ReadFileToString(dir.Path("_RES_CAM1.zrr"), &text).error(),
              kErrorSharingViolation);
    EXPECT_TRUE(env.ReadFileToString(dir.Path("_RES_SRV.zrr"), &text).ok());
    EXPECT_EQ(env.ReadFileToString(dir.Path("_RES_CAM1.zrr"), &text).error(),
              kErrorSharingViolation);
    EXPECT_TRUE(env.ReadFileToString(dir.Path("_RES_CAM1.zrr"), &text).ok());
    EXPECT_EQ(text, "c");
    EXPECT_EQ(env.CallCount(EnvOp::kOpenFile), 4);
    EXPECT_TRUE(env.OpenedForWrite().empty());

    ASSERT_TRUE(env.WriteStringToFile(dir.Path("_RES_SRV.zrr"), "t").ok());
    EXPECT_EQ(env.OpenedForWrite(), std::vector<std::string>{dir.Path("_RES_SRV.zrr")});
    env.ResetCounts();
    EXPECT_EQ(env.CallCount(EnvOp::kOpenFile), 0);
}

TEST(TestEnv, ConcurrentCallersMeetTheInjectedFaultExactlyOnce) {
    CTempDir dir;
    CTestEnv env;
    env.FailNth(EnvOp::kWrite, 150, kErrorDiskFull);
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            std::unique_ptr<IFile> file;
            OpenOptions options;
            options.access = kAccessWrite;
            options.disposition = FileDisposition::kCreateAlways;
            ASSERT_TRUE(env.OpenFile(dir.Path("t" + std::to_string(t)), options, &file).ok());
            for (int i = 0; i < 100; ++i) {
                if (!file->Write("x", 1).ok())
                    ++failures;
                env.Sleep(1);
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(failures.load(), 1);
    EXPECT_EQ(env.CallCount(EnvOp::kWrite), 400);
    EXPECT_EQ(env.TotalSleptMilliseconds(), 400u);
}

TEST(TestEnv, FixedIdentities) {
    CTestEnv env;
    env.SetProcessId(4242);
    EXPECT_EQ(env.GetProcessId(), 4242u);

    Guid pushed;
    pushed.bytes[0] = 0xAB;
    env.PushGuid(pushed);
    env.UseSequentialGuids(0x01020304);
    Guid g;
    ASSERT_TRUE(env.CreateGuid(&g).ok());
    EXPECT_EQ(g.bytes[0], 0xAB);
    ASSERT_TRUE(env.CreateGuid(&g).ok());
    EXPECT_EQ((std::vector<int>{g.bytes[0], g.bytes[1], g.bytes[2], g.bytes[3]}),
              (std::vector<int>{0x04, 0x03, 0x02, 0x01}));
    ASSERT_TRUE(env.CreateGuid(&g).ok());
    EXPECT_EQ(g.bytes[0], 0x05);
    env.FailNth(EnvOp::kCreateGuid, 1, kErrorNotEnoughMemory);
    EXPECT_EQ(env.CreateGuid(&g).error(), kErrorNotEnoughMemory);
}

}  // namespace
}  // namespace kitroster
