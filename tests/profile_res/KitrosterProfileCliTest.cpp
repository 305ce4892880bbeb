// kitroster-profile end to end: it loads the library with dlopen and reports failures.
#include <gtest/gtest.h>

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

}  // namespace
}  // namespace kitroster::profile_test
