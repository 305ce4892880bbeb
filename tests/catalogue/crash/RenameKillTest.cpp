// A process renaming a resource that 1,000 others refer to is killed (SIGKILL) at a random
// moment. After every kill, every reference must name a resource whose file exists: Save
// writes the renamed resource's new file before the files that refer to it, and removes
// the old file last.
//
// The same kills, each followed by a rerun of the rename as the tool runs it: afterwards
// exactly one of the two resources exists, and every reference names it.
//
// KITROSTER_RENAME_TRIALS sets the number of trials of each test (default 20 in the test
// run; 200 for a full trial), KITROSTER_CRASH_SEED the seed. A failure names seed and
// trial.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <set>
#include <string>

#include "catalogue/Kitroster.h"
#include "catalogue/ResPropertyBag.h"
#include "catalogue/ResourceItemPersist.h"
#include "catalogue/queries/UnfinishedRename.h"
#include "platform/app/KitrosterApp.h"
#include "testing/site/TestSite.h"
#include "tests/catalogue/crash/KilledChild.h"

using namespace NResourceItem;

namespace {

constexpr int kReferrers = 1000;

std::string TargetId(int generation) {
    char id[16];
    std::snprintf(id, sizeof id, "TGT%04d", generation);
    return id;
}

// Child body: load, rename `from` to `to` with references, report readiness, save.
[[noreturn]] void Rename(const std::string& from, const std::string& to, int readyFd) {
    CZRauto_ptr<IKitroster> catalogue = CKitrosterFactory::CreateInstance();
    catalogue->Load();
    if (!catalogue->Rename(from.c_str(), to.c_str(), true))
        _exit(3);
    const char ready = 'r';
    if (write(readyFd, &ready, 1) != 1)
        _exit(4);
    catalogue->Save();
    _exit(0);
}

// Runs the rename in a child, killed `delay` after it is ready (never when negative).
// Returns the seconds from readiness to the child's end.
double RunChild(const std::string& from, const std::string& to, std::chrono::microseconds delay) {
    return kitroster::testing::RunKilledChild([&](int readyFd) { Rename(from, to, readyFd); },
                                              delay)
        .saveSeconds;
}

// Checks that every reference names a loaded resource. Returns the newest target
// generation present, and sets `*split` when the references name more than one target (the
// kill landed while the referrers were being written).
int CheckReferences(int newest, bool* split) {
    CZRauto_ptr<IKitroster> catalogue = CKitrosterFactory::CreateInstance();
    EXPECT_TRUE(catalogue->Load());
    int dangling = 0;
    std::set<std::string> named;
    CString value;
    for (int i = 0; i < catalogue->Size(); ++i) {
        CZRauto_ptr<IResourceItem> item = catalogue->GetItemByIndex(i);
        CZRauto_ptr<IResPropertyBag> bag = CResPropertyBagFactory::CreateInstance(item->get_Conn());
        if (!bag->Get("RES_CAMERA", value))
            continue;
        named.insert(value.str());
        if (!catalogue->GetItemById(value))
            ++dangling;
    }
    EXPECT_EQ(dangling, 0);
    *split = named.size() > 1;
    return catalogue->GetItemById(TargetId(newest + 1).c_str()) ? newest + 1 : newest;
}

// A site of one target and its referrers.
void WriteSite(kitroster::testing::CTestSite& site) {
    kitroster::Env* env = GetKitrosterApp().GetEnv();
    auto write = [&](const std::string& id, const std::string& conn) {
        ASSERT_TRUE(env->WriteStringToFile(site.FileIn("_RES_" + id + ".zrr"),
                                           CResourceItemPersistFactory::FormatResourceText(
                                               id.c_str(), "ASSY_VIDEO", "", conn.c_str(), ""))
                        .ok());
    };
    write(TargetId(0), "IPADDR=10.0.0.1;");
    for (int i = 0; i < kReferrers; ++i) {
        char id[16];
        std::snprintf(id, sizeof id, "REF%04d", i);
        write(id, "RES_CAMERA=" + TargetId(0) + ";");
    }
}

int Trials() {
    const char* trialsText = std::getenv("KITROSTER_RENAME_TRIALS");
    return trialsText ? std::atoi(trialsText) : 20;
}

unsigned Seed() {
    const char* seedText = std::getenv("KITROSTER_CRASH_SEED");
    return seedText ? static_cast<unsigned>(std::strtoul(seedText, nullptr, 10))
                    : std::random_device{}();
}

// What the rerun of a killed rename met.
enum ERerun { kNothingDone, kHalfDone, kDone };

// Reruns the rename as the tool does: a half-done rename is finished, one that had not
// begun is done, one that had ended is left alone.
ERerun Rerun(const std::string& from, const std::string& to) {
    CZRauto_ptr<IKitroster> catalogue = CKitrosterFactory::CreateInstance();
    EXPECT_TRUE(catalogue->Load());
    if (!catalogue->GetItemById(from.c_str()))
        return kDone;
    ERerun met = kHalfDone;
    if (!FinishRename(catalogue, from.c_str(), to.c_str(), true)) {
        met = kNothingDone;
        EXPECT_TRUE(catalogue->Rename(from.c_str(), to.c_str(), true))
            << from << " and " << to << " clash";
    }
    EXPECT_TRUE(SaveAllOrNothing(catalogue));
    EXPECT_TRUE(GetSaveFailures(catalogue).empty());
    return met;
}

// Checks that `from` is gone, `to` exists and every reference names it.
void CheckRenamed(const std::string& from, const std::string& to) {
    CZRauto_ptr<IKitroster> catalogue = CKitrosterFactory::CreateInstance();
    EXPECT_TRUE(catalogue->Load());
    EXPECT_FALSE(catalogue->GetItemById(from.c_str())) << from << " is still there";
    EXPECT_TRUE(catalogue->GetItemById(to.c_str())) << to << " is missing";
    int elsewhere = 0;
    CString value;
    for (int i = 0; i < catalogue->Size(); ++i) {
        CZRauto_ptr<IResourceItem> item = catalogue->GetItemByIndex(i);
        CZRauto_ptr<IResPropertyBag> bag = CResPropertyBagFactory::CreateInstance(item->get_Conn());
        if (bag->Get("RES_CAMERA", value) && value != CString(to.c_str()))
            ++elsewhere;
    }
    EXPECT_EQ(elsewhere, 0) << "references not naming " << to;
}

}  // namespace

