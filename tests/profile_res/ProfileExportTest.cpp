// The exported C interface of the profile edition library, loaded the way a host loads it.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <thread>

#include "profile_res/ProfileExport.h"
#include "tests/profile_res/ProfileTestSupport.h"

namespace kitroster::profile_test {
namespace {

class ProfileExport : public ::testing::Test {
  protected:
    void SetUp() override {
        m_handle = dlopen(KITROSTER_PROFILE_EDITION_PATH, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(m_handle, nullptr) << dlerror();
        m_exportFile =
            reinterpret_cast<PFN_ExportFileFromResource>(dlsym(m_handle, "ExportFileFromResource"));
        m_exportProfile =
            reinterpret_cast<PFN_ExportZEBProfile>(dlsym(m_handle, "ExportZEBProfile"));
        ASSERT_NE(m_exportFile, nullptr);
        ASSERT_NE(m_exportProfile, nullptr);
        m_committed = ReadFile(KITROSTER_PROFILE_DB_PATH);
        ASSERT_EQ(m_committed.size(), 128000u);
    }
    void TearDown() override {
        if (m_handle) {
            dlclose(m_handle);
        }
    }
    std::u16string Target(const char* name) const {
        const std::string path = (m_folder.Path() / name).string();
        return std::u16string(path.begin(), path.end());  // temp paths are ASCII
    }

    CTempFolder m_folder;
    void* m_handle = nullptr;
    PFN_ExportFileFromResource m_exportFile = nullptr;
    PFN_ExportZEBProfile m_exportProfile = nullptr;
    std::string m_committed;
};

TEST_F(ProfileExport, WritesTheProfileDatabaseThatSqliteReads) {
    ASSERT_EQ(m_exportProfile(Target("profile.db").c_str()), 1);
    const auto path = m_folder.Path() / "profile.db";
    EXPECT_EQ(std::filesystem::file_size(path), 128000u);
    EXPECT_TRUE(ReadFile(path) == m_committed);
    EXPECT_EQ(m_folder.Entries(), std::vector<std::string>{"profile.db"});

    CTestDb db(path);
    EXPECT_EQ(db.Value("PRAGMA integrity_check"), "ok");
    EXPECT_EQ(db.Value("PRAGMA page_size"), "1024");
    EXPECT_EQ(db.Value("PRAGMA page_count"), "125");
    EXPECT_EQ(db.Value("PRAGMA encoding"), "UTF-8");
    EXPECT_EQ(db.Rows("SELECT type, name FROM sqlite_schema ORDER BY name"),
              (std::vector<std::string>{"table|Profile", "index|sqlite_autoindex_Profile_1"}));
    // name | declared type | position in the primary key
    const std::vector<std::string> columns = {"ProfileName|VARCHAR(1024)|1",
                                              "Country|VARCHAR(1024)|2",
                                              "NetProvider|VARCHAR(1024)|3",
                                              "CallType|INTEGER|4",
                                              "APNname|VARCHAR(1024)|0",
                                              "CallNumber|VARCHAR(1024)|0",
                                              "UserName|VARCHAR(1024)|0",
                                              "Password|VARCHAR(1024)|0",
                                              "DNSYN|INTEGER|0",
                                              "PrimaryDNS|VARCHAR(1024)|0",
                                              "SecondaryDNS|VARCHAR(1024)|0",
                                              "QosMin|VARCHAR(1024)|0",
                                              "QosReq|VARCHAR(1024)|0",
                                              "AuthType|INTEGER|0",
                                              "DefaultProfile|INTEGER|5",
                                              "LastConnect|INTEGER|0",
                                              "ShowList|INTEGER|0",
                                              "MCC|INTEGER|7",
                                              "MNC|INTEGER|8",
                                              "HSDPA|INTEGER|6",
                                              "COMMON|INTEGER|0",
                                              "AM|COMMON INTEGER|0",
                                              "LATIN|INTEGER|0",
                                              "Imitation|INTEGER|0"};
    EXPECT_EQ(db.Rows("SELECT name, type, pk FROM pragma_table_info('Profile') ORDER BY cid"),
              columns);
    EXPECT_EQ(db.Value("SELECT count(*), count(DISTINCT Country), count(DISTINCT NetProvider), "
                       "count(DISTINCT Country || '|' || NetProvider) FROM Profile"),
              "596|84|198|198");
}

TEST_F(ProfileExport, ReplacesAnExistingTargetWhole) {
    const auto path = m_folder.Path() / "profile.db";
    WriteFile(path, std::string(300000, 'x'));  // longer than the database
    ASSERT_EQ(m_exportFile(u"profile", Target("profile.db").c_str()), 1);  // name ignores case
    EXPECT_TRUE(ReadFile(path) == m_committed);
    ASSERT_EQ(m_exportProfile(Target("profile.db").c_str()), 1);
    EXPECT_TRUE(ReadFile(path) == m_committed);
    EXPECT_EQ(m_folder.Entries(), std::vector<std::string>{"profile.db"});
}

TEST_F(ProfileExport, FailuresReturnZeroAndLeaveEverythingAsItWas) {
    WriteFile(m_folder.Path() / "existing.db", "previous contents");
    std::filesystem::create_directory(m_folder.Path() / "folder");
    const std::u16string unpaired = Target("bad") + u"\xD800.db";
    const auto integerId = reinterpret_cast<const char16_t*>(static_cast<std::uintptr_t>(1));
    struct {
        const char* what;
        const char16_t* name;
        std::u16string target;
        bool nullTarget;
    } const cases[] = {
        {"unknown name, existing target", u"NOPE", Target("existing.db"), false},
        {"unknown name, new target", u"PROFILES", Target("new.db"), false},
        {"integer resource id", integerId, Target("new.db"), false},
        {"null name", nullptr, Target("new.db"), false},
        {"folder does not exist", u"PROFILE", Target("missing/new.db"), false},
        {"target is a folder", u"PROFILE", Target("folder"), false},
        {"target is a file used as a folder", u"PROFILE", Target("existing.db/new.db"), false},
        {"empty target", u"PROFILE", u"", false},
        {"unpaired surrogate in target", u"PROFILE", unpaired, false},
        {"null target", u"PROFILE", u"", true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(m_exportFile(c.name, c.nullTarget ? nullptr : c.target.c_str()), 0) << c.what;
        EXPECT_EQ(ReadFile(m_folder.Path() / "existing.db"), "previous contents") << c.what;
        EXPECT_TRUE(std::filesystem::is_empty(m_folder.Path() / "folder")) << c.what;
        EXPECT_EQ(m_folder.Entries(), (std::vector<std::string>{"existing.db", "folder"}))
            << c.what;
    }
    EXPECT_EQ(m_exportProfile(nullptr), 0);
}

TEST_F(ProfileExport, ConcurrentExportsToOneTargetEachReplaceItWhole) {
    std::vector<std::thread> threads;
    std::atomic<int> failures{0};
    const std::u16string target = Target("profile.db");
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 10; ++i) {
                failures += m_exportProfile(target.c_str()) == 1 ? 0 : 1;
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(failures, 0);
    EXPECT_TRUE(ReadFile(m_folder.Path() / "profile.db") == m_committed);
    EXPECT_EQ(m_folder.Entries(), std::vector<std::string>{"profile.db"});
}

// Only a missing or writable regular file is replaced; a link is written through to its
// target; anything else is refused, whoever runs the export.
TEST_F(ProfileExport, ReplacesOnlyWritableRegularFilesAndWritesThroughLinks) {
    namespace fs = std::filesystem;
    const fs::path dir = m_folder.Path();
    WriteFile(dir / "readonly.db", "keep");
    fs::permissions(dir / "readonly.db", fs::perms::owner_read | fs::perms::group_read);
    ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0666), 0);
    fs::create_symlink("/dev/null", dir / "null-link");
    const bool root = geteuid() == 0;
    if (root) {  // only root may make device nodes; CI runs as root
        ASSERT_EQ(mknod((dir / "device").c_str(), S_IFCHR | 0666, makedev(1, 3)), 0);
    }
    struct {
        const char* name;
        fs::file_type type;  // what the name must still be afterwards
    } const refused[] = {
        {"readonly.db", fs::file_type::regular},
        {"fifo", fs::file_type::fifo},
        {"null-link", fs::file_type::symlink},
        {"device", fs::file_type::character},
    };
    for (const auto& c : refused) {
        if (!fs::exists(fs::symlink_status(dir / c.name))) {
            continue;
        }
        EXPECT_EQ(m_exportProfile(Target(c.name).c_str()), 0) << c.name;
        EXPECT_EQ(fs::symlink_status(dir / c.name).type(), c.type) << c.name;
    }
    EXPECT_EQ(ReadFile(dir / "readonly.db"), "keep");
    EXPECT_TRUE(fs::is_character_file("/dev/null"));

