#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>

#include <gtest/gtest.h>

#include "platform/app/PosixIdentity.h"
#include "platform/env/PosixEnv.h"
#include "testing/env/TempDir.h"

namespace kitroster {
namespace {

class PosixEnvTest : public ::testing::Test {
  protected:
    // Windows-form path inside the temp folder.
    std::string W(const std::string& relative) const {
        std::string text = m_dir.path() + "\\" + relative;
        std::replace(text.begin(), text.end(), '/', '\\');
        return text;
    }
    std::vector<std::string> Find(const std::string& pattern) {
        std::vector<std::string> names;
        EXPECT_TRUE(m_env.FindFiles(W(""), pattern, &names).ok());
        std::sort(names.begin(), names.end());
        return names;
    }

    CTempDir m_dir;
    CPosixEnv m_env;
};

TEST_F(PosixEnvTest, OpenDispositionsAndTheirErrors) {
    std::unique_ptr<IFile> file;
    OpenOptions open;
    EXPECT_EQ(m_env.OpenFile(W("missing.txt"), open, &file).error(), kErrorFileNotFound);
    EXPECT_EQ(m_env.OpenFile(W("nodir\\missing.txt"), open, &file).error(), kErrorPathNotFound);
    EXPECT_FALSE(file);

    ASSERT_TRUE(m_env.WriteStringToFile(W("a.txt"), "hello world", true).ok());
    OpenOptions createNew;
    createNew.access = kAccessWrite;
    createNew.disposition = FileDisposition::kCreateNew;
    EXPECT_EQ(m_env.OpenFile(W("a.txt"), createNew, &file).error(), kErrorFileExists);

    // Folders cannot be opened as files.
    EXPECT_EQ(m_env.OpenFile(m_dir.path(), open, &file).error(), kErrorAccessDenied);

    // kTruncateExisting empties; kOpenAlways keeps; append writes at the end.
    OpenOptions append;
    append.access = kAccessWrite;
    append.disposition = FileDisposition::kOpenAlways;
    append.append = true;
    ASSERT_TRUE(m_env.OpenFile(W("a.txt"), append, &file).ok());
    ASSERT_TRUE(file->Seek(0).ok());
    ASSERT_TRUE(file->Write("!", 1).ok());
    size_t got = 0;
    char byte;
    EXPECT_EQ(file->Read(&byte, 1, &got).error(), kErrorAccessDenied);  // write-only handle
    ASSERT_TRUE(file->Close().ok());
    std::string text;
    ASSERT_TRUE(m_env.ReadFileToString(W("a.txt"), &text).ok());
    EXPECT_EQ(text, "hello world!");

    OpenOptions truncate;
    truncate.access = kAccessRead | kAccessWrite;
    truncate.disposition = FileDisposition::kTruncateExisting;
    ASSERT_TRUE(m_env.OpenFile(W("a.txt"), truncate, &file).ok());
    uint64_t size = 99;
    ASSERT_TRUE(file->GetSize(&size).ok());
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(file->Write("x", 1).ok(), true);
    file.reset();  // the destructor closes
    EXPECT_EQ(m_env.OpenFile(W("gone.txt"), truncate, &file).error(), kErrorFileNotFound);
}

TEST_F(PosixEnvTest, OnlyRegularFilesOpen) {
    // A FIFO would block a reader until a writer comes; a device may never end.
    ASSERT_EQ(::mkfifo((m_dir.path() + "/fifo").c_str(), 0600), 0);
    ASSERT_EQ(::symlink("/dev/zero", (m_dir.path() + "/zero").c_str()), 0);
    for (const char* name : {"fifo", "zero"}) {
        std::unique_ptr<IFile> file;
        const EnvStatus status = m_env.OpenFile(W(name), OpenOptions{}, &file);
        EXPECT_EQ(status.error(), kErrorAccessDenied) << name;
        EXPECT_EQ(file, nullptr) << name;
    }
}

// Working files in a folder that another account may write: a planted link is refused,
// not followed, and owner and mode are set on the open descriptor.
TEST_F(PosixEnvTest, NoFollowOpensAndDescriptorAttributes) {
    namespace fs = std::filesystem;
    std::ofstream(m_dir.Path("target")) << "secret";
    fs::create_symlink(m_dir.Path("target"), m_dir.Path("planted"));
    fs::create_symlink(m_dir.Path("missing"), m_dir.Path("dangling"));
    for (const char* name : {"planted", "dangling"}) {
        for (FileDisposition disposition :
             {FileDisposition::kCreateNew, FileDisposition::kCreateAlways}) {
            OpenOptions open;
            open.access = kAccessWrite;
            open.disposition = disposition;
            open.noFollow = true;
            std::unique_ptr<IFile> file;
            EXPECT_FALSE(m_env.OpenFile(W(name), open, &file).ok()) << name;
        }
    }
    EXPECT_FALSE(fs::exists(m_dir.Path("missing")));
    std::ifstream in(m_dir.Path("target"));
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "secret");

