#include "apps/kitroster-manager/ManagerOptions.h"

#include <CLI/CLI.hpp>

namespace kitroster::manager {

int ParseManagerOptions(int argc, char** argv, SManagerOptions* options) {
    CLI::App app{"Edit the resource catalogue in its dialogs, as a person or from a script",
                 "kitroster-manager"};
    app.set_version_flag("--version", "kitroster-manager " KITROSTER_VERSION_TEXT);
    auto notEmpty = CLI::Validator(
        [](const std::string& value) {
            return value.empty() ? std::string("must not be empty") : std::string();
        },
        "TEXT");
    app.add_option("--root", options->settingsRoot,
                   "Settings root folder to use instead of the registry's LocalRoot")
        ->check(notEmpty);
    app.add_option("--registry", options->registryFile,
                   "Registry database file (default: $KITROSTER_REGISTRY, else the machine store)");
    auto* edit =
        app.add_option("--edit", options->editId,
                       "Open the edit dialog on the resource ID, as the manager's Edit does");
    auto* create =
        app.add_flag("--new", options->create,
                     "Open the edit dialog for a new resource, as the manager's New does");
    auto* pick = app.add_option("--pick", options->pick,
                                "Pick one resource in the manager window (ID pre-selected); "
                                "prints the chosen identifier")
                     ->expected(0, 1);
    edit->excludes(create);
    pick->excludes(edit);
    pick->excludes(create);
    app.add_option("--caption", options->caption,
                   "Caption of the manager window (default: the window's own)");
    app.add_option("--types", options->types,
                   "Types the dialogs offer, separated by ';' (default: every type)");
    app.add_option("--script", options->script,
                   "Play the user from FILE ('-' for standard input) and print a transcript");
    app.add_flag("--headless", options->headless,
                 "No windows: the dialogs exist only in memory (needs --script)");
    app.add_option("--shots", options->shotsFolder,
                   "With --script on windows: save a PNG of every dialog as it opens, in DIR");
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        int rc = app.exit(e);
        return rc == 0 ? kExitOk : kExitUsage;
    }
    auto usage = [](const char* message) {
        std::fprintf(stderr, "kitroster-manager: %s\nRun with --help for more information.\n",
                     message);
        return kExitUsage;
    };
    if (options->editId && options->editId->empty())
        return usage("--edit needs an identifier");
    if (options->headless && options->script.empty())
        return usage("--headless needs --script: without windows nobody could answer them");
    if (!options->shotsFolder.empty() && options->script.empty())
        return usage("--shots needs --script");
    return -1;
}

}  // namespace kitroster::manager
