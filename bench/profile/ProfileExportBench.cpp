// The profile export against a plain copy of the same database file, in one run.
//
// BM_ExportZEBProfile calls the library's export (temporary sibling, one large write,
// rename over the target); BM_CopyDatabaseFile copies the committed database with read and
// write into the same kind of target. Their ratio is the cost of the atomic replacement.
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "profile_res/ProfileExport.h"

namespace {

std::filesystem::path TempFolder() {
    static const std::filesystem::path folder = [] {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "kr-profile-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        return std::filesystem::path(pattern);
    }();
    return folder;
}

void BM_ExportZEBProfile(benchmark::State& state) {
    void* handle = dlopen(KITROSTER_PROFILE_EDITION_PATH, RTLD_NOW | RTLD_LOCAL);
    auto exportProfile =
        handle ? reinterpret_cast<PFN_ExportZEBProfile>(dlsym(handle, "ExportZEBProfile"))
               : nullptr;
    if (exportProfile == nullptr) {
        state.SkipWithError("cannot load the profile edition library");
        return;
    }
    const std::string target = (TempFolder() / "export.db").string();
    const std::u16string target16(target.begin(), target.end());
    for (auto _ : state) {
        if (exportProfile(target16.c_str()) != 1) {
            state.SkipWithError("export failed");
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * 128000);
    dlclose(handle);
}
BENCHMARK(BM_ExportZEBProfile);

void BM_CopyDatabaseFile(benchmark::State& state) {
    const std::string target = (TempFolder() / "copy.db").string();
    std::vector<char> buffer(1 << 20);
    std::int64_t bytes = 0;
    for (auto _ : state) {
        const int in = ::open(KITROSTER_PROFILE_DB_PATH, O_RDONLY | O_CLOEXEC);
        const int out = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (in < 0 || out < 0) {
            state.SkipWithError("cannot open the files");
            break;
        }
        for (ssize_t n; (n = ::read(in, buffer.data(), buffer.size())) > 0; bytes += n) {
            if (::write(out, buffer.data(), static_cast<std::size_t>(n)) != n) {
                state.SkipWithError("write failed");
                break;
            }
        }
        ::close(in);
        ::close(out);
    }
    state.SetBytesProcessed(bytes);
}
BENCHMARK(BM_CopyDatabaseFile);

}  // namespace

BENCHMARK_MAIN();
