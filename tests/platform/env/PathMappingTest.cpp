#include <gtest/gtest.h>

#include "platform/env/PathMapping.h"
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

TEST(PathMapping, Windows1252TextIsUtf8OnDisk) {
    // Every byte converts, and back: file names of any Windows-1252 text round-trip.
    for (int byte = 1; byte < 256; ++byte) {
        const std::string text(1, static_cast<char>(byte));
        std::string back;
        ASSERT_TRUE(Utf8ToCp1252(Cp1252ToUtf8(text), &back)) << byte;
        EXPECT_EQ(back, text) << byte;
    }
    std::string text;
    EXPECT_FALSE(Utf8ToCp1252("\xE9", &text));          // not UTF-8
    EXPECT_FALSE(Utf8ToCp1252("\xC3", &text));          // cut short
    EXPECT_FALSE(Utf8ToCp1252("\xC0\xAF", &text));      // overlong '/'
    EXPECT_FALSE(Utf8ToCp1252("\xE6\x97\xA5", &text));  // not in the code page

    // The UNC root is native text already and is not converted a second time.
    CPosixEnv env("/srv/r\xC3\xA9");
    std::string native;
    ASSERT_TRUE(env.ToNativePath("\\\\h\\s\\d\xE9\\\x80", &native).ok());
    EXPECT_EQ(native, "/srv/r\xC3\xA9/h/s/d\xC3\xA9/\xE2\x82\xAC");
    ASSERT_TRUE(env.ToNativePath("/srv/d\xE9", &native).ok());
    EXPECT_EQ(native, "/srv/d\xC3\xA9");
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
