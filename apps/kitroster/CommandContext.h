// What every command of the kitroster tool shares: the global options, the exit codes,
// the chosen command's action, and the few steps every catalogue command takes (apply
// the global options, load the catalogue, report a refusal, save).
#pragma once

#include <functional>
#include <memory>
#include <string>

#include <CLI/CLI.hpp>

#include "base/CString.h"
#include "catalogue/CatalogueSession.h"
#include "catalogue/Kitroster.h"

namespace kitroster::cli {

enum ExitCode : int {
    kExitOk = 0,
    kExitRefused = 1,  // a refusal, an unknown identifier, a catalogue that did not load cleanly
    kExitUsage = 2,    // the command line is wrong
};

struct SCommandContext {
    // Global options.
    std::string registryFile;  // --registry
    std::string settingsRoot;  // --root
    // Set by the parsed command's callback; run by main after parsing.
    std::function<int()> action;
};

// Registers a command: `sub`'s callback makes `run` the action main runs after parsing,
// once the global options are in effect.
void SetAction(CLI::App* sub, SCommandContext& ctx, std::function<int()> run);

// Points the registry and the settings root at what the global options say.
void ApplyGlobalOptions(const SCommandContext& ctx);

// Prints "kitroster: <message>" on stderr (UTF-8) and returns `code`.
int Report(const CString& message, int code = kExitRefused);
// Prints a usage error the way CLI11 does and returns kExitUsage.
int UsageError(const std::string& message);
// Prints one line on stdout, converted to UTF-8.
void PrintLine(const CString& line);

// A loaded catalogue; throws std::runtime_error when the settings root cannot be used
// (CheckSettingsRoot), which main reports as a refusal. `clean` is false when Load
// reported a file it could not accept (schema mismatch, read failure, no identifier) or a
// folder it could not list; a warning naming the skipped files has been printed then. A
// catalogue loaded for a change is a short catalogue session: it holds the catalogue lock
// from its load until it is destroyed.
// A missing catalogue folder is reported: reading goes on with an empty collection that
// is not `clean`; a change is refused, unless `createFolder`, which makes the folder when
// the settings root exists (and says so) and refuses when it does not.
struct SCatalogue {
    NResourceItem::CZRauto_ptr<NResourceItem::IKitroster> collection;
    bool clean = true;
    bool listed = true;  // false when the folder could not be listed
    std::unique_ptr<NResourceItem::CCatalogueSession> session;
    int refused = kExitOk;  // not kExitOk when the lock could not be taken
};
SCatalogue LoadCatalogue(bool forChange = false, bool createFolder = false);

// For commands that change the catalogue: a refused lock, or a folder that could not be
// listed, stops the command (files the collection never saw could be overwritten). Files
// Load skipped do not: Save never touches them. Returns kExitOk to go on.
int RequireChangeableCatalogue(const SCatalogue& catalogue);

// Saves the catalogue through its session, all or nothing; a failure is reported (string
// 19, then every file that stopped it; nothing on disk changed) and gives kExitRefused.
int SaveCatalogue(SCatalogue& catalogue);

// The message for an identifier that names no resource.
CString UnknownResourceMessage(const CString& id);

}  // namespace kitroster::cli
