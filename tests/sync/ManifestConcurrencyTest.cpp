// Writers and a restoring reader meeting on one manifest: a reader that finds the main
// file corrupt never puts the backup over a generation a writer published meanwhile, and
// writers running at once wait for each other instead of failing.
#include <gtest/gtest.h>

#include <functional>
#include <thread>

#include "platform/app/KitrosterApp.h"
#include "testing/env/TempDir.h"
#include "testing/env/TestEnv.h"
#include "tests/sync/ManifestTestSupport.h"
#include "tests/sync/SyncTestServices.h"

using namespace manifest_test;
using kitroster::CTempDir;
using kitroster::CTestEnv;

namespace {

// Runs `hook` once, just before the first lock is taken.
class CLockHookEnv : public CTestEnv {
  public:
    std::function<void()> hook;
    kitroster::EnvStatus LockFile(const std::string& path,
                                  std::unique_ptr<kitroster::IFileLock>* lock) override {
        if (auto run = std::exchange(hook, nullptr))
            run();
        return CTestEnv::LockFile(path, lock);
    }
};

TEST(ManifestConcurrencyTest, RecoveryNeverOverwritesANewerGeneration) {
    enum class Interleaving { kWriterHoldsTheLock, kWriterPublishedBeforeTheLock };
    for (Interleaving interleaving :
         {Interleaving::kWriterHoldsTheLock, Interleaving::kWriterPublishedBeforeTheLock}) {
        SCOPED_TRACE(static_cast<int>(interleaving));
        CTempDir dir;
        CLockHookEnv env;
        CAppServicesOverride services(sync_test::WithEnv(&env));
        const std::string main = dir.Path("cat.mfs");
        ASSERT_EQ(Write(main, Generation(1, 2)), S_OK);
        ASSERT_EQ(Write(main, Generation(2, 2)), S_OK);
        ASSERT_TRUE(env.WriteStringToFile(main, std::string(100, 'x')).ok());

        // The reader finds the main file corrupt; before it can restore the backup, a
        // writer publishes generation 3.
        std::unique_ptr<kitroster::IFileLock> writerLock;
        if (interleaving == Interleaving::kWriterHoldsTheLock) {
            ASSERT_TRUE(env.LockFile(dir.Path("cat.mfk"), &writerLock).ok());
            env.SetSleepHook([&](uint32_t) {
                if (writerLock) {
                    writerLock.reset();
                    ASSERT_EQ(Write(main, Generation(3, 2)), S_OK);
                }
            });
        } else {
            env.hook = [&] { ASSERT_EQ(Write(main, Generation(3, 2)), S_OK); };
        }
        ReadResult r = Read(main, true, 1000);
        EXPECT_EQ(r.hr, S_OK);
        EXPECT_FALSE(r.usedBackup);
        EXPECT_EQ(r.records, Generation(3, 2));
        EXPECT_EQ(Read(main).records, Generation(3, 2)) << "the newest generation stays main";
    }
}

TEST(ManifestConcurrencyTest, ConcurrentWritersWaitForEachOther) {
    CTempDir dir;
    CAppServicesOverride services(sync_test::WithEnv(kitroster::Env::Default()));
    const std::string main = dir.Path("cat.mfs");
    constexpr int kWriters = 3;
    constexpr int kWrites = 120;
    std::vector<HRESULT> failures[kWriters];
    std::vector<std::thread> threads;
    for (int w = 0; w < kWriters; ++w) {
        threads.emplace_back([&, w] {
            for (int i = 0; i < kWrites; ++i) {
                HRESULT hr =
                    CZRManifestPersistWriter::CreateInstance(
                        main, "h", MakeSet(Generation(w * kWrites + i, 3)), 0, false, 10000)
                        ->GetResult();
                if (hr != S_OK)
                    failures[w].push_back(hr);
            }
        });
    }
    for (std::thread& t : threads)
        t.join();
    for (int w = 0; w < kWriters; ++w)
        EXPECT_TRUE(failures[w].empty())
            << "writer " << w << " failed " << failures[w].size() << " times, first 0x" << std::hex
            << (failures[w].empty() ? 0 : failures[w][0]);
    ReadResult last = Read(main);
    EXPECT_EQ(last.hr, S_OK);
    EXPECT_FALSE(last.usedBackup);
    EXPECT_EQ(last.records.size(), 3u);
}

}  // namespace
