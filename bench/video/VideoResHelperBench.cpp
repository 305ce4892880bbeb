// Video helper benchmarks on a generated catalogue of 10,000 resources.
//
//   CachedConstruction   a construction answered from the resolution cache
//   CacheMiss            a construction that resolves an assembly (its own file and its
//                        video server's file) because the context asks for a refresh
//   UnknownNameMiss      a construction that resolves a name the catalogue does not know:
//                        the folder index's watch tells that the folder did not change, so
//                        nothing is listed or read, then the (scripted) ping answers
//   FullLoad             IKitroster::Load of the same catalogue
//
// The run ends with a summary: the median cached construction, the files opened per cache
// miss (through a counting test Env), the miss and the unknown name as shares of one full
// Load.
// Logging is limited to warnings and failures unless --info_log is given, which keeps the
// default information level and writes the helper's entries to a file.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "catalogue/CatalogueContext.h"
#include "catalogue/Kitroster.h"
#include "catalogue/ResourceItemPersist.h"
#include "platform/app/KitrosterApp.h"
#include "platform/oxb_exception/ZRLog.h"
#include "platform/registry/Registry.h"
#include "testing/env/TempDir.h"
#include "testing/env/TestEnv.h"
#include "video/VideoResHelper.h"

using namespace NResourceItem;

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kResources = 10000;
kitroster::CTestEnv* g_env = nullptr;
std::vector<std::string> g_assemblies;
std::map<std::string, std::vector<double>> g_seconds;  // benchmark -> mean per repetition
std::map<std::string, double> g_opens;                 // benchmark -> files opened per call

void Record(const char* name, benchmark::State& state, double total, int opens) {
    if (state.iterations() == 0)
        return;
    double n = static_cast<double>(state.iterations());
    // Google Benchmark first runs short trials to pick an iteration count; only the timed
    // runs (a tenth of a second or more) make the figures.
    if (total >= 0.1)
        g_seconds[name].push_back(total / n);
    g_opens[name] = opens / n;
    state.counters["files_opened"] = opens / n;
}

double Median(std::vector<double> values) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// 10% video servers on remote machines, 40% cameras, 40% assemblies of one server and two
// cameras, 10% rooms.
void GenerateCatalogue(const std::string& folder) {
    std::filesystem::create_directories(folder);
    const int servers = kResources / 10, cameras = kResources * 4 / 10, assemblies = cameras;
    auto write = [&](const std::string& id, const char* type, const std::string& conn) {
        std::string text =
            CResourceItemPersistFactory::FormatResourceText(id, type, "Bench " + id, conn, "");
        kitroster::Env::Default()->WriteStringToFile(folder + "/_RES_" + id + ".zrr", text);
    };
    char id[32];
    for (int i = 0; i < servers; ++i) {
        std::snprintf(id, sizeof id, "SRV%05d", i);
        write(id, "SERVER_MPEG4", "SERVER=vidhost" + std::to_string(i) + ";USERNAME=op;");
    }
    for (int i = 0; i < cameras; ++i) {
        std::snprintf(id, sizeof id, "CAM%05d", i);
        write(
            id, "CAMERA_IP",
            "IPADDR=10.1." + std::to_string(i / 250) + "." + std::to_string(i % 250) + ";PORT=80;");
    }
    for (int i = 0; i < assemblies; ++i) {
        std::snprintf(id, sizeof id, "ASSY%05d", i);
        char conn[128];
        std::snprintf(conn, sizeof conn,
                      "RES_SERVER=SRV%05d;RES_CAMERA=CAM%05d;RES_CAMERA2=CAM%05d;", i % servers, i,
                      (i + 1) % cameras);
        write(id, "ASSY_VIDEO", conn);
        g_assemblies.push_back(id);
    }
    for (int i = 0; i < kResources - servers - cameras - assemblies; ++i) {
        std::snprintf(id, sizeof id, "ROOM%05d", i);
        write(id, "ROOM_VIDEO", "RES_ASSYLIST=|ASSY00001|ASSY00002;");
    }
}

void BM_CachedConstruction(benchmark::State& state) {
    const CVideoResHelperContext ctx("ws1", false, 1);
    CVideoResHelper warm("ASSY00042", ctx);
    g_env->ResetCounts();
    Clock::time_point start = Clock::now();
    for (auto _ : state) {
        CVideoResHelper helper("ASSY00042", ctx);
        benchmark::DoNotOptimize(helper);
    }
    Record("CachedConstruction", state, std::chrono::duration<double>(Clock::now() - start).count(),
           g_env->CallCount(kitroster::EnvOp::kOpenFile));
}

