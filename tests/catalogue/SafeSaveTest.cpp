// What Save refuses to do so that nothing is lost: files it could not read, files that
// belong to another resource, files a peer changed, and half-done renames.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "catalogue/CatalogueLock.h"
#include "catalogue/Kitroster.h"
#include "testing/log/LogCapture.h"
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

class SafeSaveTest : public CatalogueFolderTest {
  protected:
    CZRauto_ptr<IKitroster> Load(bool expectClean = true) {
        CZRauto_ptr<IKitroster> collection = CKitrosterFactory::CreateInstance();
        EXPECT_EQ(collection->Load(), expectClean);
        return collection;
    }
};

TEST_F(SafeSaveTest, FilesLoadSkippedAreNamedAndNeverWrittenWhileOtherChangesGoThrough) {
    const std::string newer = ResourceText("NEWER", "T", "", 1001);
    const std::string crOnly = "<SCMA> {1000}\r<ID> {CRONLY}\r<TYPE> {T}\r";
    const std::string noId = "<SCMA> {1000}\r\n<TYPE> {T}\r\n";
    const std::string emptyId = ResourceText("");
    WriteRaw("_RES_NEWER.zrr", newer);
    WriteRaw("_RES_CRONLY.zrr", crOnly);
    WriteRaw("_RES_NOID.zrr", noId);
    WriteRaw("_RES_EMPTY.zrr", emptyId);
    WriteRaw("_RES_GOOD.zrr", ResourceText("GOOD"));

    CLogCapture log("KITROSTER=0x2d");
    CZRauto_ptr<IKitroster> collection = Load(/*expectClean=*/false);
    std::vector<CString> skipped = GetSkippedFiles(collection.get());
    std::sort(skipped.begin(), skipped.end());
    EXPECT_EQ(skipped, (std::vector<CString>{"_RES_CRONLY.zrr", "_RES_EMPTY.zrr", "_RES_NEWER.zrr",
                                             "_RES_NOID.zrr"}));
    for (const char* name : {"_RES_NEWER.zrr", "_RES_CRONLY.zrr", "_RES_NOID.zrr"})
        EXPECT_TRUE(log.Contains(std::string("skipped "), ZRLOG_FAILURE)) << name;

    // Resources named like the skipped files are refused; the other change is saved.
    for (const char* id : {"NEWER", "cronly", "NOID", "EMPTY"})
        ASSERT_TRUE(collection->Add(MakeItem(id)));
    ASSERT_TRUE(collection->Add(MakeItem("OTHER")));
    collection->GetItemById("GOOD")->set_Name("changed");
    EXPECT_TRUE(collection->Save());
    const std::vector<CString> failures = GetSaveFailures(collection.get());
    EXPECT_EQ(failures.size(), 4u);
    EXPECT_TRUE(Mentions(failures, "_RES_NEWER.zrr"));
    EXPECT_EQ(ReadRaw("_RES_NEWER.zrr"), newer);
    EXPECT_EQ(ReadRaw("_RES_CRONLY.zrr"), crOnly);
    EXPECT_EQ(ReadRaw("_RES_NOID.zrr"), noId);
    EXPECT_EQ(ReadRaw("_RES_EMPTY.zrr"), emptyId);
    EXPECT_TRUE(Exists("_RES_OTHER.zrr"));
    EXPECT_NE(ReadRaw("_RES_GOOD.zrr").find("changed"), std::string::npos);
}

