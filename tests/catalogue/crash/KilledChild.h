// Runs a body in a child process and kills it (SIGKILL) a chosen delay after it says it
// is ready, for the kill trials of the catalogue.
#pragma once

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <functional>

namespace kitroster::testing {

struct SKillOutcome {
    bool killed = false;     // still running when the signal was sent
    double saveSeconds = 0;  // from readiness to the child's end
};

// `body` runs in the child with the descriptor it writes one byte to when ready, and must
// not return (it ends with _exit). The child is killed `delay` after it is ready, or never
// when `delay` is negative; it must otherwise exit with status 0.
inline SKillOutcome RunKilledChild(const std::function<void(int readyFd)>& body,
                                   std::chrono::microseconds delay) {
    using Clock = std::chrono::steady_clock;
    SKillOutcome outcome;
    int fds[2];
    if (pipe(fds) != 0) {
        ADD_FAILURE() << "pipe failed";
        return outcome;
    }
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        body(fds[1]);
        _exit(9);  // the body must not return
    }
    close(fds[1]);
    char ready = 0;
    const bool gotReady = read(fds[0], &ready, 1) == 1;
    close(fds[0]);
    const Clock::time_point start = Clock::now();
    if (gotReady && delay.count() >= 0) {
        // Spin rather than sleep: the delays are far below the scheduler's sleep granularity.
        const Clock::time_point deadline = start + delay;
        while (Clock::now() < deadline) {
        }
        outcome.killed = kill(pid, SIGKILL) == 0;
    }
    int status = 0;
    waitpid(pid, &status, 0);
    outcome.saveSeconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (WIFSIGNALED(status)) {
        outcome.killed = WTERMSIG(status) == SIGKILL;
        EXPECT_EQ(WTERMSIG(status), SIGKILL) << "child died of another signal";
    } else {
        outcome.killed = false;
        EXPECT_TRUE(gotReady && WIFEXITED(status) && WEXITSTATUS(status) == 0)
            << "child failed before its end, exit status " << WEXITSTATUS(status);
    }
    return outcome;
}

}  // namespace kitroster::testing
