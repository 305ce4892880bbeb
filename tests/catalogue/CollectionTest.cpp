// The collection end to end in a temp catalogue folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "catalogue/FolderIndex.h"
#include "catalogue/Kitroster.h"
#include "catalogue/ResourceItemPersist.h"
#include "platform/registry/Registry.h"
#include "testing/log/LogCapture.h"
#include "tests/catalogue/CatalogueTestSupport.h"

using namespace NResourceItem;

namespace {

std::vector<std::string> Ids(IKitroster* collection) {
    std::vector<std::string> ids;
    for (int i = 0; i < collection->Size(); ++i)
        ids.push_back(collection->GetItemByIndex(i)->get_ID().str());
    return ids;
}

}  // namespace

class CollectionTest : public CatalogueFolderTest {
  protected:
    CZRauto_ptr<IKitroster> Loaded() {
        CZRauto_ptr<IKitroster> collection = CKitrosterFactory::CreateInstance();
        EXPECT_TRUE(collection->Load());
        return collection;
    }
};

TEST_F(CollectionTest, LoadFollowsTheFolderAndKeysByUpperCasedIdentifier) {
    CZRauto_ptr<IKitroster> empty = CKitrosterFactory::CreateInstance();
    EXPECT_TRUE(empty->Load()) << "a missing folder is an empty catalogue";
    EXPECT_EQ(empty->Size(), 0);

    WriteRaw("_RES_B.zrr", ResourceText("b"));
    WriteRaw("_RES_A.zrr", ResourceText("a"));
    WriteRaw("_RES_A2.zrr", ResourceText("a", "LATER"));  // same inner identifier
    WriteRaw("other.txt", ResourceText("IGNORED"));
    std::vector<std::string> order;
    m_env.FindFiles(m_folder, "_RES_*.zrr", &order);

    CZRauto_ptr<IKitroster> collection = Loaded();
    ASSERT_EQ(collection->Size(), 2);
    EXPECT_TRUE(collection->GetItemById("A"));
    EXPECT_EQ(collection->GetItemById("a").get(), collection->GetItemById("A").get());
    EXPECT_EQ(collection->GetItemById("a")->get_ID(), "a") << "the file's spelling is kept";
    EXPECT_FALSE(collection->GetItemById(""));
    EXPECT_FALSE(collection->GetItemById("IGNORED"));
    EXPECT_FALSE(collection->GetItemByIndex(2));
    EXPECT_FALSE(collection->GetItemByIndex(-1));
    EXPECT_FALSE(collection->IsDirty());

    // Index order is the enumeration order; of two files with one identifier the later
    // one's content wins at the first one's position.
    std::vector<std::string> expected;
    std::string lastA;
    for (const std::string& name : order) {
        const std::string id = name == "_RES_B.zrr" ? "b" : "a";
        if (std::find(expected.begin(), expected.end(), id) == expected.end())
            expected.push_back(id);
        if (id == "a")
            lastA = name == "_RES_A2.zrr" ? "LATER" : "T";
    }
    EXPECT_EQ(Ids(collection), expected);
    EXPECT_EQ(collection->GetItemById("A")->get_Type(), lastA.c_str());
}

TEST_F(CollectionTest, SchemaMismatchAndUnreadableFilesAreSkippedAndLogged) {
    WriteRaw("_RES_GOOD.zrr", ResourceText("GOOD"));
    WriteRaw("_RES_OLD.zrr", ResourceText("OLD", "T", "", 999));
    WriteRaw("_RES_BAD.zrr", ResourceText("BAD"));
    m_env.FailNth(kitroster::EnvOp::kOpenFile, 1, kitroster::kErrorSharingViolation, "_RES_BAD");

    CLogCapture log("KITROSTER=0x2d");
    CZRauto_ptr<IKitroster> collection = CKitrosterFactory::CreateInstance();
    EXPECT_FALSE(collection->Load());
    EXPECT_EQ(Ids(collection), std::vector<std::string>{"GOOD"});
    EXPECT_TRUE(
        log.Contains("CKitrosterFactory::Load() schema mismatch. File schema was 999 while "
                     "current RES_SCHEMA is 1000",
                     ZRLOG_INFO));
    EXPECT_TRUE(
        log.Contains("CKitrosterFactory::Load() schema mismatch. File schema was 0 while "
                     "current RES_SCHEMA is 1000",
                     ZRLOG_INFO));
    EXPECT_TRUE(log.Contains("_RES_BAD.zrr", ZRLOG_FAILURE));
}

