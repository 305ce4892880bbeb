// FUZZ_CHECK: a property check in a fuzz target. A failed check prints the condition and
// the values involved, then aborts, which libFuzzer and the replay driver report as a
// finding with the input that caused it.
#pragma once

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(cond, ...)                                                             \
    do {                                                                                  \
        if (!(cond)) {                                                                    \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
            std::fprintf(stderr, __VA_ARGS__);                                            \
            std::fputc('\n', stderr);                                                     \
            std::abort();                                                                 \
        }                                                                                 \
    } while (0)
