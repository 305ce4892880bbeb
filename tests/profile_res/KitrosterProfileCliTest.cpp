// kitroster-profile end to end: it loads the library with dlopen and reports failures.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>

#include "tests/profile_res/ProfileTestSupport.h"

namespace kitroster::profile_test {
namespace {

// Runs the tool with a shell command line; returns its exit status.
int RunTool(const std::string& environment, const std::string& arguments,
            const std::filesystem::path& log) {
    const std::string command = environment + " '" KITROSTER_PROFILE_CLI_PATH "' " + arguments +
                                " >'" + log.string() + "' 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(KitrosterProfileCli, ExportsAndReportsFailures) {
    CTempFolder folder;
    const auto log = folder.Path() / "log.txt";
    const auto target = folder.Path() / "out.db";
    const std::string library = "KITROSTER_PROFILE_LIB='" KITROSTER_PROFILE_EDITION_PATH "'";

    EXPECT_EQ(RunTool(library, "export '" + target.string() + "'", log), 0) << ReadFile(log);
    EXPECT_TRUE(ReadFile(target) == ReadFile(KITROSTER_PROFILE_DB_PATH));

    WriteFile(target, "kept");
    EXPECT_EQ(RunTool(library, "export '" + target.string() + "' --resource NOPE", log), 1);
    EXPECT_NE(ReadFile(log).find("resource \"NOPE\""), std::string::npos) << ReadFile(log);
    EXPECT_EQ(ReadFile(target), "kept");

    EXPECT_EQ(RunTool(library, "export '" + (folder.Path() / "no/out.db").string() + "'", log), 1);

    // Found next to the executable without the variable.
    EXPECT_EQ(RunTool("unset KITROSTER_PROFILE_LIB;", "version", log), 0) << ReadFile(log);
    EXPECT_EQ(ReadFile(log).rfind("1.0.0.17 ", 0), 0u) << ReadFile(log);

    EXPECT_EQ(RunTool("KITROSTER_PROFILE_LIB=/nonexistent/libKitroster.so", "version", log), 2);
    EXPECT_NE(ReadFile(log).find("cannot load the profile library"), std::string::npos);
}

// Writing through a link: the caller's own links and root's are followed, another account's
// is refused with exit 1 and a message. Run as root and, through setpriv, as nobody.
TEST(KitrosterProfileCli, WritesOnlyThroughLinksOfTheCallerOrRoot) {
    if (geteuid() != 0 || std::system("command -v setpriv >/dev/null") != 0) {
        GTEST_SKIP() << "needs root and setpriv to act as two accounts";
    }
    CTempFolder folder;
    const auto dir = folder.Path();
    // A shared folder, as /tmp is, that nobody may write to.
    std::filesystem::permissions(dir,
                                 std::filesystem::perms::all | std::filesystem::perms::sticky_bit);
    const auto log = dir / "log.txt";
    const std::string library = "KITROSTER_PROFILE_LIB='" KITROSTER_PROFILE_EDITION_PATH "'";
    const std::string asNobody = library + " setpriv --reuid=65534 --regid=65534 --clear-groups --";
    const std::string profile = ReadFile(KITROSTER_PROFILE_DB_PATH);
    struct {
        const char* what;
        const std::string& runAs;
        uid_t linkOwner;
        int exitCode;
    } const cases[] = {
        {"root through root's link", library, 0, 0},
        {"root through nobody's link", library, 65534, 1},
        {"nobody through its own link", asNobody, 65534, 0},
        {"nobody through root's link", asNobody, 0, 0},
        {"nobody through another account's link", asNobody, 65533, 1},
    };
    int n = 0;
    for (const auto& c : cases) {
        const auto target = dir / ("target" + std::to_string(n));
        const auto link = dir / ("link" + std::to_string(n++));
        WriteFile(target, "kept");
        ASSERT_EQ(chown(target.c_str(), 65534, 65534), 0);
        std::filesystem::create_symlink(target, link);
        ASSERT_EQ(lchown(link.c_str(), c.linkOwner, c.linkOwner), 0);
        EXPECT_EQ(RunTool(c.runAs, "export '" + link.string() + "'", log), c.exitCode)
            << c.what << ": " << ReadFile(log);
        EXPECT_TRUE(std::filesystem::is_symlink(link)) << c.what;
        if (c.exitCode == 0) {
            EXPECT_TRUE(ReadFile(target) == profile) << c.what;
        } else {
            EXPECT_EQ(ReadFile(target), "kept") << c.what;
            EXPECT_NE(ReadFile(log).find(link.string() + " is a link that belongs to user "),
                      std::string::npos)
                << c.what << ": " << ReadFile(log);
        }
    }
}

}  // namespace
}  // namespace kitroster::profile_test