TEST_F(CollectionTest, AddDeleteAndSaveWriteOnlyWhatChanged) {
    WriteRaw("_RES_X.zrr", ResourceText("X"));
    WriteRaw("_RES_Y.zrr", ResourceText("Y"));
    CZRauto_ptr<IKitroster> collection = Loaded();

    // Nothing dirty: Save writes and deletes nothing.
    m_env.ResetCounts();
    EXPECT_TRUE(collection->Save());
    EXPECT_TRUE(m_env.OpenedForWrite().empty());
    EXPECT_EQ(m_env.CallCount(kitroster::EnvOp::kDeleteFile), 0);

    // Add replaces in place.
    EXPECT_FALSE(collection->Add(CZRauto_ptr<IResourceItem>()));
    EXPECT_FALSE(collection->Add(CResourceItemFactory::CreateInstance()));
    const int xIndex = collection->GetItemByIndex(0)->get_ID() == "X" ? 0 : 1;
    CZRauto_ptr<IResourceItem> newX = MakeItem("x", "K=V;");
    EXPECT_TRUE(collection->Add(newX));
    EXPECT_EQ(collection->Size(), 2);
    EXPECT_EQ(collection->GetItemByIndex(xIndex).get(), newX.get());

    // Delete, then Add again before saving: the file is rewritten, not deleted.
    EXPECT_FALSE(collection->Delete(""));
    EXPECT_TRUE(collection->Delete("unknown"));
    EXPECT_TRUE(collection->Delete("y"));
    EXPECT_TRUE(collection->IsDirty());
    EXPECT_EQ(collection->Size(), 1);
    EXPECT_TRUE(collection->Delete("x"));
    EXPECT_TRUE(collection->Add(newX));

    m_env.ResetCounts();
    EXPECT_TRUE(collection->Save());
    EXPECT_EQ(m_env.OpenedForWrite().size(), 1u);
    EXPECT_FALSE(Exists("_RES_Y.zrr"));
    EXPECT_EQ(ReadRaw("_RES_X.zrr"), ResourceText("X", "T", "K=V;"));
    EXPECT_EQ(Entries(), std::vector<std::string>{"_RES_X.zrr"});
    EXPECT_TRUE(collection->IsDirty()) << "a saved item stays dirty until the next Load";

    CZRauto_ptr<IKitroster> reloaded = Loaded();
    EXPECT_FALSE(reloaded->IsDirty());
    EXPECT_EQ(reloaded->GetItemById("X")->get_Conn(), "K=V;");

    // An identifier read in lower case is saved to the upper-cased file name, not to a
    // second file beside it.
    WriteRaw("_RES_X.zrr", ResourceText("x"));
    reloaded = Loaded();
    reloaded->GetItemById("X")->set_Name("changed");
    reloaded->Save();
    EXPECT_EQ(Entries(), std::vector<std::string>{"_RES_X.zrr"});
    EXPECT_NE(ReadRaw("_RES_X.zrr").find("<ID> {x}"), std::string::npos);
}

