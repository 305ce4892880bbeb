// The settings synchronisation commands: manifest ..., sync ..., timesync ...
// Results are printed as 0x%08X. RegisterSyncCommands adds all three groups.
#include <cstdio>
#include <string>

#include <nlohmann/json.hpp>

#include "apps/kitroster/Commands.h"
#include "apps/kitroster/TextEncoding.h"
#include "catalogue/CatalogueContext.h"
#include "platform/app/KitrosterApp.h"
#include "platform/env/Env.h"
#include "sync/config/RegistryMigration.h"
#include "sync/config/SyncConfigurator.h"
#include "sync/config/SyncRegistry.h"
#include "sync/machine/MachineMgrModel.h"
#include "sync/time/SyncTimeCheck.h"

namespace kitroster::cli {

void RegisterManifestCommands(CLI::App& app, SCommandContext& ctx);
void RegisterTimeSyncCommands(CLI::App& app, SCommandContext& ctx);

namespace {

using nlohmann::json;

std::string Hex(HRESULT hr) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(hr));
    return text;
}
std::string Text(const std::string& bytes) {
    return ToUtf8(CString(bytes));
}
// Paths as a person reads them: native, as the Env maps them.
std::string Native(const std::string& path) {
    std::string native;
    if (path.empty() || !GetKitrosterApp().GetEnv()->ToNativePath(path, &native).ok())
        return Text(path);
    return native;
}
void Print(const json& value) {
    std::printf("%s\n", value.dump().c_str());
}

int RunSettings(bool asJson) {
    json out = json::object();
    for (const ZRSYNC::SettingEntry& e : ZRSYNC::ReadAllSettings()) {
        if (asJson) {
            out[e.name] = e.isString ? json(Text(e.text)) : json(e.dword);
        } else if (e.isString) {
            std::printf("%s\t%s\n", e.name.c_str(), Text(e.text).c_str());
        } else {
            std::printf("%s\t%u\n", e.name.c_str(), e.dword);
        }
    }
    if (asJson)
        Print(out);
    return kExitOk;
}

// For the commands that work below the settings root (--root, else the registry's
// LocalRoot): a root that cannot be used refuses the command before anything is read.
bool UsableSettingsRoot() {
    CString problem;
    if (NResourceItem::CheckSettingsRoot(&problem))
        return true;
    Report(problem);
    return false;
}

int RunImportIni() {
    if (!UsableSettingsRoot())
        return kExitRefused;
    json out = json::object();
    for (const auto& [key, value] : ZRSYNC::ImportIniSettings())
        out[key] = value;
    Print(out);
    return kExitOk;
}

struct SConfiguratorOptions {
    std::string name;
    int studyMode = -1;
    bool json = false;
};

int RunConfigurator(const SConfiguratorOptions& o) {
    if (o.name.empty() == (o.studyMode < 0))
        return UsageError("sync configurator: give either NAME or --study-mode M");
    if (!UsableSettingsRoot())
        return kExitRefused;
    auto c = o.studyMode >= 0
                 ? ZRSYNC::CSyncConfigurator::CreateForStudyMode(static_cast<uint32_t>(o.studyMode))
                 : ZRSYNC::CSyncConfigurator::CreateInstance(FromUtf8(o.name).GetString());
    auto credentials = c->get_CentralRespositoryCredentials(0);
    const std::string who = credentials->IsProcessCredentials()
                                ? "pid " + std::to_string(credentials->GetProcessId())
                                : "user " + Text(*credentials->GetUserName());
    json out = {{"localManifestPath", Native(c->localManifestPath())},
                {"localDir", Native(c->localDir())},
                {"centralDir", Native(c->centralDir())},
                {"centralRoot", Native(c->centralRoot())},
                {"centralServerName", Text(c->centralServerName())},
                {"getCentralServer", Text(c->getCentralServer())},
                {"getName", Text(c->getName())},
                {"getStudyMode", c->getStudyMode()},
                {"get_CentralRespositoryCredentials", who},
                {"isCacheEnabled", c->isCacheEnabled()},
                {"isDownloadOnly", c->isDownloadOnly()},
                {"isBackupEnabled", c->isBackupEnabled()},
                {"isBackgroundScanningEnabled", c->isBackgroundScanningEnabled()},
                {"isSessionLockingEnabled", c->isSessionLockingEnabled()},
                {"getBackgroundScanningFrequency", c->getBackgroundScanningFrequency()},
                {"isCentralRepositoryRemote", c->isCentralRepositoryRemote()},
                {"isCentralDirSameAsLocalDir", c->isCentralDirSameAsLocalDir()}};
    if (o.json) {
        Print(out);
        return kExitOk;
    }
    for (const auto& [key, value] : out.items())
        std::printf("%s\t%s\n", key.c_str(),
                    value.is_string() ? value.get<std::string>().c_str() : value.dump().c_str());
    return kExitOk;
}

int RunRepoCheck(bool accessTest) {
    if (!UsableSettingsRoot())
        return kExitRefused;
    auto c = ZRSYNC::CSyncConfigurator::CreateForStudyMode(0);
    ZRSYNC::CMachineMgrModel model;
    const bool available = c->isCentralRepositoryAvailable({accessTest, &model});
    HRESULT clock = S_OK;
    const bool synchronised = c->isCentralRepositoryClockSynchronized(&clock);
    Print({{"available", available},
           {"clockSynchronized", synchronised},
           {"clockResult", Hex(clock)}});
    return kExitOk;
}

