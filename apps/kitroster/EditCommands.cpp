// Catalogue commands that change resources: add, set, rename, delete. Each loads the
// catalogue, applies the same checks and messages as the edit and rename dialogs, changes
// the collection and saves it.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "apps/kitroster/Commands.h"
#include "apps/kitroster/SecretInput.h"
#include "apps/kitroster/TextEncoding.h"
#include "catalogue/ResPropertyBag.h"
#include "catalogue/ResourceItem.h"
#include "catalogue/ResourceItemFacades.h"
#include "catalogue/queries/Dependants.h"
#include "catalogue/queries/EditRules.h"
#include "catalogue/queries/IdentifierCheck.h"
#include "catalogue/queries/PasswordRule.h"
#include "catalogue/queries/UnfinishedRename.h"
#include "platform/kxcommon/KXCommon.h"
#include "resources/strings/StringTable.h"

namespace kitroster::cli {
namespace {

using namespace NResourceItem;

// The writer facade, plus removal of a property, which the command line offers and the
// facade does not.
class CPropertyEditFacade : public CResourceItemWriterFacade {
  public:
    using CResourceItemWriterFacade::CResourceItemWriterFacade;
    bool DeleteConnProperty(const CString& key) { return m_connBag && m_connBag->Delete(key); }
};

int Refused(const SEntryCheck& check) {
    if (check.outcome == SEntryCheck::kSilent)
        return Report(LoadResString(IDS_ID_EMPTY));
    return Report(check.message);
}

// Refuses a new identifier whose file name another resource's file (or a file Load could
// not read) already has: saving would overwrite that file.
int RefuseTakenFile(IKitroster* collection, const CString& id) {
    CString holder;
    const CString file = NResourceItem::GetFileTakenFrom(collection, id, &holder);
    if (file.IsEmpty())
        return kExitOk;
    CString message;
    if (holder.IsEmpty())
        message.Format("%s cannot be stored: its file %s could not be read and is left as it is",
                       id.GetString(), file.GetString());
    else
        message.Format("%s cannot be stored: its file %s holds the resource %s", id.GetString(),
                       file.GetString(), holder.GetString());
    return Report(message);
}

// Resource files live in a shared folder: a password is only ever stored sealed with this
// site's key. Refuses a connectivity string that would store one otherwise; kExitOk when
// it stores none or one sealed here (copied from `show`, say).
int RefuseUnsealedPassword(const std::string& command, const std::optional<CString>& conn) {
    if (!conn)
        return kExitOk;
    switch (ClassifyConnPassword(*conn)) {
        case EStoredPassword::kClear:
            return UsageError(command + ": a password is stored sealed; give it with --password");
        case EStoredPassword::kUnopened:
            return Report(
                "the PASSWORD given does not open with this site's key (sealed at another "
                "site, or damaged); give the password with --password");
        case EStoredPassword::kNone:
        case EStoredPassword::kSealed:
            break;
    }
    return kExitOk;
}

// The text of an optional command-line field, converted; unset stays unset.
std::optional<CString> Field(const std::string* text) {
    return text ? std::optional<CString>(FromUtf8(*text)) : std::nullopt;
}

struct SAddOptions {
    std::string id, type, name, conn, caps;
};

int RunAdd(const SAddOptions& o) {
    SCatalogue catalogue = LoadCatalogue(/*forChange=*/true, /*createFolder=*/true);
    if (int rc = RequireChangeableCatalogue(catalogue))
        return rc;
    SResourceFields fields{Field(&o.type), Field(&o.name), Field(&o.conn), Field(&o.caps)};
    CString id;
    const SEntryCheck check =
        CheckNewResource(FromUtf8(o.id), fields, catalogue.collection, &id, &fields);
    if (!check.Accepted())
        return Refused(check);
    if (int rc = RefuseUnsealedPassword("add", fields.conn))
        return rc;
    if (int rc = RefuseTakenFile(catalogue.collection, id))
        return rc;

    CZRauto_ptr<IResourceItem> item = CResourceItemFactory::CreateInstance();
    item->set_ID(id);
    item->set_Type(*fields.type);
    item->set_Name(*fields.name);
    item->set_Conn(*fields.conn);
    item->set_Caps(*fields.caps);
    if (!catalogue.collection->Add(item))
        return Report(UnknownResourceMessage(id));
    return SaveCatalogue(catalogue);
}

struct SSetOptions {
    std::string id;
    std::unique_ptr<std::string> name, type, conn, caps;
    std::vector<std::string> connProps, capsProps, delConnProps;
    bool password = false;  // read a password from standard input and store it sealed
};

// Splits "KEY=VALUE" at its first '='; false without a '=' or with an empty key.
bool SplitAssignment(const std::string& text, CString& key, CString& value) {
    const size_t eq = text.find('=');
    if (eq == std::string::npos || eq == 0)
        return false;
    key = FromUtf8(text.substr(0, eq));
    value = FromUtf8(text.substr(eq + 1));
    return true;
}

int RunSet(const SSetOptions& o) {
    if (!o.name && !o.type && !o.conn && !o.caps && o.connProps.empty() && o.capsProps.empty() &&
        o.delConnProps.empty() && !o.password)
        return UsageError("set: nothing to change");
    struct SAssignment {
        bool conn;
        CString key, value;
    };
    std::vector<SAssignment> assignments;
    for (bool conn : {true, false}) {
        for (const std::string& text : conn ? o.connProps : o.capsProps) {
            SAssignment a{conn, {}, {}};
            if (!SplitAssignment(text, a.key, a.value))
                return UsageError("set: '" + text + "' is not of the form KEY=VALUE");
            // A password is only ever stored sealed; the bag reads " password" as PASSWORD.
            if (conn && IsPasswordKey(a.key))
                return UsageError("set: a password is stored sealed; give it with --password");
            assignments.push_back(a);
        }
    }

    if (o.password) {
        std::string plain;
        if (!ReadSecretLine("Password: ", &plain))
            return Report("no password was given on standard input");
        const CString sealed = EncryptPassword(FromUtf8(plain, "the password"));
        if (sealed.IsEmpty())
            return Report("the password cannot be sealed: the site key is not usable");
        assignments.push_back({true, kPasswordKey, sealed});
    }

    SCatalogue catalogue = LoadCatalogue(/*forChange=*/true);
    if (int rc = RequireChangeableCatalogue(catalogue))
        return rc;
    const CString id = FromUtf8(o.id);
    CZRauto_ptr<IResourceItem> item = catalogue.collection->GetItemById(id);
    if (!item)
        return Report(UnknownResourceMessage(id));
    SResourceFields fields{Field(o.type.get()), Field(o.name.get()), Field(o.conn.get()),
                           Field(o.caps.get())};
    if (SEntryCheck check = CheckResourceFields(fields, &fields); !check.Accepted())
        return Refused(check);
    if (int rc = RefuseUnsealedPassword("set", fields.conn))
        return rc;
    for (const SAssignment& a : assignments) {
        if (SEntryCheck check = CheckPropertyEntry(a.conn, a.key, a.value); !check.Accepted())
            return Refused(check);
    }
    if (fields.type)
        item->set_Type(*fields.type);
    if (fields.name)
        item->set_Name(*fields.name);
    if (fields.conn)
        item->set_Conn(*fields.conn);
    if (fields.caps)
        item->set_Caps(*fields.caps);

    if (!assignments.empty() || !o.delConnProps.empty()) {
        CPropertyEditFacade facade(item);
        for (const std::string& key : o.delConnProps) {
            if (!facade.DeleteConnProperty(FromUtf8(key))) {
                CString message;
                message.Format("%s has no connectivity property '%s'", item->get_ID().GetString(),
                               FromUtf8(key).GetString());
                return Report(message);
            }
        }
        for (const SAssignment& a : assignments) {
            const bool stored = a.conn ? facade.SetConnProperty(a.key, a.value)
                                       : facade.SetCapsProperty(a.key, a.value);
            if (!stored) {
                CString message;
                message.Format(
                    "the property %s=%s cannot be stored: keys and values must not "
                    "contain double quotes",
                    a.key.GetString(), a.value.GetString());
                return Report(message);
            }
        }
        facade.Commit();
    }
    return SaveCatalogue(catalogue);
}

int RunRename(const std::string& oldArg, const std::string& newArg, bool keepReferences) {
    SCatalogue catalogue = LoadCatalogue(/*forChange=*/true);
    if (int rc = RequireChangeableCatalogue(catalogue))
        return rc;
    const CString oldId = FromUtf8(oldArg);
    CZRauto_ptr<IResourceItem> item = catalogue.collection->GetItemById(oldId);
    if (!item)
        return Report(UnknownResourceMessage(oldId));
    // A rerun after a rename was killed: NEW already holds OLD's resource. Finish it.
    CString newId = FromUtf8(newArg);
    newId.Trim();
    if (CZRauto_ptr<IResourceItem> copy = catalogue.collection->GetItemById(newId);
        IsRenamedCopy(item, copy)) {
        CString note;
        note.Format("finishing the interrupted rename of %s to %s", item->get_ID().GetString(),
                    copy->get_ID().GetString());
        if (!FinishRename(catalogue.collection, item->get_ID(), copy->get_ID(), !keepReferences))
            return Report(note + ": it could not be finished");
        Report(note, kExitOk);
        return SaveCatalogue(catalogue);
    }
    const SEntryCheck check = CheckNewId(FromUtf8(newArg), catalogue.collection);
    if (!check.Accepted())
        return Refused(check);
    if (int rc = RefuseTakenFile(catalogue.collection, check.value))
        return rc;
    // References hold the stored spelling of the identifier, which the rewrite compares
    // exactly; the spelling typed on the command line may differ in case.
    const CString storedOldId = item->get_ID();
    if (!catalogue.collection->Rename(storedOldId, check.value, !keepReferences)) {
        CString message;
        message.Format("%s could not be renamed to %s", storedOldId.GetString(),
                       check.value.GetString());
        return Report(message);
    }
    return SaveCatalogue(catalogue);
}

int RunDelete(const std::string& idArg) {
    SCatalogue catalogue = LoadCatalogue(/*forChange=*/true);
    if (int rc = RequireChangeableCatalogue(catalogue))
        return rc;
    const CString id = FromUtf8(idArg);
    CZRauto_ptr<IResourceItem> item = catalogue.collection->GetItemById(id);
    if (!item)
        return Report(UnknownResourceMessage(id));
    const CString storedId = item->get_ID();
    // References are left as they are (as the manager window does); say where they remain.
    CString referrers;
    for (const CString& dependant : FindDependants(catalogue.collection, storedId)) {
        if (dependant.CompareNoCase(storedId) == 0)
            continue;
        if (!referrers.IsEmpty())
            referrers += ", ";
        referrers += dependant;
    }
    catalogue.collection->Delete(storedId);
    const int rc = SaveCatalogue(catalogue);
    if (rc == kExitOk && !referrers.IsEmpty()) {
        CString note;
        note.Format("note: %s is still referred to by %s", storedId.GetString(),
                    referrers.GetString());
        Report(note, kExitOk);
    }
    return rc;
}

}  // namespace

void RegisterEditCommands(CLI::App& app, SCommandContext& ctx) {
    auto add = std::make_shared<SAddOptions>();
    CLI::App* addCmd = app.add_subcommand("add", "Add a new resource and save");
    addCmd->add_option("ID", add->id, "New resource identifier (A-Z, 0-9, _)")->required();
    addCmd->add_option("TYPE", add->type, "Resource type, e.g. CAMERA_IP")->required();
    addCmd->add_option("--name", add->name, "Display name");
    addCmd->add_option("--conn", add->conn, "Connectivity property string");
    addCmd->add_option("--caps", add->caps, "Capability property string");
    SetAction(addCmd, ctx, [add] { return RunAdd(*add); });

    // Optional fields are told apart from empty ones: only given options change a field.
    auto set = std::make_shared<SSetOptions>();
    auto setName = std::make_shared<std::string>();
    auto setType = std::make_shared<std::string>();
    auto setConn = std::make_shared<std::string>();
    auto setCaps = std::make_shared<std::string>();
    CLI::App* setCmd =
        app.add_subcommand("set", "Change fields or properties of a resource and save");
    setCmd->add_option("ID", set->id, "Resource identifier")->required();
    CLI::Option* nameOpt = setCmd->add_option("--name", *setName, "New display name");
    CLI::Option* typeOpt = setCmd->add_option("--type", *setType, "New type");
    CLI::Option* connOpt = setCmd->add_option("--conn", *setConn, "New connectivity string");
    CLI::Option* capsOpt = setCmd->add_option("--caps", *setCaps, "New capability string");
    setCmd->add_option("--conn-prop", set->connProps, "Set a connectivity property KEY=VALUE");
    setCmd->add_option("--caps-prop", set->capsProps, "Set a capability property KEY=VALUE");
    setCmd->add_option("--del-conn-prop", set->delConnProps, "Remove a connectivity property KEY");
    setCmd->add_flag("--password", set->password,
                     "Read the connectivity PASSWORD from standard input and store it sealed");
    SetAction(setCmd, ctx, [=] {
        auto given = [](CLI::Option* opt, const std::string& value) {
            return opt->count() > 0 ? std::make_unique<std::string>(value) : nullptr;
        };
        set->name = given(nameOpt, *setName);
        set->type = given(typeOpt, *setType);
        set->conn = given(connOpt, *setConn);
        set->caps = given(capsOpt, *setCaps);
        return RunSet(*set);
    });

    auto renameOld = std::make_shared<std::string>();
    auto renameNew = std::make_shared<std::string>();
    auto keep = std::make_shared<bool>(false);
    CLI::App* renameCmd = app.add_subcommand(
        "rename", "Give a resource a new identifier, rewriting references to it, and save");
    renameCmd->add_option("OLD", *renameOld, "Current identifier")->required();
    renameCmd->add_option("NEW", *renameNew, "New identifier")->required();
    renameCmd->add_flag("--keep-references", *keep,
                        "Leave references in other resources as they are");
    SetAction(renameCmd, ctx,
              [renameOld, renameNew, keep] { return RunRename(*renameOld, *renameNew, *keep); });

    auto deleteId = std::make_shared<std::string>();
    CLI::App* deleteCmd = app.add_subcommand("delete", "Delete a resource and save");
    deleteCmd->add_option("ID", *deleteId, "Resource identifier")->required();
    SetAction(deleteCmd, ctx, [deleteId] { return RunDelete(*deleteId); });
}

}  // namespace kitroster::cli
