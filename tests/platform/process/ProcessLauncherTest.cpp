// The real launcher: exit codes, start failures, and the child's surroundings.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "platform/env/EnvStatus.h"
#include "platform/process/ProcessLauncher.h"

using kitroster::PosixProcessLauncher;
using kitroster::ProcessOutcome;
using kitroster::ProcessRequest;

namespace {

ProcessOutcome RunShell(const std::string& script) {
    ProcessRequest request;
    request.argv = {"sh", "-c", script};
    return PosixProcessLauncher().Run(request);
}

TEST(ProcessLauncherTest, ExitCodesAndStartFailures) {
    EXPECT_EQ(RunShell("exit 0").exitCode, 0u);
    ProcessOutcome five = RunShell("exit 5");
    EXPECT_TRUE(five.started);
    EXPECT_EQ(five.exitCode, 5u);
    EXPECT_EQ(RunShell("kill -9 $$").exitCode, 128u + 9u);

    ProcessRequest missing;
    missing.argv = {"/nonexistent/program"};
    ProcessOutcome outcome = PosixProcessLauncher().Run(missing);
    EXPECT_FALSE(outcome.started);
    EXPECT_EQ(outcome.systemError, kitroster::kErrorFileNotFound);
    EXPECT_FALSE(PosixProcessLauncher().Run(ProcessRequest{}).started);
}

TEST(ProcessLauncherTest, NoShellInterpretsTheArguments) {
    ProcessRequest request;
    request.argv = {"sh", "-c", "test \"$0\" = '$(echo x); y'", "$(echo x); y"};
    EXPECT_EQ(PosixProcessLauncher().Run(request).exitCode, 0u);
}

TEST(ProcessLauncherTest, ChildStartsInRootWithoutInheritedDescriptors) {
    int fd = ::open("/dev/null", O_RDONLY);  // inheritable: no O_CLOEXEC
    ASSERT_GE(fd, 0);
    ASSERT_GE(::dup2(fd, 57), 0);
    EXPECT_EQ(RunShell("test \"$(pwd)\" = /").exitCode, 0u);
    EXPECT_EQ(RunShell("test ! -e /proc/$$/fd/57").exitCode, 0u);
    EXPECT_EQ(RunShell("read x; test -z \"$x\"").exitCode, 0u) << "stdin is /dev/null";
    ::close(57);
    ::close(fd);
}

TEST(ProcessLauncherTest, RunsAsAnotherAccountWhenRoot) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root";
    ProcessRequest request;
    request.argv = {"sh", "-c", "test \"$(id -u)\" = 65534 && test \"$(id -g)\" = 65534"};
    request.runAs = kitroster::RunAsAccount{65534, 65534, "nobody"};
    EXPECT_EQ(PosixProcessLauncher().Run(request).exitCode, 0u);
}

}  // namespace