TEST(CatalogueCrash, KilledRenameNeverLeavesAReferenceToAMissingResource) {
    kitroster::testing::CTestSite site;
    WriteSite(site);
    const int trials = Trials();
    const unsigned seed = Seed();
    std::mt19937 random(seed);

    // One uninterrupted rename sets the range of the kill delays.
    bool split = false;
    const double full = RunChild(TargetId(0), TargetId(1), std::chrono::microseconds(-1));
    int newest = CheckReferences(0, &split);
    ASSERT_EQ(newest, 1);
    std::uniform_int_distribution<int> delayUs(0, static_cast<int>(full * 1.2e6) + 1);

    int killedMidway = 0;
    for (int trial = 0; trial < trials; ++trial) {
        SCOPED_TRACE("seed " + std::to_string(seed) + " trial " + std::to_string(trial));
        RunChild(TargetId(newest), TargetId(newest + 1),
                 std::chrono::microseconds(delayUs(random)));
        newest = CheckReferences(newest, &split);
        killedMidway += split;
        if (HasFailure())
            break;
    }
    std::printf(
        "rename kill trials: %d, seed %u, full rename %.1f ms, trials ending with references to "
        "more than one target %d\n",
        trials, seed, full * 1e3, killedMidway);
}

TEST(CatalogueCrash, KilledRenameIsFinishedByItsRerun) {
    kitroster::testing::CTestSite site;
    WriteSite(site);
    const int trials = Trials();
    const unsigned seed = Seed();
    std::mt19937 random(seed);

    const double full = RunChild(TargetId(0), TargetId(1), std::chrono::microseconds(-1));
    CheckRenamed(TargetId(0), TargetId(1));
    std::uniform_int_distribution<int> delayUs(0, static_cast<int>(full * 1.2e6) + 1);

    int met[3] = {0, 0, 0};
    for (int trial = 1; trial <= trials; ++trial) {
        SCOPED_TRACE("seed " + std::to_string(seed) + " trial " + std::to_string(trial));
        const std::string from = TargetId(trial);
        const std::string to = TargetId(trial + 1);
        RunChild(from, to, std::chrono::microseconds(delayUs(random)));
        ++met[Rerun(from, to)];
        CheckRenamed(from, to);
        if (HasFailure())
            break;
    }
    std::printf(
        "rename kill-and-rerun trials: %d, seed %u, full rename %.1f ms; the rerun found the "
        "rename not begun %d, half done %d, done %d\n",
        trials, seed, full * 1e3, met[kNothingDone], met[kHalfDone], met[kDone]);
}