    LinkInfo link;
    ASSERT_TRUE(m_env.GetLinkInfo(W("planted"), &link).ok());
    EXPECT_TRUE(link.isLink);
    EXPECT_EQ(link.ownerId, ::getuid());
    ASSERT_TRUE(m_env.GetLinkInfo(W("target"), &link).ok());
    EXPECT_FALSE(link.isLink);

    OpenOptions create;
    create.access = kAccessWrite;
    create.disposition = FileDisposition::kCreateNew;
    create.noFollow = true;
    std::unique_ptr<IFile> file;
    ASSERT_TRUE(m_env.OpenFile(W("fresh"), create, &file).ok());
    FileInfo like;
    like.mode = 0600;
    like.ownerId = ::getuid();
    like.groupId = ::getgid();
    ASSERT_TRUE(file->SetOwnerAndMode(like).ok());
    FileInfo info;
    ASSERT_TRUE(m_env.GetFileInfo(W("fresh"), &info).ok());
    EXPECT_EQ(info.mode, 0600u);
    EXPECT_EQ(info.ownerId, ::getuid());
}

TEST_F(PosixEnvTest, FoldersCreateRemoveAndReportWindowsErrors) {
    EXPECT_TRUE(m_env.CreateDirectory(W("d")).ok());
    EXPECT_EQ(m_env.CreateDirectory(W("d")).error(), kErrorAlreadyExists);
    EXPECT_EQ(m_env.CreateDirectory(W("x\\y")).error(), kErrorPathNotFound);
    ASSERT_TRUE(m_env.WriteStringToFile(W("d\\f"), "1").ok());
    EXPECT_EQ(m_env.RemoveDirectory(W("d")).error(), kErrorDirNotEmpty);
    EXPECT_EQ(m_env.RemoveDirectory(W("d\\f")).error(), kErrorDirectory);
    EXPECT_EQ(m_env.DeleteFile(W("d")).error(), kErrorAccessDenied);
    EXPECT_TRUE(m_env.DeleteFile(W("d\\f")).ok());
    EXPECT_EQ(m_env.DeleteFile(W("d\\f")).error(), kErrorFileNotFound);
    EXPECT_EQ(m_env.DeleteFile(W("nodir\\f")).error(), kErrorPathNotFound);
    EXPECT_TRUE(m_env.SyncDirectory(W("d")).ok());
    EXPECT_TRUE(m_env.RemoveDirectory(W("d")).ok());
    EXPECT_EQ(m_env.SyncDirectory(W("d")).error(), kErrorPathNotFound);
}

TEST_F(PosixEnvTest, MoveAndLinkHonourReplaceAndExistingTargets) {
    ASSERT_TRUE(m_env.WriteStringToFile(W("a"), "A").ok());
    ASSERT_TRUE(m_env.WriteStringToFile(W("b"), "B").ok());
    EXPECT_EQ(m_env.MoveFile(W("a"), W("b"), false).error(), kErrorAlreadyExists);
    std::string text;
    ASSERT_TRUE(m_env.ReadFileToString(W("b"), &text).ok());
    EXPECT_EQ(text, "B");  // untouched by the refused move
    EXPECT_TRUE(m_env.FileExists(W("a")));

    EXPECT_TRUE(m_env.MoveFile(W("a"), W("b"), true).ok());
    ASSERT_TRUE(m_env.ReadFileToString(W("b"), &text).ok());
    EXPECT_EQ(text, "A");
    EXPECT_FALSE(m_env.FileExists(W("a")));

    EXPECT_EQ(m_env.MoveFile(W("a"), W("c"), false).error(), kErrorFileNotFound);
    EXPECT_EQ(m_env.MoveFile(W("b"), W("nodir\\c"), true).error(), kErrorPathNotFound);
    EXPECT_TRUE(m_env.MoveFile(W("b"), W("c"), false).ok());

    EXPECT_TRUE(m_env.LinkFile(W("c"), W("c2")).ok());
    EXPECT_EQ(m_env.LinkFile(W("c"), W("c2")).error(), kErrorAlreadyExists);
    EXPECT_EQ(m_env.LinkFile(W("zz"), W("c3")).error(), kErrorFileNotFound);
    ASSERT_TRUE(m_env.ReadFileToString(W("c2"), &text).ok());
    EXPECT_EQ(text, "A");
}

TEST_F(PosixEnvTest, FindFilesMatchesWindowsWildcardsWithoutCase) {
    for (const char* name :
         {"_RES_CAM1.zrr", "_res_srv.ZRR", "_RES_X.zrr.tmp", "other.zrr", "a[1].txt", "noext"}) {
        ASSERT_TRUE(m_env.WriteStringToFile(W(name), "").ok());
    }
    ASSERT_TRUE(m_env.CreateDirectory(W("_RES_dir.zrr")).ok());
    using Names = std::vector<std::string>;
    EXPECT_EQ(Find("_RES_*.zrr"), (Names{"_RES_CAM1.zrr", "_RES_dir.zrr", "_res_srv.ZRR"}));
    EXPECT_EQ(Find("*.ZRR"), (Names{"_RES_CAM1.zrr", "_RES_dir.zrr", "_res_srv.ZRR", "other.zrr"}));
    EXPECT_EQ(Find("_RES_???.zrr"), (Names{"_RES_dir.zrr", "_res_srv.ZRR"}));
    EXPECT_EQ(Find("a[1].*"), (Names{"a[1].txt"}));
    EXPECT_EQ(Find("*.*").size(), 7u);  // every name, "noext" included, never "." or ".."
    EXPECT_EQ(Find("*").size(), 7u);
    EXPECT_TRUE(Find("nothing*").empty());

    std::vector<std::string> names{"stale"};
    EXPECT_EQ(m_env.FindFiles(W("missing"), "*", &names).error(), kErrorPathNotFound);
    EXPECT_TRUE(names.empty());
}

TEST_F(PosixEnvTest, PathTextIsUtf8OnDiskAndForeignNamesRoundTrip) {
    auto nativeExists = [&](const std::string& name) {
        struct stat st;
        return ::lstat(m_dir.Path(name).c_str(), &st) == 0;
    };
    // Windows-1252 text reaches the disk as UTF-8, through folders too.
    ASSERT_TRUE(m_env.CreateDirectory(W("d\xE9")).ok());
    EXPECT_TRUE(nativeExists("d\xC3\xA9"));
    EXPECT_FALSE(nativeExists("d\xE9"));
    ASSERT_TRUE(m_env.WriteStringToFile(W("d\xE9\\_RES_\x80.zrr"), "euro").ok());
    EXPECT_TRUE(nativeExists("d\xC3\xA9/_RES_\xE2\x82\xAC.zrr"));

    // A peer's UTF-8 name lists as Windows-1252 and that name reaches the same file.
    ASSERT_EQ(::close(::creat(m_dir.Path("_RES_CAM\xC3\x89.zrr").c_str(), 0644)), 0);
    // Names that are not UTF-8, or hold a character the code page lacks, keep their bytes
    // and open, replace and delete the file they came from.
    ASSERT_EQ(::close(::creat(m_dir.Path("_RES_RAW\xE9.zrr").c_str(), 0644)), 0);
    ASSERT_EQ(::close(::creat(m_dir.Path("_RES_\xE6\x97\xA5.zrr").c_str(), 0644)), 0);
    using Names = std::vector<std::string>;
    const Names listed = Find("_RES_*.zrr");
    EXPECT_EQ(listed, (Names{"_RES_CAM\xC9.zrr", "_RES_RAW\xE9.zrr", "_RES_\xE6\x97\xA5.zrr"}));
    for (const std::string& name : listed) {
        ASSERT_TRUE(m_env.WriteStringToFile(W(name), "new").ok()) << name;
        std::string text;
        ASSERT_TRUE(m_env.ReadFileToString(W(name), &text).ok()) << name;
        EXPECT_EQ(text, "new");
        EXPECT_EQ(Find("_RES_*.zrr").size(), 3u) << name << ": no second copy";
    }
    for (const std::string& name : listed)
        EXPECT_TRUE(m_env.DeleteFile(W(name)).ok()) << name;
    EXPECT_TRUE(Find("_RES_*.zrr").empty());
}

TEST_F(PosixEnvTest, ReadOnlyFilesRefuseWritersEvenForRoot) {
    ASSERT_TRUE(m_env.WriteStringToFile(W("ro"), "data").ok());
    FileInfo info;
    ASSERT_TRUE(m_env.GetFileInfo(W("ro"), &info).ok());
    EXPECT_FALSE(info.readOnly);
    EXPECT_EQ(info.size, 4u);
    EXPECT_GT(info.lastWriteTime, 116444736000000000ULL);  // after 1970

    ASSERT_TRUE(m_env.SetReadOnly(W("ro"), true).ok());
    ASSERT_TRUE(m_env.GetFileInfo(W("ro"), &info).ok());
    EXPECT_TRUE(info.readOnly);
    EXPECT_EQ(m_env.Access(W("ro"), kAccessCanWrite).error(), kErrorAccessDenied);
    EXPECT_TRUE(m_env.Access(W("ro"), kAccessCanRead).ok());
    EXPECT_EQ(m_env.WriteStringToFile(W("ro"), "x").error(), kErrorAccessDenied);
    EXPECT_EQ(m_env.DeleteFile(W("ro")).error(), kErrorAccessDenied);
    ASSERT_TRUE(m_env.WriteStringToFile(W("new"), "n").ok());
    EXPECT_EQ(m_env.MoveFile(W("new"), W("ro"), true).error(), kErrorAccessDenied);
    std::string text;
    ASSERT_TRUE(m_env.ReadFileToString(W("ro"), &text).ok());
    EXPECT_EQ(text, "data");

    // A read-only folder still takes new files.
    ASSERT_TRUE(m_env.SetReadOnly(m_dir.path(), true).ok());
    EXPECT_TRUE(m_env.WriteStringToFile(W("in-ro-folder"), "x").ok());
    ASSERT_TRUE(m_env.GetFileInfo(m_dir.path(), &info).ok());
    EXPECT_FALSE(info.readOnly);

    ASSERT_TRUE(m_env.SetReadOnly(W("ro"), false).ok());
    EXPECT_TRUE(m_env.Access(W("ro"), kAccessCanReadWrite).ok());
    EXPECT_TRUE(m_env.DeleteFile(W("ro")).ok());
    EXPECT_EQ(m_env.Access(W("ro"), kAccessExists).error(), kErrorFileNotFound);
    EXPECT_EQ(m_env.Access(W("ro"), 1).error(), kErrorInvalidParameter);
    EXPECT_EQ(m_env.GetFileInfo(W("no\\ro"), &info).error(), kErrorPathNotFound);
}

TEST_F(PosixEnvTest, UncPathsReachFilesBelowTheUncRoot) {
    CPosixEnv unc(m_dir.Path("unc"));
    for (const char* folder : {"unc", "unc/srv", "unc/srv/share"}) {
        ASSERT_TRUE(m_env.CreateDirectory(m_dir.Path(folder)).ok());
    }
    EXPECT_EQ(unc.CreateDirectory("\\\\SRV2\\share").error(), kErrorPathNotFound);
    ASSERT_TRUE(unc.WriteStringToFile("\\\\srv\\share\\_RES_A.zrr", "a").ok());
    std::string text;
    ASSERT_TRUE(m_env.ReadFileToString(m_dir.Path("unc/srv/share/_RES_A.zrr"), &text).ok());
    EXPECT_EQ(text, "a");
    std::vector<std::string> names;
    ASSERT_TRUE(unc.FindFiles("\\\\srv\\share\\", "_res_*.ZRR", &names).ok());
    EXPECT_EQ(names, std::vector<std::string>{"_RES_A.zrr"});
}

// Entries whose content can change through a path outside the folder (symbolic links,
// files with several names) are flagged, as a folder watch cannot see such changes.
TEST_F(PosixEnvTest, FindFilesWithInfoFlagsLinkedEntries) {
    namespace fs = std::filesystem;
    std::ofstream(m_dir.Path("plain.zrr")) << "123";
    std::ofstream(m_dir.Path("outside.txt")) << "12345";
    fs::create_symlink(m_dir.Path("outside.txt"), m_dir.Path("symbolic.zrr"));
    std::ofstream(m_dir.Path("hard.zrr")) << "1";
    fs::create_hard_link(m_dir.Path("hard.zrr"), m_dir.Path("other.txt"));
    fs::create_directory(m_dir.Path("folder.zrr"));
    std::vector<FolderEntry> entries;
    ASSERT_TRUE(m_env.FindFilesWithInfo(W(""), "*.ZRR", &entries).ok());
    std::sort(entries.begin(), entries.end(),
              [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
    std::vector<std::string> seen;
    for (const FolderEntry& entry : entries) {
        seen.push_back(entry.name + (entry.stated ? ":" + std::to_string(entry.info.size) : "") +
                       (entry.linked ? ":linked" : ""));
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"folder.zrr:0", "hard.zrr:1:linked", "plain.zrr:3",
                                              "symbolic.zrr:5:linked"}));
}

// A watch reports what a new listing with its pattern could show and nothing else, and a
// folder that its path no longer leads to counts as changed.
TEST_F(PosixEnvTest, FolderWatchSeesMatchingChangesAndAReplacedFolder) {
    namespace fs = std::filesystem;
    auto write = [](const fs::path& path, const char* text) { std::ofstream(path) << text; };
    struct Row {
        const char* change;
        std::function<void(const fs::path& folder)> apply;
        bool changed;
    };
    const Row rows[] = {
        {"nothing", [](const fs::path&) {}, false},
        {"other name written", [&](const fs::path& f) { write(f / "x.tmp", "12"); }, false},
        {"other name read", [](const fs::path& f) { std::ifstream(f / "_RES_A.zrr").get(); },
         false},
        {"created", [&](const fs::path& f) { write(f / "_res_b.ZRR", "1"); }, true},
        {"modified in place",
         [](const fs::path& f) {
             std::fstream(f / "_RES_A.zrr", std::ios::in | std::ios::out) << "B";
         },
         true},
        {"renamed in", [](const fs::path& f) { fs::rename(f / "x.tmp", f / "_RES_C.zrr"); }, true},
        {"renamed out", [](const fs::path& f) { fs::rename(f / "_RES_A.zrr", f / "a.bak"); }, true},
        {"deleted", [](const fs::path& f) { fs::remove(f / "_RES_A.zrr"); }, true},
        {"permissions",
         [](const fs::path& f) { fs::permissions(f / "_RES_A.zrr", fs::perms::owner_read); }, true},
        {"folder removed", [](const fs::path& f) { fs::remove_all(f); }, true},
        {"parent replaced",
         [](const fs::path& f) {
             fs::rename(f.parent_path(), f.parent_path().string() + ".old");
             fs::create_directories(f);
         },
         true},
    };
    int round = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.change);
        const std::string relative = "w" + std::to_string(++round) + "/cat";
        const fs::path folder = m_dir.Path(relative);
        fs::create_directories(folder);
        write(folder / "_RES_A.zrr", "A");
        write(folder / "x.tmp", "1");
        std::unique_ptr<IFolderWatch> watch;
        ASSERT_TRUE(m_env.WatchFolder(W(relative), "_RES_*.zrr", &watch).ok());
        row.apply(folder);
        EXPECT_EQ(watch->Changed(), row.changed);
        EXPECT_EQ(watch->Changed(), row.changed);  // a change stays reported
    }
    std::unique_ptr<IFolderWatch> watch;
    EXPECT_EQ(m_env.WatchFolder(W("missing"), "*", &watch).error(), kErrorPathNotFound);
    EXPECT_EQ(m_env.WatchFolder(W("w1/cat/x.tmp"), "*", &watch).error(), kErrorPathNotFound);
    EXPECT_FALSE(watch);
}

