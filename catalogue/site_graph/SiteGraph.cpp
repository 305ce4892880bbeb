#include "catalogue/site_graph/SiteGraph.h"

#include <deque>
#include <map>
#include <set>
#include <tuple>

#include "catalogue/ResourceItem.h"
#include "catalogue/ResourceType.h"
#include "catalogue/queries/LinkCheck.h"
#include "catalogue/queries/ResourceReferences.h"

namespace NResourceItem {
namespace {

// Identifiers compare ignoring case in the catalogue; the graph keys its nodes the same way.
CString Key(const CString& id) {
    CString key = id;
    return key.MakeUpper();
}

// The link check's findings, each resource checked once however many edges ask.
class CProblemFinder {
  public:
    explicit CProblemFinder(IKitroster* collection) : m_collection(collection) {}

    // The error lines for the reference `reference` of resource `fromId`: what the check
    // says about that link, else, for a target no resource has, that it does not exist.
    CString For(const CString& fromId, const SResourceReference& reference) {
        CString problem;
        const CString& property = reference.property;
        if (property == "RES_ASSYLIST")
            problem = _assembly(reference.target).assembly;
        else if (property == "RES_SERVER")
            problem = _assembly(fromId).server;
        else if (property == "RES_CAMERA")
            problem = _assembly(fromId).camera;
        else if (property == "SERVER")
            problem = _server(fromId);
        if (problem.IsEmpty() && !reference.exists)
            problem.Format("%s does not exist", reference.target.GetString());
        return problem;
    }

  private:
    const SAssemblyLinkCheck& _assembly(const CString& id) {
        auto [it, added] = m_assemblies.try_emplace(Key(id));
        if (added)
            it->second = CheckAssemblyLinks(m_collection, id);
        return it->second;
    }
    const CString& _server(const CString& id) {
        auto [it, added] = m_servers.try_emplace(Key(id));
        if (added)
            it->second = CheckServerRedirect(m_collection, id);
        return it->second;
    }

    IKitroster* m_collection;
    std::map<CString, SAssemblyLinkCheck> m_assemblies;
    std::map<CString, CString> m_servers;
};

}  // namespace

ESiteNodeKind SiteNodeKindOf(const CString& type) {
    CString c1, c2, c3;
    ParseType(type, c1, c2, c3);
    const CString twoLevel = MakeType(c1, c2, "");
    if (twoLevel == "ROOM_VIDEO")
        return ESiteNodeKind::Room;
    if (twoLevel == "ASSY_VIDEO")
        return ESiteNodeKind::Assembly;
    if (c1 == "SERVER")
        return ESiteNodeKind::Server;
    if (c1 == "CAMERA")
        return ESiteNodeKind::Camera;
    return ESiteNodeKind::Other;
}

SSiteGraph BuildSiteGraph(IKitroster* collection, const std::vector<CString>& roots) {
    SSiteGraph graph;
    if (!collection)
        return graph;

    // What the starting resources reach, with each reached resource's references, keyed
    // and so ordered by identifier without regard to case: the folder's listing order
    // differs from copy to copy, the picture does not.
    struct SReached {
        CZRauto_ptr<IResourceItem> item;
        std::vector<SResourceReference> references;
    };
    std::map<CString, SReached> reached;
    std::deque<CZRauto_ptr<IResourceItem>> pending;
    auto reach = [&](CZRauto_ptr<IResourceItem> item) {
        if (item && reached.try_emplace(Key(item->get_ID()), SReached{item, {}}).second)
            pending.push_back(item);
    };
    if (roots.empty()) {
        for (int i = 0; i < collection->Size(); ++i) {
            CZRauto_ptr<IResourceItem> item = collection->GetItemByIndex(i);
            if (item && SiteNodeKindOf(item->get_Type()) != ESiteNodeKind::Other)
                reach(item);
        }
    } else {
        for (const CString& id : roots)
            reach(collection->GetItemById(id));
    }
    while (!pending.empty()) {
        CZRauto_ptr<IResourceItem> item = pending.front();
        pending.pop_front();
        std::vector<SResourceReference> references = ListReferences(collection, item);
        for (const SResourceReference& reference : references) {
            if (reference.exists)
                reach(collection->GetItemById(reference.target));
        }
        reached[Key(item->get_ID())].references = std::move(references);
    }

    CProblemFinder problems(collection);
    std::vector<SSiteNode> missing;
    std::map<CString, CString> missingSpelling;  // key -> the first spelling referenced
    std::set<std::tuple<CString, CString, CString>> drawn;
    for (const auto& [key, entry] : reached) {
        IResourceItem* item = entry.item;
        const CString id = item->get_ID();
        graph.nodes.push_back(
            {id, item->get_Name(), item->get_Type(), SiteNodeKindOf(item->get_Type()), {}});
        for (const SResourceReference& reference : entry.references) {
            CString to = reference.target;
            if (reference.exists) {
                to = collection->GetItemById(reference.target)->get_ID();
            } else {
                // A missing target is drawn under the spelling it was first referenced with.
                auto [spelling, added] = missingSpelling.try_emplace(Key(to), to);
                to = spelling->second;
                if (added) {
                    CString problem;
                    problem.Format("%s does not exist", to.GetString());
                    missing.push_back({to, {}, {}, ESiteNodeKind::Missing, problem});
                }
            }
            // A list naming an assembly twice ("A|a") is one link.
            if (!drawn.emplace(key, reference.property, Key(to)).second)
                continue;
            graph.edges.push_back({id, to, reference.property, problems.For(id, reference)});
        }
    }
    graph.nodes.insert(graph.nodes.end(), missing.begin(), missing.end());
    return graph;
}

}  // namespace NResourceItem
