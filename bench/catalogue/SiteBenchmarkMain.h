// The main of a Google Benchmark program that works on a generated site.
#pragma once

#include <cstddef>

namespace kitroster::bench {

// Takes "--catalogue_size=N" out of the arguments (into `*size`; left as it is without the
// option), hands the rest to Google Benchmark, then runs `setUp`, the registered
// benchmarks, `summary` and `tearDown`. Returns the program's exit code.
int RunSiteBenchmarks(int argc, char** argv, std::size_t* size, void (*setUp)(), void (*summary)(),
                      void (*tearDown)());

}  // namespace kitroster::bench
