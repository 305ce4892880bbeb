// A room's video assemblies: the "RES_ASSYLIST" list text, and the room editor's check list
// as it stands when the editor opens (every assembly of the catalogue, the stored ones
// ticked, the stored identifiers that are no assembly set aside as missing). The room
// editor and the tool's link check read a room the same way through these functions.
//
// Thread-safety: as safe as the collection passed in (one thread at a time).
#pragma once

#include <set>
#include <vector>

#include "base/CString.h"
#include "base/KitrosterExport.h"
#include "catalogue/Kitroster.h"

namespace NResourceItem {

// Identifiers ordered and compared byte by byte, case-sensitively (CString's order, as
// strcmp): "ASSY1" and "assy1" are two entries.
using CIdentifierSet = std::set<CString>;

// The identifiers of a list text in written order: each '|'-separated element trimmed of
// white space, empty ones dropped, repeats kept ("B| A||B" gives B, A, B).
KITROSTER_API std::vector<CString> ReadAssemblyListInOrder(const CString& text);
// The same identifiers as a set ("B| A||" gives A and B).
KITROSTER_API CIdentifierSet ReadAssemblyList(const CString& text);
// Every identifier in set order, each preceded by '|' ("|A|B"); empty for an empty set.
KITROSTER_API CString WriteAssemblyList(const CIdentifierSet& ids);

// Identifiers of every resource of `collection`, in index order, whose type split by
// ParseType and rejoined from its first two components equals `twoLevelType` exactly
// ("assy_video_x" counts as "ASSY_VIDEO"). Empty for a null collection.
KITROSTER_API std::vector<CString> FindResourcesOfType(IKitroster* collection,
                                                       const CString& twoLevelType);

struct KITROSTER_API SRoomLine {
    CString id;  // the assembly's identifier as the catalogue holds it
    bool checked = false;
};

struct KITROSTER_API SRoomAssemblies {
    std::vector<SRoomLine> lines;  // every assembly of the catalogue, in index order
    CIdentifierSet missing;        // stored identifiers that no line has
    bool includeLocal = true;      // "ROOM_EXCLUDE_LOCAL" is not "TRUE"

    // The text of every checked line: the room's assemblies as the editor collects them,
    // spelt as the catalogue spells them. Missing identifiers are not part of it.
    CIdentifierSet Selection() const;
};

// A room's assemblies as the room editor would collect them, without building the editor's
// list of every assembly: `selected` and `missing` are what OpenRoomAssemblies gives in
// Selection() and `missing`, found by identifier lookups, so checking every room of a
// large site costs no scan of the catalogue per room.
struct KITROSTER_API SRoomSelection {
    CIdentifierSet selected;  // spelt as the catalogue spells them
    CIdentifierSet missing;
    bool includeLocal = true;
};
KITROSTER_API SRoomSelection ReadRoomSelection(IKitroster* collection, const CString& conn);

// The room editor's list for a room whose connectivity string is `conn`: a stored
// identifier ticks the line equal to it ignoring case, or goes to `missing`. A null
// collection gives no lines, so every stored identifier is missing.
KITROSTER_API SRoomAssemblies OpenRoomAssemblies(IKitroster* collection, const CString& conn);

}  // namespace NResourceItem
