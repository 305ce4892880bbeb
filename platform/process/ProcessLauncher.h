// IProcessLauncher: starts a program without a shell and waits for it.
//
// The real launcher (PosixProcessLauncher) uses posix_spawn: the program is argv[0],
// looked up on PATH when it holds no '/'; the child starts in "/", with standard input
// from /dev/null, standard output and error inherited, no other descriptor, an empty
// signal mask and default signal dispositions, in a session of its own. With `runAs`
// (when the caller is root) the program runs as that account, with its groups, through
// setpriv(1), since posix_spawn cannot change ids.
//
// Thread-safety: Run may be called from several threads at once.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/process/CommandLine.h"

namespace kitroster {

struct RunAsAccount {
    uint32_t uid = 0;
    uint32_t gid = 0;
    std::string name;
};

struct ProcessRequest {
    std::vector<std::string> argv;
    std::optional<RunAsAccount> runAs;
};

struct ProcessOutcome {
    bool started = false;
    // When started: the exit status, or 128 + the signal that ended the program.
    uint32_t exitCode = 0;
    // When not started: the Windows system error (2 for a missing program, ...).
    uint32_t systemError = 0;
};

class KR_PROCESS_API IProcessLauncher {
  public:
    virtual ProcessOutcome Run(const ProcessRequest& request) = 0;

  protected:
    ~IProcessLauncher() = default;
};

// The process-wide real launcher. Never destroyed.
KR_PROCESS_API IProcessLauncher& PosixProcessLauncher();

}  // namespace kitroster
