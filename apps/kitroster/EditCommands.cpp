// Catalogue commands that change resources: add, set, rename, delete. Each loads the
// catalogue, applies the same checks and messages as the edit and rename dialogs, changes
// the collection and saves it.
#include <memory>
#include <string>
#include <vector>

#include "apps/kitroster/Commands.h"
#include "apps/kitroster/TextEncoding.h"
#include "catalogue/ResPropertyBag.h"
#include "catalogue/ResourceItem.h"
#include "catalogue/ResourceItemFacades.h"
#include "catalogue/queries/Dependants.h"
#include "catalogue/queries/IdentifierCheck.h"
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

CString TooLongMessage() {
    CString message;
    message.Format("Resource ID cannot be longer than %d characters!", kMaxResourceIdLength);
    return message;
}

struct SFieldOption {
    const char* label;
    std::string* text;
};

// Checks every given field for '{', '}' and line feeds; returns the first refusal.
int CheckFields(const std::vector<SFieldOption>& fields) {
    for (const SFieldOption& field : fields) {
        if (!field.text)
            continue;
        const SEntryCheck check = CheckFieldChars(field.label, FromUtf8(*field.text));
        if (!check.Accepted())
            return Refused(check);
    }
    return kExitOk;
}

struct SAddOptions {
    std::string id, type, name, conn, caps;
};

int RunAdd(const SAddOptions& o) {
    SCatalogue catalogue = LoadCatalogue();
    if (int rc = RequireCleanCatalogue(catalogue))
        return rc;
    const CString rawId = FromUtf8(o.id);
    if (rawId.GetLength() > kMaxResourceIdLength)
        return Report(TooLongMessage());
    const SEntryCheck idCheck = CheckResourceId(rawId, catalogue.collection, false);
    if (!idCheck.Accepted())
        return Refused(idCheck);
    std::string type = o.type, name = o.name, conn = o.conn, caps = o.caps;
    if (int rc = CheckFields({{kLabelType, &type},
                              {kLabelName, &name},
                              {kLabelConnectivity, &conn},
                              {kLabelCapabilities, &caps}}))
        return rc;
    CString cleanType = FromUtf8(type);
    cleanType.Trim();
    if (cleanType.IsEmpty())
        return Report("Resource type cannot be empty!");

    CZRauto_ptr<IResourceItem> item = CResourceItemFactory::CreateInstance();
    CString field;
    item->set_ID(idCheck.value);
    item->set_Type(cleanType);
    item->set_Name((field = FromUtf8(name)).Trim());
    item->set_Conn((field = FromUtf8(conn)).Trim());
    item->set_Caps((field = FromUtf8(caps)).Trim());
    if (!catalogue.collection->Add(item))
        return Report(UnknownResourceMessage(idCheck.value));
    return SaveCatalogue(catalogue.collection);
}

struct SSetOptions {
    std::string id;
    std::unique_ptr<std::string> name, type, conn, caps;
    std::vector<std::string> connProps, capsProps, delConnProps;
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
        o.delConnProps.empty())
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
            assignments.push_back(a);
        }
    }

    SCatalogue catalogue = LoadCatalogue();
    if (int rc = RequireCleanCatalogue(catalogue))
        return rc;
    const CString id = FromUtf8(o.id);
    CZRauto_ptr<IResourceItem> item = catalogue.collection->GetItemById(id);
    if (!item)
        return Report(UnknownResourceMessage(id));
    if (int rc = CheckFields({{kLabelType, o.type.get()},
                              {kLabelName, o.name.get()},
                              {kLabelConnectivity, o.conn.get()},
                              {kLabelCapabilities, o.caps.get()}}))
        return rc;
    for (const SAssignment& a : assignments) {
        if (HasInvalidEntryChars(a.key) || HasInvalidEntryChars(a.value)) {
            return Report(FormatResString(IDS_INVALID_CHARACTER,
                                          a.conn ? kLabelConnectivity : kLabelCapabilities));
        }
    }

    CString field;
    if (o.type) {
        if ((field = FromUtf8(*o.type)).Trim().IsEmpty())
            return Report("Resource type cannot be empty!");
        item->set_Type(field);
    }
    if (o.name)
        item->set_Name((field = FromUtf8(*o.name)).Trim());
    if (o.conn)
        item->set_Conn((field = FromUtf8(*o.conn)).Trim());
    if (o.caps)
        item->set_Caps((field = FromUtf8(*o.caps)).Trim());

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
    return SaveCatalogue(catalogue.collection);
}

int RunRename(const std::string& oldArg, const std::string& newArg, bool keepReferences) {
    SCatalogue catalogue = LoadCatalogue();
    if (int rc = RequireCleanCatalogue(catalogue))
        return rc;
    const CString oldId = FromUtf8(oldArg);
    CZRauto_ptr<IResourceItem> item = catalogue.collection->GetItemById(oldId);
    if (!item)
        return Report(UnknownResourceMessage(oldId));
    CString newId = FromUtf8(newArg);
    if (CString(newId).Trim().GetLength() > kMaxResourceIdLength)
        return Report(TooLongMessage());
    const SEntryCheck check = CheckRenameId(newId, catalogue.collection);
    if (!check.Accepted())
        return Refused(check);
    // References hold the stored spelling of the identifier, which the rewrite compares
    // exactly; the spelling typed on the command line may differ in case.
    const CString storedOldId = item->get_ID();
    if (!catalogue.collection->Rename(storedOldId, check.value, !keepReferences)) {
        CString message;
        message.Format("%s could not be renamed to %s", storedOldId.GetString(),
                       check.value.GetString());
        return Report(message);
    }
    return SaveCatalogue(catalogue.collection);
}

int RunDelete(const std::string& idArg) {
    SCatalogue catalogue = LoadCatalogue();
    if (int rc = RequireCleanCatalogue(catalogue))
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
    const int rc = SaveCatalogue(catalogue.collection);
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
