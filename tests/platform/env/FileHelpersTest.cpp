#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "platform/env/FileHelpers.h"
#include "platform/env/PosixEnv.h"
#include "testing/env/TempDir.h"
#include "testing/env/TestEnv.h"

namespace kitroster {
namespace {

struct stat StatOf(const std::string& path) {
    struct stat st = {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st;
}

TEST(FileHelpersTest, ReplacementKeepsTheOldFilesModeAndOwner) {
    CTempDir dir;
    CPosixEnv env;
    const std::string path = dir.Path("_RES_CAM1.zrr");
    for (const mode_t mode : {0600, 0640, 0604, 0664}) {
        ASSERT_TRUE(env.WriteStringToFile(path, "old").ok());
        ASSERT_EQ(::chmod(path.c_str(), mode), 0);
        ASSERT_TRUE(WriteFileAtomically(&env, path, "new").ok()) << std::oct << mode;
        EXPECT_EQ(StatOf(path).st_mode & 07777, mode) << std::oct << mode;
    }
    // Only root can give a file to someone else; CI runs as root.
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(path.c_str(), 4321, 4322), 0);
        ASSERT_TRUE(WriteFileAtomically(&env, path, "by root").ok());
        EXPECT_EQ(StatOf(path).st_uid, 4321u);
        EXPECT_EQ(StatOf(path).st_gid, 4322u);
    }
    // A new file gets the default mode; there is nothing to copy.
    const std::string fresh = dir.Path("_RES_NEW.zrr");
    ASSERT_TRUE(WriteFileAtomically(&env, fresh, "x").ok());
    EXPECT_EQ(
        StatOf(fresh).st_mode & 07777, 0666 & ~[] {
            const mode_t mask = ::umask(0);
            ::umask(mask);
            return mask;
        }());
}

TEST(FileHelpersTest, AFailedAttributeCopyLeavesTheOldFileAndNoTemporaryFile) {
    CTempDir dir;
    CTestEnv env;
    const std::string path = dir.Path("_RES_CAM1.zrr");
    ASSERT_TRUE(env.WriteStringToFile(path, "old").ok());
    env.FailFrom(EnvOp::kCopyFileAttributes, 1, kErrorAccessDenied);
    EXPECT_EQ(WriteFileAtomically(&env, path, "new").error(), kErrorAccessDenied);
    std::string contents;
    ASSERT_TRUE(env.ReadFileToString(path, &contents).ok());
    EXPECT_EQ(contents, "old");
    std::vector<std::string> names;
    ASSERT_TRUE(env.FindFiles(dir.path(), "*", &names).ok());
    EXPECT_EQ(names, std::vector<std::string>{"_RES_CAM1.zrr"});
    EXPECT_EQ(env.CallCount(EnvOp::kMoveFile), 0);
}

std::string Contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Plays another account that may write the folder: it puts a link to `victim` at the name
// of a temporary file, either just before the file is created or just after (moving the
// new file aside), and records how the temporary file was opened.
class CLinkPlantingEnv : public EnvWrapper {
  public:
    CLinkPlantingEnv(Env* target, std::string victim, bool beforeCreation)
        : EnvWrapper(target), m_victim(std::move(victim)), m_before(beforeCreation) {}
    EnvStatus OpenFile(const std::string& path, const OpenOptions& options,
                       std::unique_ptr<IFile>* file) override {
        const bool temporary = options.disposition == FileDisposition::kCreateNew;
        if (temporary)
            m_tempOptions = options;
        if (temporary && m_before && !m_planted)
            _plant(path);
        EnvStatus status = EnvWrapper::OpenFile(path, options, file);
        if (status.ok() && temporary && !m_before && !m_planted) {
            EXPECT_EQ(::rename(path.c_str(), (path + ".aside").c_str()), 0);
            _plant(path);
        }
        return status;
    }
    OpenOptions m_tempOptions;

  private:
    void _plant(const std::string& path) {
        EXPECT_EQ(::symlink(m_victim.c_str(), path.c_str()), 0) << path;
        m_planted = true;
    }
    std::string m_victim;
    bool m_before;
    bool m_planted = false;
};

TEST(FileHelpersTest, ALinkAtTheTemporaryNameNeverRedirectsTheWriteOrTheAttributes) {
    const struct {
        const char* what;
        bool beforeCreation;
        bool replaced;  // the new content reached `path`
    } cases[] = {
        {"a link planted before creation is refused; another name is used", true, true},
        {"a link swapped in after creation is not renamed into place", false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CTempDir dir;
        const std::string path = dir.Path("_RES_CAM1.zrr");
        const std::string victim = dir.Path("victim");
        ASSERT_TRUE(Env::Default()->WriteStringToFile(path, "old").ok());
        ASSERT_TRUE(Env::Default()->WriteStringToFile(victim, "secret").ok());
        ASSERT_EQ(::chmod(path.c_str(), 0644), 0);
        ASSERT_EQ(::chmod(victim.c_str(), 0600), 0);
        if (::geteuid() == 0) {
            ASSERT_EQ(::chown(path.c_str(), 4321, 4322), 0);
        }
        CLinkPlantingEnv env(Env::Default(), victim, c.beforeCreation);
        EXPECT_EQ(WriteFileAtomically(&env, path, "new").ok(), c.replaced);
        EXPECT_TRUE(env.m_tempOptions.noFollow);
        // The link's target keeps its content, mode and owner.
        EXPECT_EQ(Contents(victim), "secret");
        EXPECT_EQ(StatOf(victim).st_mode & 07777, 0600u);
        EXPECT_EQ(StatOf(victim).st_uid, ::geteuid());
        // `path` is a plain file with the old or the new content, never the link.
        struct stat st = {};
        ASSERT_EQ(::lstat(path.c_str(), &st), 0);
        EXPECT_TRUE(S_ISREG(st.st_mode));
        EXPECT_EQ(Contents(path), c.replaced ? "new" : "old");
        EXPECT_EQ(st.st_mode & 07777, 0644u);
        if (c.beforeCreation)
            continue;
        // The file written is the one moved aside: it got the attributes through its
        // descriptor.
        std::vector<std::string> aside;
        ASSERT_TRUE(Env::Default()->FindFiles(dir.path(), "*.aside", &aside).ok());
        ASSERT_EQ(aside.size(), 1u);
        EXPECT_EQ(Contents(dir.Path(aside[0])), "new");
        EXPECT_EQ(StatOf(dir.Path(aside[0])).st_mode & 07777, 0644u);
        EXPECT_EQ(StatOf(dir.Path(aside[0])).st_uid, ::geteuid() == 0 ? 4321u : ::geteuid());
    }
}

}  // namespace
}  // namespace kitroster
