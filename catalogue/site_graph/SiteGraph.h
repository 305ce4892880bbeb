// The site as a graph: rooms, video assemblies, servers and cameras as nodes, the references
// of their connectivity (ListReferences) as edges from the referring resource to the one it
// names. Every problem the linked resource check finds sits on the edge it concerns, and a
// reference to an identifier no resource has leads to a node of its own, marked missing.
//
// Thread-safety: as safe as the collection passed in (one thread at a time).
#pragma once

#include <vector>

#include "base/CString.h"
#include "base/KitrosterExport.h"
#include "catalogue/Kitroster.h"

namespace NResourceItem {

enum class ESiteNodeKind { Room, Assembly, Server, Camera, Other, Missing };

struct KITROSTER_API SSiteNode {
    CString id;  // as the catalogue spells it; as first written for a missing one
    CString name;
    CString type;
    ESiteNodeKind kind = ESiteNodeKind::Other;
    CString problem;  // "X does not exist" for a missing node, else empty
};

struct KITROSTER_API SSiteEdge {
    CString from;  // node identifiers
    CString to;
    CString property;  // the referring property ("RES_ASSYLIST", "RES_SERVER", ...)
    CString problem;   // the check's error lines for this link; empty when sound
};

struct KITROSTER_API SSiteGraph {
    std::vector<SSiteNode> nodes;  // resources by identifier (case ignored), then missing
                                   // ones in the order first referenced
    std::vector<SSiteEdge> edges;  // by referring node in node order, each resource's
                                   // references in property order; repeats dropped
};

// The kind a resource type gives: two-level ROOM_VIDEO a room, ASSY_VIDEO an assembly, first
// component SERVER a server, CAMERA a camera, anything else Other.
KITROSTER_API ESiteNodeKind SiteNodeKindOf(const CString& type);

// The graph of what `roots` reach through their references, transitively; with no roots,
// of every room, assembly, server and camera. Roots that name no resource are skipped:
// the caller reports them. A null collection gives an empty graph.
KITROSTER_API SSiteGraph BuildSiteGraph(IKitroster* collection,
                                        const std::vector<CString>& roots = {});

}  // namespace NResourceItem
