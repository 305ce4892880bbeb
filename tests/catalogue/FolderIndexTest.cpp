// The folder index must give exactly the item a full Load gives, whatever happened to the
// folder, and open no file when nothing changed.
#include "catalogue/FolderIndex.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "catalogue/CatalogueContext.h"
#include "catalogue/Kitroster.h"
#include "testing/site/TestSite.h"

using namespace NResourceItem;
using kitroster::EnvOp;
using kitroster::testing::CTestSite;

namespace {

std::string Describe(CZRauto_ptr<IResourceItem> item) {
    if (!item)
        return "<none>";
    return item->get_ID().str() + "|" + item->get_Type().str() + "|" + item->get_Conn().str() +
           (item->IsDirty() ? "|dirty" : "");
}

// The wall clock as a file time (100 ns since 1601).
uint64_t FileTimeNow() {
    using namespace std::chrono;
    const auto since1970 =
        duration_cast<nanoseconds>(system_clock::now().time_since_epoch()).count() / 100;
    return static_cast<uint64_t>(since1970) + 116444736000000000ULL;
}

const char* const kIds[] = {"A", "a", "B", "C", "D", "DUP", "E", "nobody", ""};

// Every identifier answers as a fresh full Load does; then, asked again, the index opens
// `steadyOpens` files and lists the folder `steadyListings` times (unless negative).
void ExpectSameAsLoad(CTestSite& site, int steadyOpens, int steadyListings = -1) {
    CZRauto_ptr<IKitroster> catalogue = CKitrosterFactory::CreateInstance();
    catalogue->Load();
    const CString folder = GetCatalogueFolder();
    for (const char* id : kIds) {
        SCOPED_TRACE(id);
        EXPECT_EQ(Describe(FindInFolderIndex(folder, id)), Describe(catalogue->GetItemById(id)));
    }
    site.env().ResetCounts();
    FindInFolderIndex(folder, "nobody");
    EXPECT_EQ(site.env().CallCount(EnvOp::kOpenFile), steadyOpens);
    if (steadyListings >= 0) {
        EXPECT_EQ(site.env().CallCount(EnvOp::kFindFiles), steadyListings);
    }
}

// Dates the file an hour back, `second` seconds on: settled when read, and each write with
// a time of its own, as a later write would have.
void Backdate(const std::string& path, int second) {
    std::filesystem::last_write_time(path, std::filesystem::last_write_time(path) -
                                               std::chrono::hours(1) +
                                               std::chrono::seconds(second));
}

}  // namespace

TEST(FolderIndex, AnswersAsFullLoadAcrossChanges) {
    CTestSite site("kitroster-index-");
    ClearFolderIndex();
    site.env().SetSystemTime(FileTimeNow());
    // Every file is dated an hour back, so it is settled when read, and each write gets a
    // time of its own: a rewrite of the same size differs from the file before in its time
    // only, as it does for a file rewritten after it was read.
    int writes = 0;
    auto write = [&](const std::string& name, const std::string& text) {
        site.WriteRaw(name, text);
        Backdate(site.FileIn(name), ++writes);
    };
    write("_RES_A.zrr", CTestSite::ResourceText("A", "T", "IP=1;"));
    write("_RES_B.zrr", CTestSite::ResourceText("B", "T", "IP=2;"));
    write("_RES_C.zrr", CTestSite::ResourceText("c", "T", "IP=3;"));

    struct Row {
        const char* change;
        std::function<void()> apply;
        int steadyOpens;
    };
    const Row rows[] = {
        {"initial", [] {}, 0},
        {"add", [&] { write("_RES_D.zrr", CTestSite::ResourceText("D", "T", "IP=4;")); }, 0},
        {"remove", [&] { std::filesystem::remove(site.FileIn("_RES_B.zrr")); }, 0},
        {"rewrite, same size",
         [&] { write("_RES_A.zrr", CTestSite::ResourceText("A", "T", "IP=9;")); }, 0},
        {"rename",
         [&] { std::filesystem::rename(site.FileIn("_RES_C.zrr"), site.FileIn("_RES_Cx.zrr")); },
         0},
        {"schema mismatch",
         [&] { write("_RES_D.zrr", CTestSite::ResourceText("D", "T", "IP=4;", 999)); }, 0},
        {"no identifier", [&] { write("_RES_E.zrr", "<SCMA> {1000}\r\n<TYPE> {T}\r\n"); }, 0},
        {"duplicate identifiers",
         [&] {
             for (int i = 0; i < 6; ++i) {
                 write("_RES_DUP" + std::to_string(i) + ".zrr",
                       CTestSite::ResourceText("dup", "T", "N=" + std::to_string(i)));
             }
         },
         0},
        {"unreadable after a rewrite",
         [&] {
             site.env().FailFrom(EnvOp::kOpenFile, 1, kitroster::kErrorAccessDenied, "_RES_A.");
             write("_RES_A.zrr", CTestSite::ResourceText("A", "T", "IP=8;"));
         },
         1},  // a failed read is not remembered: tried again every time
        {"readable again", [&] { site.env().ClearFaults(); }, 0},
        {"stat fails",
         [&] {
             site.env().FailFrom(EnvOp::kGetFileInfo, 1, kitroster::kErrorAccessDenied, "_RES_Cx");
         },
         1},
        {"stat works again", [&] { site.env().ClearFaults(); }, 0},
        {"folder removed", [&] { std::filesystem::remove_all(site.folder()); }, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.change);
        row.apply();
        ExpectSameAsLoad(site, row.steadyOpens);
    }
    EXPECT_EQ(Describe(FindInFolderIndex(GetCatalogueFolder(), "dup")), "<none>");
}