void BM_CacheMiss(benchmark::State& state) {
    const CVideoResHelperContext ctx("ws1", true, 1);
    size_t next = 0;
    g_env->ResetCounts();
    Clock::time_point start = Clock::now();
    for (auto _ : state) {
        CVideoResHelper helper(g_assemblies[next++ % g_assemblies.size()].c_str(), ctx);
        benchmark::DoNotOptimize(helper);
    }
    Record("CacheMiss", state, std::chrono::duration<double>(Clock::now() - start).count(),
           g_env->CallCount(kitroster::EnvOp::kOpenFile));
}

void BM_UnknownNameMiss(benchmark::State& state) {
    const CVideoResHelperContext ctx("ws1", true, 1);
    g_env->ResetCounts();
    Clock::time_point start = Clock::now();
    for (auto _ : state) {
        CVideoResHelper helper("workstation-17", ctx);
        benchmark::DoNotOptimize(helper);
    }
    Record("UnknownNameMiss", state, std::chrono::duration<double>(Clock::now() - start).count(),
           g_env->CallCount(kitroster::EnvOp::kOpenFile));
}

void BM_FullLoad(benchmark::State& state) {
    g_env->ResetCounts();
    Clock::time_point start = Clock::now();
    for (auto _ : state) {
        CZRauto_ptr<IKitroster> catalogue = CKitrosterFactory::CreateInstance();
        benchmark::DoNotOptimize(catalogue->Load());
    }
    Record("FullLoad", state, std::chrono::duration<double>(Clock::now() - start).count(),
           g_env->CallCount(kitroster::EnvOp::kOpenFile));
}

BENCHMARK(BM_CachedConstruction)->Repetitions(9)->ReportAggregatesOnly(true);
BENCHMARK(BM_CacheMiss)->Repetitions(9)->ReportAggregatesOnly(true);
BENCHMARK(BM_UnknownNameMiss)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FullLoad)->Repetitions(3)->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    bool infoLog = false;
    std::vector<char*> args;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--info_log") == 0)
            infoLog = true;
        else
            args.push_back(argv[i]);
    }
    int count = static_cast<int>(args.size());

    kitroster::CTempDir dir("kitroster-bench-video-");
    std::string logSetting =
        infoLog ? "KITROSTER=0x0d,file=" + dir.Path("kitroster.log") : "KITROSTER=0x0c";
    setenv("KITROSTER_LOG", logSetting.c_str(), 1);
    CZRLogManager::Reconfigure();
    kitroster::CRegistry::SetMachineLocation(dir.Path("registry.db"));
    SetSettingsRootOverride(dir.path().c_str());
    GenerateCatalogue(dir.Path("SettingsGeneral"));
    kitroster::CTestEnv env;  // real files, counted opens, a clock that stands still
    // The clock stands a few seconds after the catalogue was written, so the folder index
    // trusts the files' times as it would in a catalogue that is not being edited.
    env.SetSystemTime(kitroster::Env::Default()->GetSystemTimeAsFileTime() + 3 * 10000000ULL);
    g_env = &env;
    kitroster::AppServices benchServices;
    benchServices.env = &env;
    benchServices.ping = [](const char*, int) { return false; };
    auto services = std::make_unique<CAppServicesOverride>(benchServices);

    benchmark::Initialize(&count, args.data());
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    double cached = Median(g_seconds["CachedConstruction"]);
    double miss = Median(g_seconds["CacheMiss"]);
    double load = Median(g_seconds["FullLoad"]);
    std::printf("\nSummary (%d resources, logging %s)\n", kResources,
                infoLog ? "with information entries" : "warnings and failures only");
    std::printf("  cached construction, median   %8.3f us   (target <= 1 us)\n", cached * 1e6);
    std::printf("  cache miss, files opened      %8.1f      (target <= 4)\n", g_opens["CacheMiss"]);
    std::printf("  cache miss, median            %8.3f us\n", miss * 1e6);
    std::printf("  full Load, median             %8.3f ms   (%.0f files opened)\n", load * 1e3,
                g_opens["FullLoad"]);
    if (load > 0)
        std::printf("  cache miss / full Load        %8.3f %%    (target <= 1 %%)\n",
                    100 * miss / load);
    const double unknown = Median(g_seconds["UnknownNameMiss"]);
    std::printf("  unknown name, median          %8.3f ms   (%.0f files opened)\n", unknown * 1e3,
                g_opens["UnknownNameMiss"]);
    if (load > 0)
        std::printf("  unknown name / full Load      %8.3f %%    (target <= 10 %%)\n",
                    100 * unknown / load);

    services.reset();
    SetSettingsRootOverride("");
    return 0;
}