TEST_F(CollectionTest, SaveWritesWhatDiffersFromTheFilesItLeft) {
    WriteRaw("_RES_A.zrr", ResourceText("A"));
    WriteRaw("_RES_B.zrr", ResourceText("B"));
    CZRauto_ptr<IKitroster> collection = Loaded();
    CZRauto_ptr<IResourceItem> a = collection->GetItemById("A");
    auto writesOfSave = [&]() {
        m_env.ResetCounts();
        collection->Save();
        return m_env.OpenedForWrite().size();
    };

    a->set_Type("EDITED");
    EXPECT_EQ(writesOfSave(), 1u);
    EXPECT_EQ(writesOfSave(), 0u) << "unchanged since it was written";
    EXPECT_TRUE(collection->IsDirty());
    a->set_Type("T");  // back to the loaded state, but the file holds EDITED
    EXPECT_FALSE(collection->IsDirty());
    EXPECT_EQ(writesOfSave(), 1u);
    EXPECT_EQ(ReadRaw("_RES_A.zrr"), ResourceText("A"));

    // Removed by one save, added back unchanged: the next save writes it again.
    collection->Delete("A");
    EXPECT_EQ(writesOfSave(), 0u);
    EXPECT_FALSE(Exists("_RES_A.zrr"));
    collection->Add(a);
    EXPECT_EQ(writesOfSave(), 1u);
    EXPECT_EQ(ReadRaw("_RES_A.zrr"), ResourceText("A"));

    // Renamed away and back across saves.
    collection->Rename("A", "C", false);
    collection->Save();
    collection->Rename("C", "A", false);
    collection->Save();
    EXPECT_EQ(Entries(), (std::vector<std::string>{"_RES_A.zrr", "_RES_B.zrr"}));

    // A deletion that fails stays pending.
    collection->Delete("B");
    m_env.FailNth(kitroster::EnvOp::kDeleteFile, 1, kitroster::kErrorSharingViolation);
    collection->Save();
    EXPECT_TRUE(Exists("_RES_B.zrr"));
    EXPECT_TRUE(collection->IsDirty());
    collection->Save();
    EXPECT_FALSE(Exists("_RES_B.zrr"));
}

TEST_F(CollectionTest, RenameMovesTheItemAndRewritesReferences) {
    WriteRaw("_RES_CAM1.zrr", ResourceText("CAM1"));
    WriteRaw("_RES_CAM10.zrr", ResourceText("CAM10"));
    WriteRaw("_RES_ASSY.zrr", ResourceText("ASSY", "ASSY_VIDEO",
                                           "cams=SRV1|CAM1;other=CAM10|X;single=CAM1;low=cam1;"));
    WriteRaw("_RES_ROOM.zrr", ResourceText("ROOM", "ROOM_VIDEO", "a = CAM10 ;"));
    // Quotes are dropped when parsing, so this reference reads as CAM1 too.
    WriteRaw("_RES_QUOTED.zrr", ResourceText("QUOTED", "ASSY_VIDEO", "cam=CA\"\"M1;"));
    CZRauto_ptr<IKitroster> collection = Loaded();
    const std::string roomConn = collection->GetItemById("ROOM")->get_Conn().str();

    EXPECT_FALSE(collection->Rename("CAM1", "", true));
    EXPECT_FALSE(collection->Rename("CAM1", "cam10", true)) << "the new identifier exists";
    EXPECT_FALSE(collection->Rename("NOPE", "NEW", true));
    EXPECT_FALSE(collection->Rename("CAM1", "../CAM2", true)) << "not a file name";
    EXPECT_TRUE(collection->Rename("cam1", "CAM1", true)) << "same identifier: no change";
    EXPECT_FALSE(collection->IsDirty());

    EXPECT_TRUE(collection->Rename("CAM1", "cam2", true));
    EXPECT_FALSE(collection->GetItemById("CAM1"));
    CZRauto_ptr<IResourceItem> cam2 = collection->GetItemById("CAM2");
    ASSERT_TRUE(cam2);
    EXPECT_EQ(cam2->get_ID(), "CAM2");
    EXPECT_EQ(collection->GetItemByIndex(collection->Size() - 1).get(), cam2.get());
    EXPECT_EQ(collection->GetItemById("ASSY")->get_Conn(),
              "CAMS=SRV1|CAM2;OTHER=CAM10|X;SINGLE=CAM2;LOW=cam1;");
    EXPECT_EQ(collection->GetItemById("ROOM")->get_Conn(), roomConn.c_str())
        << "an item without a reference keeps its text untouched";
    EXPECT_EQ(collection->GetItemById("QUOTED")->get_Conn(), "CAM=CAM2;");

    EXPECT_TRUE(collection->Save());
    EXPECT_FALSE(Exists("_RES_CAM1.zrr"));
    EXPECT_TRUE(Exists("_RES_CAM2.zrr"));
    EXPECT_NE(ReadRaw("_RES_ASSY.zrr").find("SRV1|CAM2"), std::string::npos);

    // Without reference update only the item moves.
    EXPECT_TRUE(collection->Rename("CAM2", "CAM3", false));
    EXPECT_EQ(collection->GetItemById("ASSY")->get_Conn(),
              "CAMS=SRV1|CAM2;OTHER=CAM10|X;SINGLE=CAM2;LOW=cam1;");
}