constexpr unsigned long kShareTestFlags =
    ZRSYNC::CMachineMgrModel::kTestProbeFile1 | ZRSYNC::CMachineMgrModel::kTestProbeFile2 |
    ZRSYNC::CMachineMgrModel::kTestClock | ZRSYNC::CMachineMgrModel::kTestRegistry;

int RunShareTest(const std::string& flagsText) {
    char* end = nullptr;
    const unsigned long flags = std::strtoul(flagsText.c_str(), &end, 0);
    // No test at all, or a bit no test stands for, is a mistake the result would hide.
    if (flagsText.empty() || *end != '\0' || flags == 0 || (flags & ~kShareTestFlags) != 0)
        return UsageError(
            "sync share-test: FLAGS must combine 0x1, 0x2, 0x4 and 0x8 (at least one of them)");
    ZRSYNC::CMachineMgrModel model;
    const HRESULT hr = model.TestCommonSettingsUncRootAccess(static_cast<uint32_t>(flags));
    std::printf("%s\n", Hex(hr).c_str());
    return hr == 0 ? kExitOk : kExitRefused;
}

int RunClockCheck(const std::string& folder) {
    auto c = ZRSYNC::CSyncConfigurator::CreateForStudyMode(0);
    auto check = ZRSYNC::CSyncTimeCheck::CreateInstance(FromUtf8(folder).GetString(),
                                                        c->get_CentralRespositoryCredentials(0));
    const bool ok = check->Check();
    Print({{"ok", ok}, {"offset", ok ? check->GetOffset() : 0}, {"error", Hex(check->GetError())}});
    return ok ? kExitOk : kExitRefused;
}

int RunExec(const std::string& commandLine, bool credentials) {
    const uint32_t code = ZRSYNC::CMachineMgrModel::ExecuteASystemCommandAndWaitForCompletion(
        FromUtf8(commandLine).GetString(), credentials);
    std::printf("0x%08X\n", code);
    return code == 0 ? kExitOk : kExitRefused;
}

}  // namespace

void RegisterSyncCommands(CLI::App& app, SCommandContext& ctx) {
    RegisterManifestCommands(app, ctx);
    RegisterTimeSyncCommands(app, ctx);

    CLI::App* sync = app.add_subcommand("sync", "Settings synchronisation: settings and checks");
    sync->require_subcommand(1);

    auto settingsJson = std::make_shared<bool>(false);
    CLI::App* settings = sync->add_subcommand(
        "settings", "Every synchronisation setting (missing ones are written with defaults)");
    settings->add_flag("--json", *settingsJson, "Print one JSON object");
    SetAction(settings, ctx, [settingsJson] { return RunSettings(*settingsJson); });

    SetAction(sync->add_subcommand("migrate", "Upgrade the stored values to the current version"),
              ctx, [] {
                  ZRSYNC::MigrateRegistryValues();
                  std::printf("RegVer\t%u\n", ZRSYNC::GetRegVer());
                  return kExitOk;
              });
    SetAction(sync->add_subcommand("import-ini", "Import SettingsGeneral/zrsync.ini"), ctx,
              [] { return RunImportIni(); });

    auto c = std::make_shared<SConfiguratorOptions>();
    CLI::App* configurator =
        sync->add_subcommand("configurator", "A configurator's paths, names and flags");
    configurator->add_option("NAME", c->name, "Settings folder name");
    configurator->add_option("--study-mode", c->studyMode, "Study mode (11: sleep)");
    configurator->add_flag("--json", c->json, "Print one JSON object");
    SetAction(configurator, ctx, [c] { return RunConfigurator(*c); });

    auto accessTest = std::make_shared<bool>(false);
    CLI::App* repo =
        sync->add_subcommand("repo-check", "Central repository availability and clock");
    repo->add_flag("--access-test", *accessTest, "Also test writing to the share");
    SetAction(repo, ctx, [accessTest] { return RunRepoCheck(*accessTest); });

    auto flags = std::make_shared<std::string>();
    CLI::App* share =
        sync->add_subcommand("share-test", "Test access to the common settings share");
    share->add_option("FLAGS", *flags, "0x1, 0x2 probe files, 0x4 clock, 0x8 registry")->required();
    SetAction(share, ctx, [flags] { return RunShareTest(*flags); });

    auto folder = std::make_shared<std::string>();
    CLI::App* clock = sync->add_subcommand("clock-check", "Measure a file server's clock offset");
    clock->add_option("FOLDER", *folder, "A folder on the server's share")->required();
    SetAction(clock, ctx, [folder] { return RunClockCheck(*folder); });

    auto command = std::make_shared<std::string>();
    auto withCredentials = std::make_shared<bool>(false);
    CLI::App* exec = sync->add_subcommand("exec", "Run a command line without a shell and wait");
    exec->add_flag("--credentials", *withCredentials, "Run under the stored share credentials");
    exec->add_option("COMMANDLINE", *command, "One command line (Windows quoting rules)")
        ->required();
    SetAction(exec, ctx,
              [command, withCredentials] { return RunExec(*command, *withCredentials); });
}

}  // namespace kitroster::cli
