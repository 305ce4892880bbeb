// Standard output is buffered, so a write that fails (a full disk, a file system that
// refuses more) often shows only when the buffer is flushed at exit, after the exit code is
// chosen. Each program checks its output here before exiting, so that a truncated output
// never comes with success.
#pragma once

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

namespace kitroster::apps {

// Flushes std::cout and stdout. When something written could not be stored, prints
// "<program>: cannot write the output: <reason>" on stderr and returns 1 in place of a
// success; any other exit code is kept.
inline int FinishStandardOutput(const char* program, int rc) {
    std::cout.flush();
    errno = 0;
    const bool flushed = std::fflush(stdout) == 0;
    const int error = errno;
    if (flushed && !std::ferror(stdout) && !std::cout.fail())
        return rc;
    // An earlier failed write leaves no errno behind; the flush may then have succeeded.
    std::fprintf(stderr, "%s: cannot write the output: %s\n", program,
                 error != 0 ? std::strerror(error) : "a write failed");
    return rc == 0 ? 1 : rc;
}

}  // namespace kitroster::apps