TEST_F(CollectionTest, SaveSkipsUnsafeIdentifiersAndSurvivesWriteFailures) {
    // A loaded resource is written back to the file it came from, whatever its inner
    // identifier; a new resource gets a file named after its identifier, so an identifier
    // that cannot be part of a file name is never written.
    WriteRaw("_RES_1.zrr", ResourceText("../X"));
    WriteRaw("_RES_3.zrr", ResourceText("A:B"));
    WriteRaw("_RES_OK.zrr", ResourceText("OK"));
    CZRauto_ptr<IKitroster> collection = Loaded();
    ASSERT_EQ(collection->Size(), 3);
    for (int i = 0; i < collection->Size(); ++i)
        collection->GetItemByIndex(i)->set_Name("changed");
    ASSERT_TRUE(collection->Add(MakeItem("A\\B")));
    ASSERT_TRUE(collection->Add(MakeItem("..\\Y")));
    collection->Delete("A:B");

    CLogCapture log("KITROSTER=0x2d");
    m_env.ResetCounts();
    m_env.FailNth(kitroster::EnvOp::kWrite, 1, kitroster::kErrorDiskFull, "RES_OK");
    EXPECT_TRUE(collection->Save());
    EXPECT_EQ(m_env.OpenedForWrite().size(), 2u) << "_RES_1 and _RES_OK were attempted";
    EXPECT_EQ(ReadRaw("_RES_OK.zrr"), ResourceText("OK")) << "the failed write kept the old file";
    EXPECT_NE(ReadRaw("_RES_1.zrr").find("<NAME> {changed}"), std::string::npos);
    for (const char* id : {"'A\\B'", "'..\\Y'"}) {
        EXPECT_TRUE(log.Contains(id, ZRLOG_FAILURE)) << id;
    }
    EXPECT_TRUE(log.Contains("_RES_OK.zrr could not be written", ZRLOG_FAILURE));
    EXPECT_TRUE(log.Contains("kept 1 file deletion(s) pending", ZRLOG_FAILURE));
    EXPECT_TRUE(Exists("_RES_3.zrr")) << "no file is removed after a failed write";
    EXPECT_TRUE(collection->IsDirty());
    std::vector<CString> failures = GetSaveFailures(collection.get());
    ASSERT_EQ(failures.size(), 3u) << "two unsafe identifiers and one failed write";
    EXPECT_EQ(failures[0], "..\\Y");
    EXPECT_EQ(failures[1], "A\\B");
    EXPECT_NE(failures[2].Find("_RES_OK.zrr"), -1) << failures[2].GetString();

    // The next Save writes OK; while resources are refused their files, nothing is
    // removed (a refused file may be a renamed resource's only new copy).
    EXPECT_TRUE(collection->Save());
    EXPECT_NE(ReadRaw("_RES_OK.zrr"), ResourceText("OK"));
    EXPECT_TRUE(Exists("_RES_3.zrr"));
    EXPECT_EQ(GetSaveFailures(collection.get()).size(), 2u) << "the unsafe identifiers again";
    // Without them, the file of A:B, which it came from, is removed.
    collection->Delete("A\\B");
    collection->Delete("..\\Y");
    EXPECT_TRUE(collection->Save());
    EXPECT_TRUE(GetSaveFailures(collection.get()).empty());
    EXPECT_FALSE(Exists("_RES_3.zrr"));
}

