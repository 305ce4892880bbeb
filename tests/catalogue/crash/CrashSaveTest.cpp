// A process that saves 200 changed resources is killed (SIGKILL) at a random moment; after
// every kill each resource file must still parse to either its previous or its new
// content, and none may be missing. 200 trials, each changing all 200 resources.
//
// The child loads the catalogue, changes every item, tells the parent it is about to save,
// and saves; the parent waits a random delay from that moment and kills it. The delay range
// is calibrated from one uninterrupted save so that kills spread over the whole save.
// KITROSTER_CRASH_SEED overrides the seed; a failure names seed and trial.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "catalogue/CatalogueContext.h"
#include "catalogue/Kitroster.h"
#include "catalogue/ResourceItemPersist.h"
#include "platform/env/Env.h"
#include "testing/site/TestSite.h"
#include "tests/catalogue/crash/KilledChild.h"

using namespace NResourceItem;

namespace {

constexpr int kResources = 200;
constexpr int kTrials = 200;
using Clock = std::chrono::steady_clock;

std::string idOf(int i) {
    char id[16];
    std::snprintf(id, sizeof id, "RES%03d", i);
    return id;
}

// The file text of resource `i` after `generation` saves. Each generation changes the
// name, the connectivity and the length of the file.
std::string contentOf(int i, int generation) {
    const std::string pad(static_cast<size_t>(generation % 7) * 9, 'x');
    return CResourceItemPersistFactory::FormatResourceText(
        idOf(i).c_str(), "CAMERA_IP",
        ("Camera " + std::to_string(i) + " gen " + std::to_string(generation)).c_str(),
        ("IPADDR=10.1." + std::to_string(i) + ".1;GEN=" + std::to_string(generation) +
         ";PAD=" + pad + ";")
            .c_str(),
        "PTZ=FALSE;");
}

// Child body: load, change every item to `generation`, report readiness, save. Never
// returns.
[[noreturn]] void saveGeneration(int generation, int readyFd) {
    CZRauto_ptr<IKitroster> catalogue = CKitrosterFactory::CreateInstance();
    if (!catalogue->Load() || catalogue->Size() != kResources)
        _exit(3);
    for (int i = 0; i < kResources; ++i) {
        CZRauto_ptr<IResourceItem> target =
            CResourceItemPersistFactory::ParseResourceText(contentOf(i, generation), nullptr);
        CZRauto_ptr<IResourceItem> item = catalogue->GetItemById(idOf(i).c_str());
        if (item == nullptr || target == nullptr)
            _exit(4);
        item->set_Name(target->get_Name());
        item->set_Conn(target->get_Conn());
    }
    const char ready = 'r';
    if (write(readyFd, &ready, 1) != 1)
        _exit(5);
    catalogue->Save();
    _exit(0);
}

kitroster::testing::SKillOutcome runChild(int generation, std::chrono::microseconds delay) {
    return kitroster::testing::RunKilledChild(
        [generation](int readyFd) { saveGeneration(generation, readyFd); }, delay);
}

}  // namespace

TEST(CatalogueCrash, KilledSaveLeavesEveryFileOldOrNew) {
    kitroster::testing::CTestSite temp;
    kitroster::Env* env = GetKitrosterApp().GetEnv();

    // generation[i]: the generation that resource i's file holds now.
    std::vector<int> generation(kResources, 0);
    for (int i = 0; i < kResources; ++i)
        ASSERT_TRUE(
            env->WriteStringToFile(temp.folder() + "/" + ResourceFileName(idOf(i).c_str()).str(),
                                   contentOf(i, 0))
                .ok());

    const char* seedText = std::getenv("KITROSTER_CRASH_SEED");
    const uint32_t seed =
        seedText ? static_cast<uint32_t>(std::strtoul(seedText, nullptr, 10)) : 20261208u;
    std::mt19937 rng(seed);

    // Calibration: one uninterrupted save sets the range of the kill delays.
    int next = 1;
    const kitroster::testing::SKillOutcome calibration = runChild(next, std::chrono::microseconds(-1));
    ASSERT_FALSE(calibration.killed);
    std::fill(generation.begin(), generation.end(), next++);
    const auto maxDelay = std::chrono::microseconds(
        std::max<long>(50, static_cast<long>(calibration.saveSeconds * 1.1e6)));
    std::uniform_int_distribution<long> delayOf(0, maxDelay.count());

    int killedTrials = 0, mixedTrials = 0;
    for (int trial = 0; trial < kTrials; ++trial) {
        const int target = next++;
        const kitroster::testing::SKillOutcome outcome = runChild(target, std::chrono::microseconds(delayOf(rng)));
        killedTrials += outcome.killed;

        std::vector<std::string> names;
        ASSERT_TRUE(env->FindFiles(temp.folder(), "_RES_*.zrr", &names).ok());
        ASSERT_EQ(names.size(), static_cast<size_t>(kResources))
            << "seed " << seed << ", trial " << trial << ": resource files missing or extra";
        int updated = 0;
        for (int i = 0; i < kResources; ++i) {
            std::string text;
            const std::string path = temp.folder() + "/" + ResourceFileName(idOf(i).c_str()).str();
            ASSERT_TRUE(env->ReadFileToString(path, &text).ok())
                << "seed " << seed << ", trial " << trial << ": " << path << " is missing";
            if (text == contentOf(i, target)) {
                generation[i] = target;
                ++updated;
            } else {
                ASSERT_EQ(text, contentOf(i, generation[i]))
                    << "seed " << seed << ", trial " << trial << ": " << path
                    << " holds neither its old nor its new content";
            }
        }
        mixedTrials += updated > 0 && updated < kResources;
        ASSERT_TRUE(outcome.killed || updated == kResources)
            << "seed " << seed << ", trial " << trial << ": a completed save left "
            << kResources - updated << " files unwritten";
    }

    // What remains loads completely.
    CZRauto_ptr<IKitroster> catalogue = CKitrosterFactory::CreateInstance();
    EXPECT_TRUE(catalogue->Load());
    EXPECT_EQ(catalogue->Size(), kResources);
    std::printf(
        "%d trials, %d killed during the save (%d of them between files), max delay %ld us, seed "
        "%u\n",
        kTrials, killedTrials, mixedTrials, static_cast<long>(maxDelay.count()), seed);
    // Kills that all land after the save finished would prove nothing.
    EXPECT_GE(mixedTrials, kTrials / 4) << "kills did not land inside the save often enough";
}
