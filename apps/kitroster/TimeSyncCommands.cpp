// timesync status | run | enable | disable | simulate.
#include <cstdio>
#include <sstream>
#include <string>

#include <nlohmann/json.hpp>

#include "apps/kitroster/Commands.h"
#include "apps/kitroster/TextEncoding.h"
#include "sync/config/SyncRegistry.h"
#include "sync/time/TimeSync.h"
#include "sync/time/TimeSyncSimulation.h"

namespace kitroster::cli {
namespace {

using nlohmann::json;

std::string Hex(HRESULT hr) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(hr));
    return text;
}

json StateJson(const ZRSYNC::SyncTimeState& s) {
    return {{"faultReported", s.faultReported},
            {"reported", s.reported},
            {"bigJump", s.bigJump},
            {"periodReset", s.periodReset},
            {"trend", s.trend},
            {"history", std::vector<bool>(s.history.begin(), s.history.end())},
            {"firstDone", s.firstDone},
            {"inconsistent", s.inconsistent},
            {"lastResult", Hex(s.lastResult)},
            {"lastOffsetMs", s.lastOffsetMs}};
}

int RunStatus(bool asJson) {
    // Only reads: the system's time service and the settings are left as they are.
    auto adjust = ZRSYNC::CSyncTimeAdjust::CreateForReading();
    json out = {{"enabled", adjust->IsEnabled()},
                {"server", ToUtf8(CString(adjust->GetServer()))},
                {"periodMs", adjust->GetPeriodMs()},
                {"state", StateJson(adjust->GetState())}};
    if (asJson) {
        std::printf("%s\n", out.dump().c_str());
    } else {
        for (const auto& [key, value] : out.items())
            std::printf("%s\t%s\n", key.c_str(), value.dump().c_str());
    }
    return kExitOk;
}

int RunSimulate(const std::string& offsets, const std::string& server, bool apply) {
    std::vector<int64_t> values;
    std::stringstream list(offsets);
    std::string item;
    while (std::getline(list, item, ',')) {
        char* end = nullptr;
        long long v = std::strtoll(item.c_str(), &end, 10);
        if (item.empty() || *end != '\0')
            return UsageError("timesync simulate: --offsets takes milliseconds like 40,-40,6000");
        values.push_back(v);
    }
    const std::string target =
        server.empty() ? ZRSYNC::GetTimeServer() : FromUtf8(server).GetString();
    const std::vector<ZRSYNC::SimulatedRun> runs = ZRSYNC::SimulateTimeSync(values, target);
    for (const ZRSYNC::SimulatedRun& r : runs) {
        json events = json::array();
        for (const std::string& e : r.eventLog)
            events.push_back(ToUtf8(CString(e)));
        json line = {{"run", r.run},
                     {"offsetMs", r.offsetMs},
                     {"result", Hex(r.result)},
                     {"periodMinutes", r.periodMinutes},
                     {"trend", r.trend},
                     {"history", r.history},
                     {"inconsistent", r.inconsistent},
                     {"eventLog", events}};
        std::printf("%s\n", line.dump().c_str());
    }
    // The runs adapted the period in a private copy of the settings; keep it when asked.
    if (apply && !runs.empty())
        ZRSYNC::SetNetworkTimeSyncPeriodInMinutes(runs.back().periodMinutes);
    return kExitOk;
}

}  // namespace

void RegisterTimeSyncCommands(CLI::App& app, SCommandContext& ctx) {
    CLI::App* timesync = app.add_subcommand("timesync", "Network time synchronisation");
    timesync->require_subcommand(1);
    auto asJson = std::make_shared<bool>(false);

    CLI::App* status = timesync->add_subcommand("status", "Settings and state");
    status->add_flag("--json", *asJson, "Print one JSON object");
    SetAction(status, ctx, [asJson] { return RunStatus(*asJson); });

    CLI::App* run = timesync->add_subcommand("run", "Synchronise once now");
    run->add_flag("--json", *asJson, "Print one JSON object");
    SetAction(run, ctx, [asJson] {
        const HRESULT hr = ZRSYNC::CSyncTimeAdjust::CreateInstance()->Synchronize();
        if (*asJson)
            std::printf("%s\n", json({{"result", Hex(hr)}}).dump().c_str());
        else
            std::printf("%s\n", Hex(hr).c_str());
        // 1 (unreachable server, synchronisation stopped or disabled) synchronised nothing.
        return hr == S_OK ? kExitOk : kExitRefused;
    });
    for (const char* verb : {"enable", "disable"}) {
        const bool enable = std::string(verb) == "enable";
        CLI::App* sub = timesync->add_subcommand(
            verb, enable ? "Use network time sync (stops the system time service)"
                         : "Stop network time sync (restarts the system time service)");
        sub->add_flag("--json", *asJson, "Print one JSON object");
        SetAction(sub, ctx, [asJson, enable] {
            ZRSYNC::ConfigureForNetworkTimeSync(enable);
            const bool now = ZRSYNC::IsNetworkTimeSyncEnabled();
            if (*asJson)
                std::printf("%s\n", json({{"enabled", now}}).dump().c_str());
            else
                std::printf("enabled\t%s\n", now ? "true" : "false");
            return now == enable ? kExitOk : kExitRefused;
        });
    }
    auto offsets = std::make_shared<std::string>();
    auto server = std::make_shared<std::string>();
    CLI::App* simulate = timesync->add_subcommand(
        "simulate", "What-if runs against a simulated clock stepped by each offset");
    simulate->add_option("--offsets", *offsets, "Clock steps in ms, comma-separated")->required();
    simulate->add_option("--server", *server, "Time server (default: the TimeServer setting)");
    auto apply = std::make_shared<bool>(false);
    simulate->add_flag("--apply", *apply,
                       "Store the period the runs ended with (nothing else is changed)");
    SetAction(simulate, ctx,
              [offsets, server, apply] { return RunSimulate(*offsets, *server, *apply); });
}

}  // namespace kitroster::cli
