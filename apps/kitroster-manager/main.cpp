// kitroster-manager: the catalogue's dialogs as windows a person uses, or played from a
// script (--script) on real windows or headless. A thin shell: the dialogs and every rule
// are the library's; this program picks the backend, opens the dialog and saves.
//
// Without --edit or --new it shows the Resource Manager window (--pick: to choose one
// resource, printed on stdout, or as "selected" in the transcript's end event).
//
// Exit codes: 0 the dialog closed with OK and the save wrote everything (or a resource was
// picked); 1 cancelled, nothing picked, not saved, or standard output could not be written
// (the reason on stderr); 2 a usage or script error; 3 the script ended with a window
// still open (nothing saved).
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <sstream>

#include <QApplication>

#include "apps/StandardOutput.h"
#include "apps/kitroster-manager/EditEntry.h"
#include "apps/kitroster-manager/ManagerEntry.h"
#include "apps/kitroster-manager/ManagerOptions.h"
#include "catalogue/CatalogueContext.h"
#include "dialog_framework/headless/HeadlessBackend.h"
#include "dialog_framework/qt/QtBackend.h"
#include "dialog_framework/script/ScriptedUser.h"
#include "platform/app/KitrosterApp.h"
#include "platform/env/PathMapping.h"
#include "platform/kxcommon/KXCommon.h"
#include "platform/registry/Registry.h"

using namespace kitroster;
using namespace kitroster::manager;

namespace {

// Scripts are a few hundred lines. Anything larger is not one (a device such as /dev/zero,
// or the wrong file), and reading it whole could exhaust memory.
constexpr std::streamsize kMaxScriptBytes = 1 << 20;

// Reads the script, or at most one byte more than the limit (`*tooLarge` then).
bool ReadScript(const std::string& source, std::string* text, bool* tooLarge) {
    std::ifstream file;
    std::istream* in = &std::cin;
    if (source != "-") {
        file.open(source, std::ios::binary);
        if (!file)
            return false;
        in = &file;
    }
    text->resize(kMaxScriptBytes + 1);
    in->read(text->data(), kMaxScriptBytes + 1);
    text->resize(static_cast<size_t>(in->gcount()));
    *tooLarge = in->gcount() > kMaxScriptBytes;
    return !in->bad();
}

void ApplyGlobalOptions(const SManagerOptions& options) {
    if (!options.registryFile.empty())
        CRegistry::SetMachineLocation(options.registryFile);
    ConfigureUncRootFromRegistry();
    if (!options.settingsRoot.empty()) {
        std::string root;
        NResourceItem::SetSettingsRootOverride(
            Utf8ToCp1252(options.settingsRoot, &root, '?') ? root : options.settingsRoot);
    }
}

// Windows need a display, unless Qt is told to draw somewhere else.
bool HaveDisplay() {
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        if (const char* value = std::getenv(name); value && *value)
            return true;
    return false;
}

int RunCommandLine(int argc, char** argv) {
    SManagerOptions options;
    if (int rc = ParseManagerOptions(argc, argv, &options); rc >= 0)
        return rc;
    ApplyGlobalOptions(options);

    std::optional<CScriptedUser> user;
    if (!options.script.empty()) {
        std::string script;
        bool tooLarge = false;
        if (!ReadScript(options.script, &script, &tooLarge)) {
            std::fprintf(stderr, "kitroster-manager: cannot read the script %s\n",
                         options.script.c_str());
            return kExitUsage;
        }
        if (tooLarge) {
            std::fprintf(stderr,
                         "kitroster-manager: the script %s is larger than %lld bytes; "
                         "it is not a script\n",
                         options.script.c_str(), static_cast<long long>(kMaxScriptBytes));
            return kExitUsage;
        }
        user.emplace(script, std::cout);
        if (!options.shotsFolder.empty()) {
            // Asked for pictures, the user gets them: a missing folder is made, as an
            // output file's would be, and one that cannot be made stops the run.
            std::error_code error;
            std::filesystem::create_directories(options.shotsFolder, error);
            if (error) {
                std::fprintf(stderr, "kitroster-manager: cannot create the folder %s: %s\n",
                             options.shotsFolder.c_str(), error.message().c_str());
                return kExitUsage;
            }
            // The script's texts and names are Windows-1252, as the folder must be.
            std::string folder;
            user->SetShotsFolder(
                Utf8ToCp1252(options.shotsFolder, &folder, '?') ? folder : options.shotsFolder);
        }
    }
    if (!options.headless && !HaveDisplay()) {
        std::fprintf(stderr,
                     "kitroster-manager: no display to show windows on (set DISPLAY, or "
                     "QT_QPA_PLATFORM=offscreen, or use --headless with --script)\n");
        return kExitFailed;
    }

    std::unique_ptr<QApplication> qt;
    std::unique_ptr<CDialogBackend> backend;
    if (options.headless) {
        backend = std::make_unique<CHeadlessBackend>(*user);
    } else {
        qt = std::make_unique<QApplication>(argc, argv);
        SQtOptions qtOptions;
        const char* verify = std::getenv("KITROSTER_QT_VERIFY");
        qtOptions.verifyMirror = verify && std::string(verify) == "1";
        backend = std::make_unique<CQtBackend>(user ? &*user : nullptr, qtOptions);
    }
    AppServices services;
    services.dialogBackend = backend.get();
    CAppServicesOverride useBackend(services);

    int rc = kExitFailed;
    std::optional<std::string> selected;
    try {
        rc = options.editId || options.create ? RunEditEntry(options)
                                              : RunManagerWindow(options, &selected);
    } catch (const CScriptEnded&) {
        std::fprintf(stderr,
                     "kitroster-manager: the script ended with a window open; "
                     "nothing was saved\n");
        rc = kExitUnfinished;
    } catch (const CScriptError& e) {
        user->WriteError(e.Line(), e.what());
        std::fprintf(stderr, "kitroster-manager: script line %d: %s\n", e.Line(), e.what());
        rc = kExitUsage;
    }
    if (selected && !user)
        std::printf("%s\n", selected->c_str());
    if (user) {
        nlohmann::ordered_json extra;
        if (selected)
            extra["selected"] = *selected;
        user->WriteEnd(rc, extra);
    }
    return rc;
}

}  // namespace

int main(int argc, char** argv) {
    // The picked resource and the transcript go to standard output; a failed write fails
    // the run.
    return kitroster::apps::FinishStandardOutput("kitroster-manager", RunCommandLine(argc, argv));
}
