// Read-only catalogue commands: list, show, deps, search, check-links.
#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "apps/kitroster/Commands.h"
#include "apps/kitroster/TextEncoding.h"
#include "catalogue/ResPropertyBag.h"
#include "catalogue/ResourceFilter.h"
#include "catalogue/ResourceType.h"
#include "catalogue/ResourceTypeList.h"
#include "catalogue/queries/ConfigSearch.h"
#include "catalogue/queries/Dependants.h"
#include "catalogue/queries/LinkCheck.h"
#include "catalogue/queries/RoomAssemblies.h"
#include "catalogue/queries/Visibility.h"
#include "resources/strings/StringTable.h"

namespace kitroster::cli {
namespace {

using namespace NResourceItem;
using Json = nlohmann::ordered_json;

Json ItemJson(IResourceItem* item) {
    return Json{{"id", ToUtf8(item->get_ID())},
                {"type", ToUtf8(item->get_Type())},
                {"name", ToUtf8(item->get_Name())},
                {"conn", ToUtf8(item->get_Conn())},
                {"caps", ToUtf8(item->get_Caps())}};
}

Json PropertiesJson(const CString& text) {
    Json object = Json::object();
    CZRauto_ptr<IResPropertyBag> bag = CResPropertyBagFactory::CreateInstance(text);
    CString key, value;
    for (int i = 0; bag && bag->Get(i, key, value); ++i)
        object[ToUtf8(key)] = ToUtf8(value);
    return object;
}

void PrintProperties(const char* prefix, const CString& text) {
    CZRauto_ptr<IResPropertyBag> bag = CResPropertyBagFactory::CreateInstance(text);
    CString key, value;
    for (int i = 0; bag && bag->Get(i, key, value); ++i) {
        CString line;
        line.Format("%s.%s\t%s", prefix, ForTerminal(key).GetString(),
                    ForTerminal(value).GetString());
        PrintLine(line);
    }
}

void PrintField(const char* label, const CString& value) {
    CString line;
    line.Format("%s\t%s", label, ForTerminal(value).GetString());
    PrintLine(line);
}

struct SListOptions {
    std::vector<std::string> types;
    std::string filter;
    std::string sort;  // empty: collection order; "id", "type" or "name"
    bool json = false;
};

// Orders `items` as --sort asks: by identifier, or by type or name and then identifier,
// text compared without regard to case. Stable, so equal keys keep collection order.
void SortItems(std::vector<CZRauto_ptr<IResourceItem>>& items, const std::string& sort) {
    auto compare = [](const CString& a, const CString& b) { return a.CompareNoCase(b); };
    auto key = [&sort](IResourceItem* item) {
        return sort == "type" ? item->get_Type() : item->get_Name();
    };
    std::stable_sort(items.begin(), items.end(), [&](IResourceItem* a, IResourceItem* b) {
        if (sort != "id") {
            if (const int order = compare(key(a), key(b)); order != 0)
                return order < 0;
        }
        return compare(a->get_ID(), b->get_ID()) < 0;
    });
}

int RunList(const SListOptions& options) {
    SCatalogue catalogue = LoadCatalogue();
    CZRauto_ptr<IResourceFilter> filter = CResourceFilter::CreateInstance();
    CZRauto_ptr<IResourceTypeList> types = CResourceTypeList::CreateInstance();
    for (const std::string& type : options.types)
        types->Put(FromUtf8(type));
    filter->SetResourceTypeList(types);
    filter->SetResourceIdFilterSpec(FromUtf8(options.filter));

    std::vector<CZRauto_ptr<IResourceItem>> items;
    for (int i = 0; i < catalogue.collection->Size(); ++i) {
        CZRauto_ptr<IResourceItem> item = catalogue.collection->GetItemByIndex(i);
        if (IsResourceVisible(filter, item))
            items.push_back(item);
    }
    if (!options.sort.empty())
        SortItems(items, options.sort);

    Json rows = Json::array();
    for (IResourceItem* item : items) {
        if (options.json) {
            rows.push_back(ItemJson(item));
        } else {
            CString line;
            line.Format("%s\t%s\t%s\t%s\t%s", ForTerminal(item->get_ID()).GetString(),
                        ForTerminal(item->get_Type()).GetString(),
                        ForTerminal(item->get_Name()).GetString(),
                        ForTerminal(item->get_Conn()).GetString(),
                        ForTerminal(item->get_Caps()).GetString());
            PrintLine(line);
        }
    }
    if (options.json)
        std::printf("%s\n", rows.dump(2).c_str());
    return catalogue.clean ? kExitOk : kExitRefused;
}

int RunShow(const std::string& idArg, bool json) {
    SCatalogue catalogue = LoadCatalogue();
    const CString id = FromUtf8(idArg);
    CZRauto_ptr<IResourceItem> item = catalogue.collection->GetItemById(id);
    if (!item)
        return Report(UnknownResourceMessage(id));
    if (json) {
        Json object = ItemJson(item);
        object["connProperties"] = PropertiesJson(item->get_Conn());
        object["capsProperties"] = PropertiesJson(item->get_Caps());
        std::printf("%s\n", object.dump(2).c_str());
    } else {
        PrintField("ID", item->get_ID());
        PrintField("TYPE", item->get_Type());
        PrintField("NAME", item->get_Name());
        PrintField("CONN", item->get_Conn());
        PrintField("CAPS", item->get_Caps());
        PrintProperties("CONN", item->get_Conn());
        PrintProperties("CAPS", item->get_Caps());
    }
    return catalogue.clean ? kExitOk : kExitRefused;
}

int RunDeps(const std::string& idArg) {
    SCatalogue catalogue = LoadCatalogue();
    const CString id = FromUtf8(idArg);
    CZRauto_ptr<IResourceItem> item = catalogue.collection->GetItemById(id);
    if (!item)
        return Report(UnknownResourceMessage(id));
    const std::vector<CString> dependants = FindDependants(catalogue.collection, item->get_ID());
    for (const CString& dependant : dependants)
        PrintLine(dependant);
    if (dependants.empty())
        Report(FormatResString(IDS_NO_DEPENDANTS, item->get_ID().GetString()), kExitOk);
    return catalogue.clean ? kExitOk : kExitRefused;
}

int RunSearch(const std::string& textArg) {
    CString text = FromUtf8(textArg);
    text.Trim();
    if (text.IsEmpty())
        return UsageError("search: the search text is empty");
    SCatalogue catalogue = LoadCatalogue();
    const std::vector<CString> found = SearchConfiguration(catalogue.collection, text);
    for (const CString& id : found)
        PrintLine(id);
    if (found.empty())
        Report(FormatResString(IDS_SEARCH_NOTHING_FOUND, text.GetString()), kExitOk);
    return catalogue.clean ? kExitOk : kExitRefused;
}

// The room editor's "Check..." for ROOM: the room's list is read as the editor opens it and
// the text of the message box it would show is printed. Exits 1 when the check found an
// error.
int RunCheckLinks(const std::string& idArg) {
    SCatalogue catalogue = LoadCatalogue();
    const CString id = FromUtf8(idArg);
    CZRauto_ptr<IResourceItem> item = catalogue.collection->GetItemById(id);
    if (!item)
        return Report(UnknownResourceMessage(id));
    CString c1, c2, c3;
    ParseType(item->get_Type(), c1, c2, c3);
    if (MakeType(c1, c2, "") != "ROOM_VIDEO") {
        CString message;
        message.Format("'%s' is not a room resource (type '%s')", item->get_ID().GetString(),
                       item->get_Type().GetString());
        return Report(message);
    }
    const SRoomAssemblies room = OpenRoomAssemblies(catalogue.collection, item->get_Conn());
    const SLinkCheckResult result =
        CheckRoomLinks(catalogue.collection, room.Selection(), room.missing);
    PrintLine(LinkCheckMessage(result, room.includeLocal).text);
    return result.errors.IsEmpty() && catalogue.clean ? kExitOk : kExitRefused;
}

}  // namespace

void RegisterListCommands(CLI::App& app, SCommandContext& ctx) {
    auto listOptions = std::make_shared<SListOptions>();
    CLI::App* list = app.add_subcommand("list", "List the resources in collection order");
    list->add_option("--type", listOptions->types,
                     "Show only this type, its first component or its first two components "
                     "(repeatable)");
    list->add_option(
        "--filter", listOptions->filter,
        "Identifier patterns separated by ';' (prefix*, *postfix, *part*, !exclusion)");
    list->add_option("--sort", listOptions->sort,
                     "Order by id, by type then id, or by name then id (case ignored) instead "
                     "of collection order")
        ->check(CLI::IsMember({"id", "type", "name"}));
    list->add_flag("--json", listOptions->json, "Print a JSON array");
    SetAction(list, ctx, [listOptions] { return RunList(*listOptions); });

    auto showId = std::make_shared<std::string>();
    auto showJson = std::make_shared<bool>(false);
    CLI::App* show = app.add_subcommand("show", "Show one resource with its properties");
    show->add_option("ID", *showId, "Resource identifier")->required();
    show->add_flag("--json", *showJson, "Print a JSON object");
    SetAction(show, ctx, [showId, showJson] { return RunShow(*showId, *showJson); });

    auto depsId = std::make_shared<std::string>();
    CLI::App* deps =
        app.add_subcommand("deps", "List the resources whose configuration refers to ID");
    deps->add_option("ID", *depsId, "Resource identifier")->required();
    SetAction(deps, ctx, [depsId] { return RunDeps(*depsId); });

    auto searchText = std::make_shared<std::string>();
    CLI::App* search = app.add_subcommand(
        "search", "List the resources whose configuration property values match TEXT");
    search->add_option("TEXT", *searchText, "Patterns separated by ';'")->required();
    SetAction(search, ctx, [searchText] { return RunSearch(*searchText); });

    auto roomId = std::make_shared<std::string>();
    CLI::App* checkLinks = app.add_subcommand(
        "check-links",
        "Check the video assemblies of room ROOM and the servers and cameras they name");
    checkLinks->add_option("ROOM", *roomId, "Room resource identifier")->required();
    SetAction(checkLinks, ctx, [roomId] { return RunCheckLinks(*roomId); });
}

}  // namespace kitroster::cli
