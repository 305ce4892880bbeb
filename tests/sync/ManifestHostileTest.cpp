// Manifests in a folder that another account may write: planted links and files under the
// working names, linked main and backup files, and the mode a new main file gets. Whatever
// was planted, nothing outside the manifest's own files is written, and no file ends up
// readable by more accounts than the one it replaces.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "platform/app/KitrosterApp.h"
#include "testing/env/TempDir.h"
#include "testing/env/TestEnv.h"
#include "testing/log/LogCapture.h"
#include "tests/sync/ManifestTestSupport.h"
#include "tests/sync/SyncTestServices.h"

using namespace manifest_test;
using kitroster::CTempDir;
using kitroster::CTestEnv;
namespace fs = std::filesystem;

namespace {

class ManifestHostileTest : public ::testing::Test {
  protected:
    CTempDir m_dir;
    CTestEnv m_env;
    CAppServicesOverride m_services{sync_test::WithEnv(&m_env)};
    std::string m_main = m_dir.Path("cat.mfs");
    std::string m_victim = m_dir.Path("outside/victim");

    std::string Contents(const std::string& path) {
        std::string contents;
        m_env.ReadFileToString(path, &contents);
        return contents;
    }
    void Put(const std::string& path, const std::string& contents, mode_t mode) {
        ASSERT_TRUE(m_env.WriteStringToFile(path, contents).ok());
        ASSERT_EQ(::chmod(path.c_str(), mode), 0);
    }
    mode_t ModeOf(const std::string& path) {
        struct stat st;
        return ::lstat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
    }
    bool IsLink(const std::string& path) { return fs::is_symlink(path); }
    void Clean() {
        for (const char* ext : {"mfs", "mf2", "mfp", "mfl", "mfr", "mfk"})
            fs::remove(m_dir.Path(std::string("cat.") + ext));
        fs::remove_all(m_dir.Path("outside"));
        fs::create_directory(m_dir.Path("outside"));
        Put(m_victim, "root's secret", 0600);
    }
    void CorruptMainWithBackup() {
        ASSERT_EQ(Write(m_main, Generation(1, 2)), S_OK);
        ASSERT_EQ(Write(m_main, Generation(2, 2)), S_OK);
        Put(m_main, std::string(100, 'x'), 0644);
    }
};

TEST_F(ManifestHostileTest, PlantedNamesNeverRedirectAWrite) {
    struct Case {
        const char* what;
        std::function<void()> plant;
        bool write;  // else a read, which restores the backup when it finds the main corrupt
        HRESULT hr;
        const char* log;  // expected in the log, or null
        std::vector<Rec> mainRecords;
        mode_t mainMode;  // 0: not checked
    };
    const Case cases[] = {
        {"planted .mfp link to a root file",
         [&] {
             ASSERT_EQ(Write(m_main, Generation(1, 2)), S_OK);
             fs::create_symlink(m_victim, m_dir.Path("cat.mfp"));
         },
         true, S_OK, nullptr, Generation(3, 2), 0},
        {"planted .mfp hard link to a root file",
         [&] {
             ASSERT_EQ(Write(m_main, Generation(1, 2)), S_OK);
             fs::create_hard_link(m_victim, m_dir.Path("cat.mfp"));
         },
         true, S_OK, nullptr, Generation(3, 2), 0},
        {"planted .mfl link to a root file",
         [&] {
             ASSERT_EQ(Write(m_main, Generation(1, 2)), S_OK);
             fs::create_symlink(m_victim, m_dir.Path("cat.mfl"));
         },
         true, S_OK, nullptr, Generation(3, 2), 0},
        {"planted .mfr link, corrupt main restored",
         [&] {
             CorruptMainWithBackup();
             fs::create_symlink(m_victim, m_dir.Path("cat.mfr"));
         },
         false, S_OK, "successfully recovered", Generation(1, 2), 0644},
        {"linked .mf2 holding a 0600 file",
         [&] {
             CorruptMainWithBackup();
             ASSERT_EQ(Write(m_dir.Path("outside/secret.mfs"), Generation(9, 1)), S_OK);
             ::chmod(m_dir.Path("outside/secret.mfs").c_str(), 0600);
             fs::remove(m_dir.Path("cat.mf2"));
             fs::create_symlink(m_dir.Path("outside/secret.mfs"), m_dir.Path("cat.mf2"));
         },
         false,
         E_ACCESSDENIED,
         "backup file is a symbolic link",
         {},
         0644},
        {"linked main file, read",
         [&] {
             ASSERT_EQ(Write(m_dir.Path("outside/other.mfs"), Generation(9, 1)), S_OK);
             fs::create_symlink(m_dir.Path("outside/other.mfs"), m_main);
         },
         false,
         E_ACCESSDENIED,
         "manifest is a symbolic link, not read",
         {},
         0},
        {"linked main file, write",
         [&] { fs::create_symlink(m_victim, m_main); },
         true,
         E_ACCESSDENIED,
         "manifest is a symbolic link, not replaced",
         {},
         0},
        {"0600 main file stays 0600",
         [&] {
             ASSERT_EQ(Write(m_main, Generation(1, 2)), S_OK);
             ::chmod(m_main.c_str(), 0600);
         },
         true, S_OK, nullptr, Generation(3, 2), 0600},
        {"0600 corrupt main restored from a 0644 backup stays 0600",
         [&] {
             CorruptMainWithBackup();
             ::chmod(m_main.c_str(), 0600);
         },
         false, S_OK, "successfully recovered", Generation(1, 2), 0600},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Clean();
        c.plant();
        const std::string linkedTarget =
            IsLink(m_main) ? Contents(fs::read_symlink(m_main).string()) : "";
        CLogCapture log("ZRSYNC_ZRSYNCCOMMON=0x2d");
        ReadResult r{};
        if (c.write)
            r.hr = Write(m_main, Generation(3, 2));
        else
            r = Read(m_main);
        EXPECT_EQ(r.hr, c.hr);
        if (c.log) {
            EXPECT_TRUE(log.Contains(c.log));
        }
        EXPECT_EQ(Contents(m_victim), "root's secret");
        EXPECT_EQ(ModeOf(m_victim), 0600u);
        if (!linkedTarget.empty()) {
            EXPECT_TRUE(IsLink(m_main)) << "a linked main file is left as it is";
            EXPECT_EQ(Contents(fs::read_symlink(m_main).string()), linkedTarget);
            continue;
        }
        EXPECT_FALSE(IsLink(m_main));
        if (SUCCEEDED(c.hr)) {
            EXPECT_EQ(Read(m_main).records, c.mainRecords);
        } else {
            EXPECT_EQ(Contents(m_main), std::string(100, 'x')) << "the main file is kept";
        }
        if (c.mainMode) {
            EXPECT_EQ(ModeOf(m_main), c.mainMode);
        }
        for (const char* ext : {"mfp", "mfl", "mfr"})
            EXPECT_FALSE(fs::exists(fs::symlink_status(m_dir.Path(std::string("cat.") + ext))))
                << ext;
    }
}

TEST_F(ManifestHostileTest, WorkingNamesAreNotTargets) {
    for (const char* name : {"cat.mfp", "cat.MF2", "cat.mfl", "cat.mfr", "cat.mfk"}) {
        SCOPED_TRACE(name);
        CLogCapture log("ZRSYNC_ZRSYNCCOMMON=0x2d");
        EXPECT_EQ(Write(m_dir.Path(name), Generation(1, 1)), E_INVALIDARG);
        EXPECT_TRUE(log.Contains("refusing a working file name"));
        EXPECT_TRUE(fs::is_empty(m_dir.path()));
    }
}

}  // namespace
