// The site health check on a generated site of 10,000 resource files.
//
//   Load     IKitroster::Load of the folder
//   Doctor   what `kitroster doctor` does without --ping: Load, then BuildDoctorReport
//
// The run ends with the ratio the check is held to: Doctor at most 2 x Load, in wall time
// and in the thread's CPU time (the steadier figure on a shared machine).
//
// Options beyond Google Benchmark's: --catalogue_size=N (default 10000).
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <time.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "bench/catalogue/SiteBenchmarkMain.h"
#include "bench/catalogue/SiteGenerator.h"
#include "catalogue/CatalogueContext.h"
#include "catalogue/Kitroster.h"
#include "catalogue/doctor/SiteDoctor.h"
#include "platform/app/KitrosterApp.h"

using namespace NResourceItem;

namespace {

using Clock = std::chrono::steady_clock;

size_t g_catalogueSize = 10000;
std::string g_root;
std::map<std::string, double> g_wall, g_cpu;  // benchmark name -> mean per iteration
size_t g_findings = 0;

double ThreadCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// Runs `body` once per iteration, timing it, and records the means under `name`.
template <typename Body>
void Timed(benchmark::State& state, const char* name, Body body) {
    double wall = 0, cpu = 0;
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        const double cpuStart = ThreadCpuSeconds();
        if (!body()) {
            state.SkipWithError("the catalogue did not load completely");
            return;
        }
        cpu += ThreadCpuSeconds() - cpuStart;
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        wall += seconds;
        state.SetIterationTime(seconds);
    }
    g_wall[name] = wall / static_cast<double>(state.iterations());
    g_cpu[name] = cpu / static_cast<double>(state.iterations());
    state.counters["cpu_ms"] = 1e3 * g_cpu[name];
}

bool LoadAll(IKitroster* collection) {
    return collection->Load() && collection->Size() == static_cast<int>(g_catalogueSize);
}

void BM_Load(benchmark::State& state) {
    Timed(state, "Load", [] {
        CZRauto_ptr<IKitroster> collection = CKitrosterFactory::CreateInstance();
        return LoadAll(collection);
    });
}

void BM_Doctor(benchmark::State& state) {
    Timed(state, "Doctor", [] {
        CZRauto_ptr<IKitroster> collection = CKitrosterFactory::CreateInstance();
        if (!LoadAll(collection))
            return false;
        const SDoctorReport report =
            BuildDoctorReport(collection, GetKitrosterApp().GetEnv(), SDoctorOptions());
        g_findings = report.roomLinks.size() + report.assemblyLinks.size() +
                     report.missingReferences.size() + report.duplicateAddresses.size() +
                     report.emptyServer.size() + report.defaultPasswords.size();
        return true;
    });
}

void SetUp() {
    const char* tmp = getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/kitroster-bench-XXXXXX";
    if (!mkdtemp(pattern.data())) {
        std::perror("mkdtemp");
        std::exit(1);
    }
    g_root = pattern;
    setenv("KITROSTER_REGISTRY", (g_root + "/registry.db").c_str(), 1);
    // The generated servers' passwords are not sealed: each would log a warning.
    setenv("KITROSTER_LOG", "off", 1);
    SetSettingsRootOverride((g_root + "/").c_str());
    const kitroster::bench::GeneratedSite site =
        kitroster::bench::GenerateSite(g_root + "/SettingsGeneral", g_catalogueSize, 20261209);
    std::printf("generated %zu resource files in %s\n", site.total(), g_root.c_str());
}

void TearDown() {
    SetSettingsRootOverride("");
    std::error_code ec;
    std::filesystem::remove_all(g_root, ec);
}

void PrintSummary() {
    std::printf("\nsummary for %zu resources (%zu findings):\n", g_catalogueSize, g_findings);
    for (const auto* times : {&g_wall, &g_cpu}) {
        const auto load = times->find("Load"), doctor = times->find("Doctor");
        if (load == times->end() || doctor == times->end() || load->second <= 0)
            continue;
        const double ratio = doctor->second / load->second;
        std::printf("  %s: doctor %.1f ms / Load %.1f ms = %.2f (target <= 2) %s\n",
                    times == &g_wall ? "wall" : "cpu ", doctor->second * 1e3, load->second * 1e3,
                    ratio, ratio <= 2.0 ? "met" : "MISSED");
    }
}

}  // namespace

BENCHMARK(BM_Load)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_Doctor)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

int main(int argc, char** argv) {
    return kitroster::bench::RunSiteBenchmarks(argc, argv, &g_catalogueSize, SetUp, PrintSummary,
                                               TearDown);
}
