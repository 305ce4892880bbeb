// The command line of kitroster-manager.
#pragma once

#include <optional>
#include <string>

namespace kitroster::manager {

enum ExitCode : int {
    kExitOk = 0,
    kExitFailed = 1,     // the dialog was cancelled, or the change could not be saved
    kExitUsage = 2,      // the command line or the script is wrong
    kExitUnfinished = 3  // the script ended with a window still open; nothing was saved
};

struct SManagerOptions {
    std::string settingsRoot;           // --root
    std::string registryFile;           // --registry
    std::optional<std::string> editId;  // --edit ID
    bool create = false;                // --new
    std::optional<std::string> pick;    // --pick [ID]: "" when given without an ID
    std::string caption;                // --caption TEXT
    std::string types;                  // --types T;T...
    std::string script;                 // --script FILE, or "-" for standard input
    bool headless = false;
    std::string shotsFolder;  // --shots DIR
};

// Parses the command line. Returns -1 to go on, or the exit code to end with (help
// printed, or a usage error reported on stderr).
int ParseManagerOptions(int argc, char** argv, SManagerOptions* options);

}  // namespace kitroster::manager
