#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "platform/env/EnvStatus.h"
#include "platform/process/ProcessLauncher.h"

extern char** environ;

namespace kitroster {

namespace {

// Undoes the spawn attributes and file actions on every path.
class CSpawnSetup {
  public:
    CSpawnSetup() {
        posix_spawnattr_init(&m_attr);
        posix_spawn_file_actions_init(&m_actions);
    }
    ~CSpawnSetup() {
        posix_spawnattr_destroy(&m_attr);
        posix_spawn_file_actions_destroy(&m_actions);
    }
    CSpawnSetup(const CSpawnSetup&) = delete;
    CSpawnSetup& operator=(const CSpawnSetup&) = delete;

    int Prepare() {
        sigset_t none;
        sigset_t all;
        sigemptyset(&none);
        sigfillset(&all);
        int rc = posix_spawnattr_setsigmask(&m_attr, &none);
        if (rc == 0)
            rc = posix_spawnattr_setsigdefault(&m_attr, &all);
        if (rc == 0) {
            rc = posix_spawnattr_setflags(
                &m_attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSID);
        }
        if (rc == 0)
            rc = posix_spawn_file_actions_addopen(&m_actions, 0, "/dev/null", O_RDONLY, 0);
        if (rc == 0)
            rc = posix_spawn_file_actions_addclosefrom_np(&m_actions, 3);
        if (rc == 0)
            rc = posix_spawn_file_actions_addchdir_np(&m_actions, "/");
        return rc;
    }
    posix_spawnattr_t* attr() { return &m_attr; }
    posix_spawn_file_actions_t* actions() { return &m_actions; }

  private:
    posix_spawnattr_t m_attr;
    posix_spawn_file_actions_t m_actions;
};

std::vector<std::string> ArgumentsFor(const ProcessRequest& request) {
    if (!request.runAs)
        return request.argv;
    std::vector<std::string> args = {"setpriv",
                                     "--reuid=" + std::to_string(request.runAs->uid),
                                     "--regid=" + std::to_string(request.runAs->gid),
                                     "--init-groups",
                                     "--reset-env",
                                     "--"};
    args.insert(args.end(), request.argv.begin(), request.argv.end());
    return args;
}

class CPosixProcessLauncher : public IProcessLauncher {
  public:
    ProcessOutcome Run(const ProcessRequest& request) override {
        ProcessOutcome outcome;
        if (request.argv.empty() || request.argv[0].empty()) {
            outcome.systemError = kErrorFileNotFound;
            return outcome;
        }
        std::vector<std::string> args = ArgumentsFor(request);
        std::vector<char*> argv;
        for (std::string& arg : args)
            argv.push_back(arg.data());
        argv.push_back(nullptr);

        CSpawnSetup setup;
        int rc = setup.Prepare();
        pid_t pid = -1;
        if (rc == 0)
            rc = posix_spawnp(&pid, argv[0], setup.actions(), setup.attr(), argv.data(), environ);
        if (rc != 0) {
            outcome.systemError = Win32ErrorFromErrno(rc);
            return outcome;
        }
        int status = 0;
        while (waitpid(pid, &status, 0) < 0) {
            if (errno != EINTR) {
                outcome.systemError = Win32ErrorFromErrno(errno);
                return outcome;
            }
        }
        outcome.started = true;
        if (WIFEXITED(status))
            outcome.exitCode = static_cast<uint32_t>(WEXITSTATUS(status));
        else if (WIFSIGNALED(status))
            outcome.exitCode = 128u + static_cast<uint32_t>(WTERMSIG(status));
        return outcome;
    }
};

}  // namespace

IProcessLauncher& PosixProcessLauncher() {
    static CPosixProcessLauncher* launcher = new CPosixProcessLauncher;
    return *launcher;
}

}  // namespace kitroster