// Changes made straight on disk, behind the index's back, are seen at the next lookup: by
// the folder's watch, or by a listing at every lookup on a file system whose watch cannot
// be trusted (a network file system, injected). A watched folder that did not change is
// not listed.
TEST(FolderIndex, ChangesOnDiskAreSeenWithOrWithoutAWatch) {
    namespace fs = std::filesystem;
    for (const std::optional<uint64_t> type :
         {std::optional<uint64_t>(), std::optional<uint64_t>(0x6969)}) {
        SCOPED_TRACE(type ? "network file system" : "local file system");
        CTestSite site("kitroster-index-");
        ClearFolderIndex();
        site.env().SetSystemTime(FileTimeNow());
        site.env().SetFileSystemType(type);
        std::unique_ptr<kitroster::IFolderWatch> probe;
        const bool watched = site.env().WatchFolder(site.folder(), "*", &probe).ok();
        EXPECT_EQ(watched, !type);
        int writes = 0;
        auto write = [&](const std::string& path, const std::string& text) {
            std::ofstream(path, std::ios::binary) << text;
            Backdate(path, ++writes);
        };
        write(site.FileIn("_RES_A.zrr"), CTestSite::ResourceText("A", "T", "IP=1;"));
        write(site.FileIn("_RES_B.zrr"), CTestSite::ResourceText("B", "T", "IP=2;"));
        const std::string spare = site.root() + "/spare";
        fs::create_directories(spare);
        write(spare + "/_RES_A.zrr", CTestSite::ResourceText("A", "T", "IP=7;"));

        const std::pair<const char*, std::function<void()>> rows[] = {
            {"initial", [] {}},
            {"written",
             [&] { write(site.FileIn("_RES_D.zrr"), CTestSite::ResourceText("D", "T", "IP=4;")); }},
            {"renamed in",
             [&] {
                 write(site.FileIn("c.tmp"), CTestSite::ResourceText("C", "T", "IP=3;"));
                 fs::rename(site.FileIn("c.tmp"), site.FileIn("_RES_C.zrr"));
             }},
            {"deleted", [&] { fs::remove(site.FileIn("_RES_B.zrr")); }},
            {"modified in place, same size",
             [&] {
                 const std::string path = site.FileIn("_RES_A.zrr");
                 std::string text = CTestSite::ResourceText("A", "T", "IP=1;");
                 std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
                 file.seekp(static_cast<std::streamoff>(text.find("IP=1;")));
                 file << "IP=9;";
                 file.close();
                 Backdate(path, ++writes);
             }},
            {"folder replaced",
             [&] {
                 fs::rename(site.folder(), site.folder() + ".old");
                 fs::rename(spare, site.folder());
             }},
        };
        for (const auto& [change, apply] : rows) {
            SCOPED_TRACE(change);
            apply();
            ExpectSameAsLoad(site, 0, watched ? 0 : 1);
        }
        EXPECT_EQ(Describe(FindInFolderIndex(GetCatalogueFolder(), "A")), "A|T|IP=7;");
    }
}

// A rewrite that keeps size and modification time is seen as long as the file was read
// while its modification time was recent; once read after it settled, stats suffice.
TEST(FolderIndex, RecentFilesAreReadAgain) {
    CTestSite site("kitroster-index-");
    ClearFolderIndex();
    const CString folder = GetCatalogueFolder();
    const std::string path = site.FileIn("_RES_A.zrr");
    site.WriteRaw("_RES_A.zrr", CTestSite::ResourceText("A", "T", "IP=1;"));
    const auto stamp = std::filesystem::last_write_time(path);
    kitroster::FileInfo info;
    ASSERT_TRUE(site.env().GetFileInfo(path, &info).ok());
    site.env().SetSystemTime(info.lastWriteTime + kFolderIndexSettleTime / 2);
    EXPECT_EQ(Describe(FindInFolderIndex(folder, "A")), "A|T|IP=1;");

    site.WriteRaw("_RES_A.zrr", CTestSite::ResourceText("A", "T", "IP=2;"));
    std::filesystem::last_write_time(path, stamp);  // the same tick
    EXPECT_EQ(Describe(FindInFolderIndex(folder, "A")), "A|T|IP=2;");

    site.env().AdvanceTime(3000);
    site.env().ResetCounts();
    EXPECT_EQ(Describe(FindInFolderIndex(folder, "A")), "A|T|IP=2;");
    EXPECT_EQ(site.env().CallCount(EnvOp::kOpenFile), 1);  // read once more, now settled
    site.env().ResetCounts();
    EXPECT_EQ(Describe(FindInFolderIndex(folder, "a")), "A|T|IP=2;");
    EXPECT_EQ(site.env().CallCount(EnvOp::kOpenFile), 0);
}

// The index is kept per folder: a changed settings root answers from its own files.
TEST(FolderIndex, ChangedSettingsRootIsNotServedStale) {
    CTestSite site("kitroster-index-");
    ClearFolderIndex();
    site.WriteRaw("_RES_A.zrr", CTestSite::ResourceText("A", "T", "IP=1;"));
    EXPECT_EQ(Describe(FindInFolderIndex(GetCatalogueFolder(), "A")), "A|T|IP=1;");
    const std::string other = site.root() + "/other/";
    std::filesystem::create_directories(other + "SettingsGeneral");
    SetSettingsRootOverride(other.c_str());
    EXPECT_EQ(Describe(FindInFolderIndex(GetCatalogueFolder(), "A")), "<none>");
    SetSettingsRootOverride((site.root() + "/").c_str());
    EXPECT_EQ(Describe(FindInFolderIndex(GetCatalogueFolder(), "A")), "A|T|IP=1;");
}
