// kitroster: the command-line tool over the resource catalogue and the machine
// configuration store. A thin shell: the catalogue, the checks and the messages are the
// library's; this program parses arguments, calls the library and prints.
//
// Exit codes: 0 success; 1 a refusal (the library's message on stderr), an unknown
// identifier, a catalogue that did not load cleanly, or output that could not be written;
// 2 a usage error.
//
// Adding a command group: write apps/kitroster/<Group>Commands.cpp with a
// `void Register<Group>Commands(CLI::App& app, SCommandContext& ctx)` that adds its
// subcommands and gives each an action with SetAction; declare it in Commands.h, call it
// below and add the file to CMakeLists.txt. Actions run after parsing, with the global
// options already applied, and return the exit code.
#include <cstdio>
#include <exception>

#include <CLI/CLI.hpp>

#include "apps/StandardOutput.h"
#include "apps/kitroster/Commands.h"

namespace {

int RunCommandLine(int argc, char** argv) {
    using namespace kitroster::cli;
    CLI::App app{"Browse and change the resource catalogue and the machine configuration store",
                 "kitroster"};
    app.require_subcommand(1);
    app.set_version_flag("--version", "kitroster " KITROSTER_VERSION_TEXT);
    app.fallthrough();  // global options may follow the command
    SCommandContext ctx;
    app.add_option("--registry", ctx.registryFile,
                   "Registry database file (default: $KITROSTER_REGISTRY, else the machine store)");
    app.add_option("--root", ctx.settingsRoot,
                   "Settings root folder to use instead of the registry's LocalRoot")
        ->check(CLI::Validator(
            [](const std::string& root) {
                // An empty root would silently fall back to the registry's folder.
                return root.empty() ? std::string("the settings root must not be empty")
                                    : std::string();
            },
            "DIR"));

    RegisterListCommands(app, ctx);
    RegisterDoctorCommands(app, ctx);
    RegisterEditCommands(app, ctx);
    RegisterTransferCommands(app, ctx);
    RegisterRegistryCommands(app, ctx);
    RegisterResolveCommands(app, ctx);
    RegisterSyncCommands(app, ctx);
    RegisterGraphCommand(app, ctx);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int rc = app.exit(e);
        return rc == 0 ? kExitOk : kExitUsage;
    }
    if (!ctx.action)
        return UsageError("no command given");
    try {
        // Inside: a --root the catalogue's text cannot hold is refused like any argument.
        ApplyGlobalOptions(ctx);
        return ctx.action();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kitroster: %s\n", e.what());
        return kExitRefused;
    }
}

}  // namespace

int main(int argc, char** argv) {
    // Every command's output is checked here, once, after it has run.
    return kitroster::apps::FinishStandardOutput("kitroster", RunCommandLine(argc, argv));
}
