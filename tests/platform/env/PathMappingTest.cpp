#include <gtest/gtest.h>

#include "platform/env/PosixEnv.h"

namespace kitroster {
namespace {

TEST(PathMapping, WindowsFormTextBecomesNativePaths) {
    CPosixEnv env("/srv/unc/");
    struct Case {
        const char* path;
        uint32_t error;
        const char* native;
    } const cases[] = {
        {"/var/lib/x.zrr", kErrorSuccess, "/var/lib/x.zrr"},
        {"/var\\lib\\x.zrr", kErrorSuccess, "/var/lib/x.zrr"},
        {"rel\\dir\\x", kErrorSuccess, "rel/dir/x"},
        {"\\\\SRV\\Share\\Settings\\a.txt", kErrorSuccess, "/srv/unc/SRV/Share/Settings/a.txt"},
        {"//srv/share/dir/", kErrorSuccess, "/srv/unc/srv/share/dir/"},
        {"\\\\srv\\share\\a\\..\\..\\..\\b", kErrorSuccess, "/srv/unc/srv/share/b"},
        {"\\\\srv\\share\\.\\b", kErrorSuccess, "/srv/unc/srv/share/b"},
        {"\\\\?\\UNC\\srv\\share\\b", kErrorSuccess, "/srv/unc/srv/share/b"},
        {"\\\\?\\/tmp\\b", kErrorSuccess, "/tmp/b"},
        {"\\\\..\\etc\\passwd", kErrorBadNetPath, ""},
        {"\\\\srv\\..\\x", kErrorBadNetPath, ""},
        {"\\\\", kErrorInvalidName, ""},
        {"C:\\data\\x.zrr", kErrorPathNotFound, ""},
        {"c:/data", kErrorPathNotFound, ""},
        {"C:", kErrorPathNotFound, ""},
        {"\\\\?\\C:\\x", kErrorPathNotFound, ""},
        {"\\\\.\\PhysicalDrive0", kErrorPathNotFound, ""},
        {"", kErrorPathNotFound, ""},
        {"/tmp/a*b", kErrorInvalidName, ""},
        {"/tmp/a?b", kErrorInvalidName, ""},
        {"/tmp/a|b", kErrorInvalidName, ""},
        {"/tmp/a\nb", kErrorInvalidName, ""},
    };
    for (const Case& c : cases) {
        std::string native = "unchanged";
        EnvStatus s = env.ToNativePath(c.path, &native);
        EXPECT_EQ(s.error(), c.error) << c.path;
        EXPECT_EQ(native, c.native) << c.path;
    }
    // A NUL inside the text is refused, not cut.
    std::string withNul("/tmp/a\0b", 8);
    std::string native;
    EXPECT_EQ(env.ToNativePath(withNul, &native).error(), kErrorInvalidName);
}

TEST(PathMapping, UncRootCanChangeAtRunTime) {
    CPosixEnv env;
    EXPECT_EQ(env.GetUncRoot(), "/net");
    std::string native;
    ASSERT_TRUE(env.ToNativePath("\\\\h\\s\\f", &native).ok());
    EXPECT_EQ(native, "/net/h/s/f");
    EXPECT_TRUE(env.SetUncRoot("/"));
    ASSERT_TRUE(env.ToNativePath("\\\\h\\s\\f", &native).ok());
    EXPECT_EQ(native, "/h/s/f");
    // Empty and relative roots would reach the file-system root or the working folder.
    EXPECT_FALSE(env.SetUncRoot(""));
    EXPECT_FALSE(env.SetUncRoot("net"));
    EXPECT_EQ(env.GetUncRoot(), "/");
}

}  // namespace
}  // namespace kitroster