TEST_F(SafeSaveTest, OneIdentifierOneFile) {
    WriteRaw("_RES_NEWCAM.zrr", ResourceText("IMPORTANT"));
    WriteRaw("_RES_X.zrr", ResourceText("X"));
    WriteRaw("_RES_ELSEWHERE.zrr", ResourceText("CAM9"));
    WriteRaw("_RES_D1.zrr", ResourceText("DUP"));
    WriteRaw("_RES_D2.zrr", ResourceText("DUP"));
    const std::string important = ReadRaw("_RES_NEWCAM.zrr");

    // Adding or renaming to an identifier whose file holds another resource is refused.
    CZRauto_ptr<IKitroster> collection = Load();
    auto* factory = dynamic_cast<CKitrosterFactory*>(collection.get());
    CString holder;
    EXPECT_EQ(factory->GetFileTakenFrom("newcam", &holder), "_RES_NEWCAM.zrr");
    EXPECT_EQ(holder, "IMPORTANT");
    EXPECT_EQ(factory->GetFileTakenFrom("IMPORTANT", &holder), "");
    ASSERT_TRUE(collection->Add(MakeItem("NEWCAM")));
    EXPECT_TRUE(collection->Save());
    EXPECT_TRUE(Mentions(GetSaveFailures(collection.get()), "_RES_NEWCAM.zrr"));
    EXPECT_EQ(ReadRaw("_RES_NEWCAM.zrr"), important);

    collection = Load();
    ASSERT_TRUE(collection->Rename("X", "NEWCAM", true));
    EXPECT_TRUE(collection->Save());
    EXPECT_EQ(ReadRaw("_RES_NEWCAM.zrr"), important);
    EXPECT_TRUE(Exists("_RES_X.zrr")) << "the old file stays when the new one was refused";

    // A change reaches every file of the identifier; a delete removes them all, also a
    // file named otherwise.
    collection = Load();
    collection->GetItemById("DUP")->set_Name("both");
    EXPECT_TRUE(collection->Save());
    for (const CString& failure : GetSaveFailures(collection.get()))
        ADD_FAILURE() << failure.GetString();
    EXPECT_NE(ReadRaw("_RES_D1.zrr").find("both"), std::string::npos);
    EXPECT_NE(ReadRaw("_RES_D2.zrr").find("both"), std::string::npos);
    collection->Delete("DUP");
    collection->Delete("CAM9");
    EXPECT_TRUE(collection->Save());
    EXPECT_FALSE(Exists("_RES_D1.zrr"));
    EXPECT_FALSE(Exists("_RES_D2.zrr"));
    EXPECT_FALSE(Exists("_RES_ELSEWHERE.zrr"));
    collection = Load();
    EXPECT_FALSE(collection->GetItemById("DUP"));
    EXPECT_FALSE(collection->GetItemById("CAM9"));
}

TEST_F(SafeSaveTest, APeersSaveIsNeverOverwritten) {
    WriteRaw("_RES_CAM1.zrr", ResourceText("CAM1"));
    WriteRaw("_RES_CAM2.zrr", ResourceText("CAM2"));
    CZRauto_ptr<IKitroster> mine = Load();
    CZRauto_ptr<IKitroster> peer = Load();

    struct SCase {
        const char* what;
        std::function<void()> peerChange;
        std::function<void()> myChange;
        const char* file;
    };
    const SCase cases[] = {
        {"peer edited",
         [&] {
             peer->GetItemById("CAM1")->set_Name("peer");
             peer->Save();
         },
         [&] { mine->GetItemById("CAM1")->set_Name("mine"); }, "_RES_CAM1.zrr"},
        {"peer deleted",
         [&] {
             peer->Delete("CAM2");
             peer->Save();
         },
         [&] { mine->GetItemById("CAM2")->set_Name("mine"); }, "_RES_CAM2.zrr"},
        {"peer created",
         [&] {
             peer->Add(MakeItem("CAM3", "BY=PEER;"));
             peer->Save();
         },
         [&] { mine->Add(MakeItem("CAM3", "BY=ME;")); }, "_RES_CAM3.zrr"},
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE(c.what);
        c.peerChange();
        ASSERT_TRUE(GetSaveFailures(peer.get()).empty());
        const bool existed = Exists(c.file);
        const std::string before = existed ? ReadRaw(c.file) : "";
        c.myChange();
        EXPECT_TRUE(mine->Save());
        EXPECT_TRUE(Mentions(GetSaveFailures(mine.get()), c.file));
        EXPECT_EQ(Exists(c.file), existed);
        if (existed) {
            EXPECT_EQ(ReadRaw(c.file), before);
        }
    }
    // A collection's own saves are not mistaken for a peer's.
    CZRauto_ptr<IKitroster> fresh = Load();
    for (const char* name : {"a", "b", "c"}) {
        fresh->GetItemById("CAM1")->set_Name(name);
        EXPECT_TRUE(fresh->Save());
        EXPECT_TRUE(GetSaveFailures(fresh.get()).empty()) << name;
    }
}