    // Links, relative or dangling, lead the write to their target and stay links.
    WriteFile(dir / "private.db", "old");
    fs::permissions(dir / "private.db", fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink("private.db", dir / "link");
    fs::create_symlink("created.db", dir / "dangling");
    for (const char* name : {"link", "dangling"}) {
        EXPECT_EQ(m_exportProfile(Target(name).c_str()), 1) << name;
        EXPECT_TRUE(fs::is_symlink(dir / name)) << name;
    }
    EXPECT_TRUE(ReadFile(dir / "private.db") == m_committed);
    EXPECT_TRUE(ReadFile(dir / "created.db") == m_committed);
    // A replaced file keeps its mode.
    EXPECT_EQ(fs::status(dir / "private.db").permissions(),
              fs::perms::owner_read | fs::perms::owner_write);
    std::vector<std::string> expected = {"created.db", "dangling",   "fifo",       "link",
                                         "null-link",  "private.db", "readonly.db"};
    if (root) {
        expected.insert(expected.begin() + 2, "device");
    }
    EXPECT_EQ(m_folder.Entries(), expected);
}

// Links are resolved by the library, so the kernel's protection against following another
// account's link in a shared folder does not apply: the library follows only links of the
// caller or of root. Needs root to give a link to another account.
TEST_F(ProfileExport, FollowsOnlyLinksOfTheCallerOrRoot) {
    namespace fs = std::filesystem;
    if (geteuid() != 0) {
        GTEST_SKIP() << "giving a link to another account needs root";
    }
    const fs::path dir = m_folder.Path();
    constexpr uid_t kRoot = 0;
    constexpr uid_t kOther = 65534;
    struct {
        const char* link;
        uid_t owner;
        bool dangling;
        bool written;
    } const cases[] = {
        {"root-link.db", kRoot, false, true},
        {"root-dangling.db", kRoot, true, true},
        {"other-link.db", kOther, false, false},
        {"other-dangling.db", kOther, true, false},
    };
    for (const auto& c : cases) {
        const fs::path target = dir / (std::string("target-of-") + c.link);
        if (!c.dangling) {
            WriteFile(target, "root's file");
        }
        fs::create_symlink(target, dir / c.link);
        ASSERT_EQ(lchown((dir / c.link).c_str(), c.owner, c.owner), 0) << c.link;
        EXPECT_EQ(m_exportProfile(Target(c.link).c_str()), c.written ? 1 : 0) << c.link;
        EXPECT_TRUE(fs::is_symlink(dir / c.link)) << c.link;
        if (c.written) {
            EXPECT_TRUE(ReadFile(target) == m_committed) << c.link;
        } else if (c.dangling) {
            EXPECT_FALSE(fs::exists(fs::symlink_status(target))) << c.link;
        } else {
            EXPECT_EQ(ReadFile(target), "root's file") << c.link;
        }
    }
    // Another account's link further along a chain of root's links is refused too.
    fs::create_symlink("other-link.db", dir / "chain.db");
    EXPECT_EQ(m_exportProfile(Target("chain.db").c_str()), 0);
    EXPECT_EQ(ReadFile(dir / "target-of-other-link.db"), "root's file");
    for (const std::string& name : m_folder.Entries()) {
        EXPECT_EQ(name.find(".tmp"), std::string::npos) << name;
    }
}

TEST_F(ProfileExport, ExportsOnlyItsInterfaceAndItsVersion) {
    const auto* version =
        static_cast<const char*>(dlsym(m_handle, "KitrosterProfileEditionVersion"));
    ASSERT_NE(version, nullptr);
    EXPECT_STREQ(version, "1.0.0.17");
    EXPECT_EQ(dlsym(m_handle, "kitroster_profile_db_begin"), nullptr);
    Dl_info info{};
    ASSERT_NE(dladdr(reinterpret_cast<void*>(m_exportProfile), &info), 0);
    EXPECT_EQ(std::filesystem::path(info.dli_fname).filename(), "libKitroster.so");
}

}  // namespace
}  // namespace kitroster::profile_test
