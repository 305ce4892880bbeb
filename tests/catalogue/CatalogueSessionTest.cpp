// The catalogue session: the lock each policy holds, the files Load skipped, and a save
// that changes nothing on disk when one file stops it.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "catalogue/CatalogueContext.h"
#include "catalogue/CatalogueSession.h"
#include "tests/catalogue/CatalogueTestSupport.h"

using namespace NResourceItem;

namespace {

bool Mentions(const std::vector<CString>& failures, const char* fragment) {
    for (const CString& failure : failures) {
        if (failure.Find(fragment) >= 0)
            return true;
    }
    return false;
}

class CatalogueSessionTest : public CatalogueFolderTest {
  protected:
    // Whether another writer could take the lock right now.
    bool LockFree() {
        CString error;
        return CCatalogueLock::Acquire(GetCatalogueFolder(), 0, {}, &error) != nullptr;
    }
};

TEST_F(CatalogueSessionTest, LocksByPolicyReportsSkippedFilesAndSavesAllOrNothing) {
    const std::string a = ResourceText("A", "T", "CAM=\"CAM1\";");
    const std::string z = ResourceText("Z", "T", "CAM=\"CAM1\";");
    const std::string newer = ResourceText("NEWER", "T", "", 1001);
    std::unique_ptr<CCatalogueLock> peerLock;
    struct SCase {
        const char* what;
        ECatalogueLockPolicy policy;
        std::function<void()> beforeLoad;
        std::function<void()> beforeSave;
        bool skips;  // Load skips a file
        bool loads;
        bool saves;
        const char* failure;  // what Error() or Failures() names
    };
    const auto hold = ECatalogueLockPolicy::kHoldFromLoad;
    const auto window = ECatalogueLockPolicy::kTakeForSave;
    auto takeLock = [&] {
        CString error;
        peerLock = CCatalogueLock::Acquire(GetCatalogueFolder(), 0, {}, &error);
        ASSERT_TRUE(peerLock) << error.GetString();
    };
    const SCase cases[] = {
        {"nothing in the way", hold, {}, {}, false, true, true, nullptr},
        {"lock held by another at load",
         hold,
         takeLock,
         {},
         false,
         false,
         false,
         "another program is changing the catalogue"},
        {"lock held by another at the window's save",
         window,
         {},
         takeLock,
         false,
         true,
         false,
         "another program is changing the catalogue"},
        {"a skipped file does not stop the session",
         hold,
         [&] { WriteRaw("_RES_NEWER.zrr", newer); },
         {},
         true,
         true,
         true,
         nullptr},
        {"a failing file stops the whole save",
         hold,
         {},
         [&] { m_env.FailNth(kitroster::EnvOp::kWrite, 1, kitroster::kErrorDiskFull, "RES_Z"); },
         false,
         true,
         false,
         "_RES_Z.zrr"},
        {"a peer's change refuses the window's save",
         window,
         {},
         [&] { WriteRaw("_RES_Z.zrr", ResourceText("Z", "T", "CAM=\"CAM1\";NAME=\"peer\";")); },
         false,
         true,
         false,
         "_RES_Z.zrr"},
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE(c.what);
        for (const std::string& name : Entries())
            std::remove(FileIn(name).c_str());
        WriteRaw("_RES_CAM1.zrr", ResourceText("CAM1"));
        WriteRaw("_RES_A.zrr", a);
        WriteRaw("_RES_Z.zrr", z);
        if (c.beforeLoad)
            c.beforeLoad();

        CCatalogueSession session(c.policy, {}, /*waitMs=*/0);
        ASSERT_EQ(session.Load(), c.loads);
        if (!c.loads) {
            EXPECT_NE(session.Error().Find(c.failure), -1) << session.Error().GetString();
            EXPECT_EQ(session.Collection(), nullptr) << "nothing is read without the lock";
            peerLock.reset();
            continue;
        }
        const bool skipping = c.skips;
        EXPECT_EQ(session.Clean(), !skipping);
        ASSERT_EQ(session.Skipped().size(), skipping ? 1u : 0u);
        if (skipping) {
            EXPECT_EQ(session.Skipped()[0].name, "_RES_NEWER.zrr");
            EXPECT_NE(session.Skipped()[0].reason.Find("1001"), -1);
        }
        // A short session keeps other writers out from its load on; a window does not.
        EXPECT_EQ(session.HoldsLock(), c.policy == hold);
        if (c.policy == window && !peerLock) {
            EXPECT_TRUE(LockFree());
        }

        ASSERT_TRUE(session.Collection()->Rename("CAM1", "NEW", true));
        if (c.beforeSave)
            c.beforeSave();
        const std::vector<std::string> beforeSave = Entries();
        const std::string zBeforeSave = ReadRaw("_RES_Z.zrr");
        EXPECT_EQ(session.Save(), c.saves);
        m_env.ClearFaults();
        peerLock.reset();
        if (c.saves) {
            EXPECT_TRUE(session.Failures().empty());
            EXPECT_TRUE(Exists("_RES_NEW.zrr"));
            EXPECT_FALSE(Exists("_RES_CAM1.zrr"));
            EXPECT_NE(ReadRaw("_RES_A.zrr").find("NEW"), std::string::npos);
            if (skipping) {
                EXPECT_EQ(ReadRaw("_RES_NEWER.zrr"), newer);
            }
        } else {
            EXPECT_TRUE(Mentions(session.Failures(), c.failure));
            EXPECT_EQ(Entries(), beforeSave) << "nothing on disk changed";
            EXPECT_EQ(ReadRaw("_RES_A.zrr"), a);
            EXPECT_EQ(ReadRaw("_RES_Z.zrr"), zBeforeSave);
        }
        // A window gives the lock back after its save; a short session at its end.
        EXPECT_EQ(LockFree(), c.policy == window);
        session.Release();
        EXPECT_TRUE(LockFree());
    }
}

}  // namespace
