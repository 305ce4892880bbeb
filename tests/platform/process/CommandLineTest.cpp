#include <gtest/gtest.h>

#include "platform/process/CommandLine.h"

using kitroster::SplitCommandLine;
using Args = std::vector<std::string>;

TEST(CommandLineTest, WindowsQuotingRules) {
    struct Case {
        const char* line;
        Args args;
    } cases[] = {
        {"", {}},
        {"   \t ", {}},
        {"net time \\\\srv /SET /Y", {"net", "time", "\\\\srv", "/SET", "/Y"}},
        {"  a   b\tc  ", {"a", "b", "c"}},
        {"\"C:\\Program Files\\x.exe\" arg", {"C:\\Program Files\\x.exe", "arg"}},
        {"prog\\\" x", {"prog\\ x"}},  // in the program a backslash is literal
        {"p \"a b\" c", {"p", "a b", "c"}},
        {"p \"\"", {"p", ""}},
        {"p a\\\\b", {"p", "a\\\\b"}},
        {"p a\\\"b", {"p", "a\"b"}},
        {"p a\\\\\"b c\"", {"p", "a\\b c"}},
        {"p a\\\\\\\"b", {"p", "a\\\"b"}},
        {"p \"a\"\"b\"", {"p", "a\"b"}},
        {"p \"unterminated arg", {"p", "unterminated arg"}},
        {"chronyd -q \"server srv iburst\"", {"chronyd", "-q", "server srv iburst"}},
        {"p a;rm -rf / $(x) | y", {"p", "a;rm", "-rf", "/", "$(x)", "|", "y"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SplitCommandLine(c.line), c.args) << c.line;
}