TEST_F(SafeSaveTest, RenameWritesTheNewFileFirstAndAllOrNothingPutsBackAFailure) {
    WriteRaw("_RES_CAM1.zrr", ResourceText("CAM1"));
    WriteRaw("_RES_A.zrr", ResourceText("A", "T", "CAM=CAM1;"));
    WriteRaw("_RES_Z.zrr", ResourceText("Z", "T", "CAM=CAM1;"));
    const std::vector<std::string> before = Entries();
    const std::string a = ReadRaw("_RES_A.zrr");
    const std::string z = ReadRaw("_RES_Z.zrr");

    // The new file comes before the referrers, although "A" sorts before "NEW".
    CZRauto_ptr<IKitroster> collection = Load();
    ASSERT_TRUE(collection->Rename("CAM1", "NEW", true));
    m_env.ResetCounts();
    EXPECT_TRUE(collection->Save());
    ASSERT_EQ(m_env.OpenedForWrite().size(), 3u);
    EXPECT_NE(m_env.OpenedForWrite()[0].find("RES_NEW.zrr"), std::string::npos);
    EXPECT_FALSE(Exists("_RES_CAM1.zrr"));

    // All or nothing: a referrer that cannot be written is found before anything is
    // written; a write that still fails puts back what was written.
    struct SCase {
        const char* what;
        std::function<void()> fault;
        size_t writesAttempted;
    };
    const SCase cases[] = {
        {"read-only referrer", [&] { m_env.SetReadOnly(FileIn("_RES_Z.zrr"), true); }, 0},
        {"failing write",
         [&] { m_env.FailNth(kitroster::EnvOp::kWrite, 1, kitroster::kErrorDiskFull, "RES_Z"); },
         4},  // the new file, A, the failed Z, and A put back
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE(c.what);
        // Back to the starting files.
        m_env.SetReadOnly(FileIn("_RES_Z.zrr"), false);
        for (const std::string& name : Entries())
            std::remove(FileIn(name).c_str());
        WriteRaw("_RES_CAM1.zrr", ResourceText("CAM1"));
        WriteRaw("_RES_A.zrr", a);
        WriteRaw("_RES_Z.zrr", z);

        collection = Load();
        ASSERT_TRUE(collection->Rename("CAM1", "NEW", true));
        c.fault();
        m_env.ResetCounts();
        auto* factory = dynamic_cast<CKitrosterFactory*>(collection.get());
        EXPECT_TRUE(factory->SaveAllOrNothing());
        EXPECT_EQ(m_env.OpenedForWrite().size(), c.writesAttempted);
        EXPECT_TRUE(Mentions(factory->GetSaveFailures(), "_RES_Z.zrr"));
        EXPECT_EQ(Entries(), before);
        EXPECT_EQ(ReadRaw("_RES_A.zrr"), a);
        EXPECT_EQ(ReadRaw("_RES_Z.zrr"), z);
        m_env.ClearFaults();
        m_env.SetReadOnly(FileIn("_RES_Z.zrr"), false);

        // The collection forgets the writes it put back: saving again writes them all.
        EXPECT_TRUE(factory->SaveAllOrNothing());
        EXPECT_TRUE(factory->GetSaveFailures().empty());
        EXPECT_FALSE(Exists("_RES_CAM1.zrr"));
        EXPECT_TRUE(Exists("_RES_NEW.zrr"));
        EXPECT_NE(ReadRaw("_RES_A.zrr").find("CAM=NEW"), std::string::npos);
        EXPECT_NE(ReadRaw("_RES_Z.zrr").find("CAM=NEW"), std::string::npos);
    }
}

}  // namespace

namespace {

TEST_F(SafeSaveTest, TheCatalogueLockMakesWritersTakeTurnsAndGivesUpAfterItsWait) {
    const CString folder = GetCatalogueFolder();
    CString error;
    int waits = 0;
    auto first = CCatalogueLock::Acquire(folder, 0, {}, &error);
    ASSERT_TRUE(first) << error.GetString();
    EXPECT_TRUE(Entries() == std::vector<std::string>{".~catalogue.lock"});

    // A second writer waits its time on the Env's clock, tells once, then gives up.
    m_env.SetTickCount(0xFFFFF000u);  // the wait spans the wrap of the tick counter
    const uint64_t sleptBefore = m_env.TotalSleptMilliseconds();
    EXPECT_FALSE(CCatalogueLock::Acquire(
        folder, 10000, [&] { ++waits; }, &error));
    EXPECT_EQ(waits, 1);
    EXPECT_GE(m_env.TotalSleptMilliseconds() - sleptBefore, 10000u);
    EXPECT_LT(m_env.TotalSleptMilliseconds() - sleptBefore, 10200u);
    EXPECT_NE(error.Find("another program is changing the catalogue"), -1);

    first.reset();
    EXPECT_TRUE(CCatalogueLock::Acquire(folder, 0, {}, &error));
    m_env.FailNth(kitroster::EnvOp::kLockFile, 1, kitroster::kErrorAccessDenied);
    EXPECT_FALSE(CCatalogueLock::Acquire(folder, 10000, {}, &error));
    EXPECT_NE(error.Find("cannot be locked"), -1) << "a broken lock is not waited for";
}

}  // namespace
