#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace kitroster