TEST_F(CollectionTest, ListedNamesWithABackslashAreSkippedAndNeverReachAnotherFile) {
    // On Linux a backslash is an ordinary character of a file name; joined to the folder
    // it would become a separator, and the name another site's file or a subfolder's.
    namespace fs = std::filesystem;
    const fs::path folder = m_folder;
    const fs::path root = m_site.root();
    const struct {
        const char* name;
        fs::path victim;
        const char* id;
    } cases[] = {
        {"_RES_Z\\..\\..\\other\\SettingsGeneral\\_RES_OTHER1.zrr",
         root / "other" / "SettingsGeneral" / "_RES_OTHER1.zrr", "OTHER1"},
        {"_RES_\\_RES_SUB.zrr", folder / "_RES_" / "_RES_SUB.zrr", "SUB"},
        {"_RES_Z\\..\\_RES_SIB.zrr", folder / "_RES_SIB.zrr", "SIB"},
    };
    fs::create_directories(folder / "_RES_Z");
    fs::create_directories(folder / "_RES_");
    fs::create_directories(root / "other" / "SettingsGeneral");
    for (const auto& c : cases) {
        std::ofstream(c.victim, std::ios::binary) << ResourceText(c.id, "VICTIM");
        WriteRaw(c.name, ResourceText("PLANTED"));
    }

    CZRauto_ptr<IKitroster> collection = CKitrosterFactory::CreateInstance();
    EXPECT_FALSE(collection->Load()) << "a skipped file makes the load unclean";
    std::vector<std::string> skipped;
    for (const SSkippedFile& file : GetSkippedFilesWithReasons(collection.get())) {
        EXPECT_NE(file.reason.Find("'\\'"), -1) << file.reason.GetString();
        skipped.push_back(file.name.str());
    }
    ClearFolderIndex();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_NE(std::find(skipped.begin(), skipped.end(), c.name), skipped.end());
        // Only the sibling, a file of this folder in its own right, is a resource.
        const bool own = std::string(c.id) == "SIB";
        EXPECT_EQ(static_cast<bool>(collection->GetItemById(c.id)), own);
        EXPECT_EQ(static_cast<bool>(FindInFolderIndex(GetCatalogueFolder(), c.id)), own);
        EXPECT_EQ(GetFilesOf(collection.get(), c.id).size(), own ? 1u : 0u);
    }
    EXPECT_FALSE(collection->GetItemById("PLANTED"));

    // Writing and removing resources of those identifiers touches this folder's own files.
    for (const auto& c : cases) {
        if (!collection->GetItemById(c.id))
            collection->Add(MakeItem(c.id));
        collection->GetItemById(c.id)->set_Name("changed");
    }
    EXPECT_TRUE(collection->Save());
    EXPECT_TRUE(GetSaveFailures(collection.get()).empty());
    for (const auto& c : cases)
        collection->Delete(c.id);
    EXPECT_TRUE(collection->Save());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(Exists(c.name)) << "the oddly named file is left as it is";
        if (std::string(c.id) != "SIB") {
            std::ifstream in(c.victim, std::ios::binary);
            EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}),
                      ResourceText(c.id, "VICTIM"));
        }
    }
    EXPECT_FALSE(Exists("_RES_SIB.zrr")) << "the sibling's own file was its to delete";
}

