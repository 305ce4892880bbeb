// Dialog benchmarks on a generated catalogue of 10,000 resources, on the headless backend
// (the dialogs' own work, without drawing), each as a share of a full Load measured in the
// same run:
//
//   tick   one run of the edit dialog's 100 ms update: the dialog is opened on an assembly
//          and 1,000 ticks are played (a script's "wait 100000"); the time of the same
//          dialog opened and closed without waiting is subtracted. Target: under 0.1 %.
//   fill   the assembly dialog opening on the loaded catalogue: its three lists are filled
//          from every resource. Target: under 5 %.
//
// Each figure is the median of several runs. Options: --catalogue_size=N (default 10000).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "bench/catalogue/SiteGenerator.h"
#include "catalogue/CatalogueContext.h"
#include "catalogue/Kitroster.h"
#include "editor_ui/ConnCompositeVideoDlg.h"
#include "editor_ui/ResEditDlg.h"
#include "testing/dialogs/ScriptSession.h"

using namespace NResourceItem;
using Clock = std::chrono::steady_clock;

namespace {

double Seconds(const std::function<void()>& work) {
    auto start = Clock::now();
    work();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double MedianOf(int runs, const std::function<double()>& measure) {
    std::vector<double> values;
    for (int i = 0; i < runs; ++i)
        values.push_back(measure());
    return Median(values);
}

// The edit dialog on `item`, played with `script`; the seconds DoModal took.
double RunEditDialog(CZRauto_ptr<IKitroster> collection, CZRauto_ptr<IResourceItem> item,
                     const std::string& script) {
    kitroster::testing::CScriptSession session(script);
    CResEditDlg dlg(collection, true, false, {}, nullptr);
    dlg.ShowResource(item);
    return Seconds([&] { session.Run([&] { return dlg.DoModal(); }); });
}

}  // namespace

int main(int argc, char** argv) {
    size_t size = 10000;
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], "--catalogue_size=", 17) == 0)
            size = std::strtoul(argv[i] + 17, nullptr, 10);

    char pattern[] = "/tmp/kitroster-bench-dialogs-XXXXXX";
    const std::string root = mkdtemp(pattern);
    SetSettingsRootOverride((root + "/").c_str());
    auto site = kitroster::bench::GenerateSite(root + "/SettingsGeneral", size, 20261209);

    CZRauto_ptr<IKitroster> collection = CKitrosterFactory::CreateInstance();
    const double load = MedianOf(5, [&] {
        CZRauto_ptr<IKitroster> fresh = CKitrosterFactory::CreateInstance();
        return Seconds([&] { fresh->Load(); });
    });
    collection->Load();
    CZRauto_ptr<IResourceItem> assembly = collection->GetItemById(site.assemblies.front().c_str());

    constexpr int kTicks = 1000;
    const double withTicks = MedianOf(5, [&] {
        return RunEditDialog(collection, assembly,
                             "wait " + std::to_string(kTicks * 100) + "\nkey Escape\n");
    });
    const double without =
        MedianOf(5, [&] { return RunEditDialog(collection, assembly, "key Escape\n"); });
    const double tick = std::max(withTicks - without, 0.0) / kTicks;

    const double fill = MedianOf(5, [&] {
        kitroster::testing::CScriptSession session("key Escape\n");
        CConnCompositeVideoDlg dlg(assembly->get_ID(), nullptr);
        dlg.SetContext(collection, assembly->get_Conn());
        return Seconds([&] { session.Run([&] { return dlg.DoModal(); }); });
    });

    std::printf("catalogue of %zu resources\n", site.total());
    std::printf("full Load                     %10.3f ms\n", load * 1e3);
    std::printf("edit dialog update tick       %10.4f ms  %7.4f %% of Load (target < 0.1 %%)\n",
                tick * 1e3, 100 * tick / load);
    std::printf("assembly dialog list fill     %10.3f ms  %7.3f %% of Load (target < 5 %%)\n",
                fill * 1e3, 100 * fill / load);
    SetSettingsRootOverride("");
    std::filesystem::remove_all(root);
    bool ok = tick / load < 0.001 && fill / load < 0.05;
    std::printf("%s\n", ok ? "targets met" : "TARGET MISSED");
    return ok ? 0 : 1;
}
