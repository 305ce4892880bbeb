#include "bench/catalogue/SiteBenchmarkMain.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace kitroster::bench {

int RunSiteBenchmarks(int argc, char** argv, std::size_t* size, void (*setUp)(), void (*summary)(),
                      void (*tearDown)()) {
    constexpr const char kSizeOption[] = "--catalogue_size=";
    constexpr std::size_t kSizeOptionLength = sizeof(kSizeOption) - 1;
    std::vector<char*> args;
    for (int i = 0; i < argc; ++i) {
        if (std::strncmp(argv[i], kSizeOption, kSizeOptionLength) == 0)
            *size = std::strtoul(argv[i] + kSizeOptionLength, nullptr, 10);
        else
            args.push_back(argv[i]);
    }
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    setUp();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    summary();
    tearDown();
    return 0;
}

}  // namespace kitroster::bench