TEST_F(CollectionTest, RenameWhoseNewFileFailsKeepsTheOldFile) {
    WriteRaw("_RES_CAM1.zrr", ResourceText("CAM1"));
    CZRauto_ptr<IKitroster> collection = Loaded();
    ASSERT_TRUE(collection->Rename("CAM1", "CAM2", true));
    m_env.FailNth(kitroster::EnvOp::kWrite, 1, kitroster::kErrorDiskFull);
    EXPECT_TRUE(collection->Save());
    EXPECT_TRUE(Exists("_RES_CAM1.zrr")) << "the only copy of the resource";
    EXPECT_FALSE(Exists("_RES_CAM2.zrr"));
    // Once the new file is written, the old one goes.
    EXPECT_TRUE(collection->Save());
    EXPECT_FALSE(Exists("_RES_CAM1.zrr"));
    EXPECT_TRUE(Exists("_RES_CAM2.zrr"));
    EXPECT_EQ(Loaded()->Size(), 1);
}

TEST_F(CollectionTest, FileNamedInAnotherCaseIsTheOneSavedAndDeleted) {
    WriteRaw("_RES_cam5.zrr", ResourceText("cam5"));
    WriteRaw("_RES_Cam6.zrr", ResourceText("CAM6"));
    CZRauto_ptr<IKitroster> collection = Loaded();
    collection->GetItemById("CAM5")->set_Name("new");
    collection->Delete("CAM6");
    EXPECT_TRUE(collection->Save());
    EXPECT_EQ(Entries(), std::vector<std::string>{"_RES_cam5.zrr"})
        << "no second copy, no stale file";
    EXPECT_EQ(Loaded()->GetItemById("cam5")->get_Name(), "new");

    // A renamed resource gets the file name of its new identifier.
    collection = Loaded();
    ASSERT_TRUE(collection->Rename("cam5", "CAM7", true));
    EXPECT_TRUE(collection->Save());
    EXPECT_EQ(Entries(), std::vector<std::string>{"_RES_CAM7.zrr"});
}

TEST_F(CollectionTest, RenameRefusesIdentifiersThatDoNotReadBack) {
    WriteRaw("_RES_CAM1.zrr", ResourceText("CAM1"));
    CZRauto_ptr<IKitroster> collection = Loaded();
    for (const char* bad : {"{CAM2", "CAM2}", " CAM2", "CAM2\t", "CA\nM2"}) {
        EXPECT_FALSE(collection->Rename("CAM1", bad, true)) << bad;
    }
    EXPECT_FALSE(collection->IsDirty());
}

TEST_F(CollectionTest, SettingsRootComesFromOverrideRegistryOrAppFolder) {
    kitroster::CRegistry& registry = m_site.registry();
    const char* key = "Software\\Corvent\\ZRSync\\LocalSettings";

    SetSettingsRootOverride("");
    setenv("KITROSTER_APPDIR", "C:\\App\\", 1);
    EXPECT_EQ(GetCatalogueFolder(), "C:\\App\\SettingsGeneral");
    std::string written = "unset";
    EXPECT_TRUE(registry.QueryString(key, "LocalRoot", &written)) << "written back when missing";
    EXPECT_EQ(written, "");

    registry.SetString(key, "LocalRoot", "\\\\srv\\share\\Root\\");
    EXPECT_EQ(GetCatalogueFolder(), "\\\\srv\\share\\Root\\SettingsGeneral");

    SetSettingsRootOverride("/data/site");
    EXPECT_EQ(GetSettingsRoot(), "/data/site/");
    SetSettingsRootOverride("D:\\Site\\");
    EXPECT_EQ(GetSettingsRoot(), "D:\\Site\\");
    SetSettingsRootOverride("rel");
    EXPECT_EQ(GetCatalogueFolder(), "rel\\SettingsGeneral");
    unsetenv("KITROSTER_APPDIR");

    EXPECT_EQ(JoinCataloguePath("C:\\A/\\", "x.zrr"), "C:\\A\\x.zrr");
    EXPECT_EQ(JoinCataloguePath("", "x.zrr"), "x.zrr");
    EXPECT_EQ(ResourceFileName("CAM1"), "_RES_CAM1.zrr");
}
