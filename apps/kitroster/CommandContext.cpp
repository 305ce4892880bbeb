#include "apps/kitroster/CommandContext.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

#include "apps/kitroster/TextEncoding.h"
#include "catalogue/CatalogueContext.h"
#include "catalogue/CatalogueFolder.h"
#include "platform/app/KitrosterApp.h"
#include "platform/env/Env.h"
#include "platform/env/PathMapping.h"
#include "platform/kxcommon/KXCommon.h"
#include "platform/registry/Registry.h"
#include "resources/strings/StringTable.h"

namespace kitroster::cli {

using NResourceItem::CKitrosterFactory;
using NResourceItem::IKitroster;

namespace {

// How many skipped files the warning names; doctor lists every one.
constexpr size_t kMaxSkippedNamesShown = 20;

// A path as a person finds it on this machine ("site/SettingsGeneral/_RES_X.zrr"), in
// the catalogue's 8-bit text so that Report converts it once.
CString NativePath(const CString& path) {
    std::string native;
    if (!GetKitrosterApp().GetEnv()->ToNativePath(path.str(), &native).ok())
        return path;
    std::string text;
    return CString(kitroster::Utf8ToCp1252(native, &text) ? text : native);
}

CString NativeCatalogueFolder() {
    return NativePath(NResourceItem::GetCatalogueFolder());
}

// A save failure names a file of the catalogue folder, or what else stopped it (an
// identifier, the settings root): only the files are paths to show natively.
CString NativeFailure(const CString& failure) {
    const CString folder = NResourceItem::GetCatalogueFolder();
    if (folder.IsEmpty() || failure.GetLength() < folder.GetLength() ||
        failure.Left(folder.GetLength()) != folder)
        return failure;
    return NativePath(failure);
}

}  // namespace

void SetAction(CLI::App* sub, SCommandContext& ctx, std::function<int()> run) {
    sub->callback([&ctx, run = std::move(run)] { ctx.action = run; });
}

void ApplyGlobalOptions(const SCommandContext& ctx) {
    // KITROSTER_REGISTRY is honoured by the store itself when no file is given here.
    if (!ctx.registryFile.empty())
        kitroster::CRegistry::SetMachineLocation(ctx.registryFile);
    // UNC paths map below the root the chosen store names ("UNCRoot"), or /net.
    ConfigureUncRootFromRegistry();
    if (!ctx.settingsRoot.empty())
        NResourceItem::SetSettingsRootOverride(FromUtf8(ctx.settingsRoot));
}

int Report(const CString& message, int code) {
    std::fprintf(stderr, "kitroster: %s\n", ToUtf8(message).c_str());
    return code;
}

int UsageError(const std::string& message) {
    std::fprintf(stderr, "%s\nRun with --help for more information.\n", message.c_str());
    return kExitUsage;
}

void PrintLine(const CString& line) {
    std::printf("%s\n", ToUtf8(line).c_str());
}

SCatalogue LoadCatalogue(bool forChange, bool createFolder) {
    // A root that cannot be used refuses the command (main reports it, exit 1) before
    // anything is read or written.
    if (CString problem; !NResourceItem::CheckSettingsRoot(&problem))
        throw std::runtime_error(ToUtf8(problem));
    SCatalogue catalogue;
    const CString folder = NResourceItem::GetCatalogueFolder();
    // A missing folder is not an empty site: a mistyped --root, or a folder removed by
    // mistake, must not read as "no resources" nor be made again without a word.
    const bool present = NResourceItem::CatalogueFolderExists(folder);
    if (!present && createFolder) {
        const kitroster::EnvStatus made = NResourceItem::CreateCatalogueFolder(folder);
        CString message;
        if (made.ok()) {
            message.Format("created the catalogue folder '%s'",
                           NativeCatalogueFolder().GetString());
            Report(message, kExitOk);
        } else if (made.error() == kitroster::kErrorPathNotFound) {
            message.Format("the settings root '%s' does not exist; nothing was created",
                           NativePath(NResourceItem::GetSettingsRoot()).GetString());
            catalogue.refused = Report(message);
            return catalogue;
        } else if (made.error() != kitroster::kErrorAlreadyExists) {
            message.Format("the catalogue folder '%s' cannot be created: %s",
                           NativeCatalogueFolder().GetString(), made.ToString().c_str());
            catalogue.refused = Report(message);
            return catalogue;
        }
    } else if (!present) {
        CString message;
        message.Format("the catalogue folder '%s' does not exist%s",
                       NativeCatalogueFolder().GetString(), forChange ? "; nothing changed" : "");
        if (forChange) {
            catalogue.refused = Report(message);
            return catalogue;
        }
        Report(message);
    }
    // A change holds the lock from Load to the end of Save, so none loses another's
    // change; a reading command takes no lock.
    catalogue.session = std::make_unique<NResourceItem::CCatalogueSession>(
        forChange ? NResourceItem::ECatalogueLockPolicy::kHoldFromLoad
                  : NResourceItem::ECatalogueLockPolicy::kTakeForSave,
        NResourceItem::CZRauto_ptr<IKitroster>(), NResourceItem::CCatalogueLock::kDefaultWaitMs,
        [] { Report("waiting for another program that is changing the catalogue...", 0); });
    if (!catalogue.session->Load()) {
        catalogue.refused = Report(catalogue.session->Error());
        return catalogue;
    }
    catalogue.collection = catalogue.session->CollectionHandle();
    catalogue.clean = catalogue.session->Clean();
    catalogue.listed = catalogue.session->Listed();
    if (!catalogue.clean && present) {
        std::vector<CString> skipped;
        for (const NResourceItem::SSkippedFile& file : catalogue.session->Skipped())
            skipped.push_back(file.name);
        CString warning;
        if (skipped.empty()) {
            warning.Format("warning: the catalogue folder '%s' could not be read",
                           NativeCatalogueFolder().GetString());
        } else {
            warning.Format(
                "warning: %d resource file(s) in '%s' could not be read and were skipped; "
                "they are left as they are:",
                static_cast<int>(skipped.size()), NativeCatalogueFolder().GetString());
            const size_t shown = std::min(skipped.size(), kMaxSkippedNamesShown);
            for (size_t i = 0; i < shown; ++i)
                warning += "\n  " + skipped[i];
            if (shown < skipped.size()) {
                CString more;
                more.Format("\n  and %d more (kitroster doctor lists them all)",
                            static_cast<int>(skipped.size() - shown));
                warning += more;
            }
        }
        Report(warning);
    }
    return catalogue;
}

int RequireChangeableCatalogue(const SCatalogue& catalogue) {
    if (catalogue.refused != kExitOk)
        return catalogue.refused;
    if (catalogue.listed)
        return kExitOk;
    return Report("nothing changed: the catalogue folder could not be read");
}

int SaveCatalogue(SCatalogue& catalogue) {
    // Every file or none: a command that stopped halfway would be hard to repeat, and one
    // that changed nothing on disk must not claim success.
    if (catalogue.session && catalogue.session->Save())
        return kExitOk;
    CString message = FormatResString(IDS_SAVE_FAILED, NativeCatalogueFolder().GetString());
    if (catalogue.session) {
        for (const CString& failure : catalogue.session->Failures())
            message += "\n  " + NativeFailure(failure);
    }
    return Report(message);
}

CString UnknownResourceMessage(const CString& id) {
    CString message;
    message.Format("%s does not exist", id.GetString());
    return message;
}

}  // namespace kitroster::cli