TEST_F(PosixEnvTest, ClocksAndIdentities) {
    uint64_t now = m_env.GetSystemTimeAsFileTime();
    EXPECT_GT(now, 133485408000000000ULL);  // later than 2024-01-01
    EXPECT_EQ(FileTimeFromUnix(0, 0), 116444736000000000ULL);
    EXPECT_EQ(FileTimeFromUnix(1, 250), 116444736000000000ULL + 10000000ULL + 2);

    Guid a, b;
    ASSERT_TRUE(m_env.CreateGuid(&a).ok());
    ASSERT_TRUE(m_env.CreateGuid(&b).ok());
    EXPECT_NE(std::string(a.bytes, a.bytes + 16), std::string(b.bytes, b.bytes + 16));
    EXPECT_EQ(a.bytes[7] & 0xF0, 0x40);
    EXPECT_EQ(a.bytes[8] & 0xC0, 0x80);

    EXPECT_NE(m_env.GetProcessId(), 0u);

    CPosixIdentity identity;
    const std::string host = identity.GetHostName();
    const std::string computer = identity.GetComputerName();
    EXPECT_FALSE(host.empty());
    EXPECT_EQ(host.find('.'), std::string::npos);
    EXPECT_EQ(computer.find_first_of("abcdefghijklmnopqrstuvwxyz"), std::string::npos);
    EXPECT_EQ(computer.size(), host.size());
    EXPECT_FALSE(identity.GetUserName().empty());
}

}  // namespace
}  // namespace kitroster
