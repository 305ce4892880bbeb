// What every fuzz target includes.
//
// FUZZ_CHECK: a property check. A failed check prints the condition and the values
// involved, then aborts, which libFuzzer and the replay driver report as a finding with
// the input that caused it.
//
// Logging is switched off before the first entry (unless KITROSTER_LOG is already set):
// the code under test logs for many inputs, which would slow fuzzing down and fill the
// default log file beside the machine registry.
#pragma once

#include <stdlib.h>

#include <cstdio>
#include <cstdlib>

inline const bool g_fuzzLoggingOff = setenv("KITROSTER_LOG", "off", 0) == 0;

#define FUZZ_CHECK(cond, ...)                                                             \
    do {                                                                                  \
        if (!(cond)) {                                                                    \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
            std::fprintf(stderr, __VA_ARGS__);                                            \
            std::fputc('\n', stderr);                                                     \
            std::abort();                                                                 \
        }                                                                                 \
    } while (0)
