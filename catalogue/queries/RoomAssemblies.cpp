#include "catalogue/queries/RoomAssemblies.h"

#include "catalogue/BarList.h"
#include "catalogue/ResPropertyBag.h"
#include "catalogue/ResourceType.h"

namespace NResourceItem {
namespace {

// The two-level type rule of FindResourcesOfType.
bool IsOfTwoLevelType(IResourceItem* item, const CString& twoLevelType) {
    CString c1, c2, c3;
    ParseType(item->get_Type(), c1, c2, c3);
    return MakeType(c1, c2, "") == twoLevelType;
}

struct SRoomConn {
    CString list;
    bool includeLocal = true;
};

SRoomConn ReadRoomConn(const CString& conn) {
    CZRauto_ptr<IResPropertyBag> bag = CResPropertyBagFactory::CreateInstance(conn);
    CString excludeLocal;
    SRoomConn room;
    bag->Get("RES_ASSYLIST", room.list);
    bag->Get("ROOM_EXCLUDE_LOCAL", excludeLocal);
    room.includeLocal = excludeLocal.CompareNoCase("TRUE") != 0;
    return room;
}

}  // namespace

std::vector<CString> ReadAssemblyListInOrder(const CString& text) {
    // Trimming each element is the same as trimming what is left before every split.
    std::vector<CString> ids;
    for (CString& element : SplitBarList(text)) {
        element.Trim();
        if (!element.IsEmpty())
            ids.push_back(element);
    }
    return ids;
}

CIdentifierSet ReadAssemblyList(const CString& text) {
    const std::vector<CString> ids = ReadAssemblyListInOrder(text);
    return CIdentifierSet(ids.begin(), ids.end());
}

CString WriteAssemblyList(const CIdentifierSet& ids) {
    CString text;
    for (const CString& id : ids) {
        text += '|';
        text += id;
    }
    return text;
}

std::vector<CString> FindResourcesOfType(IKitroster* collection, const CString& twoLevelType) {
    std::vector<CString> ids;
    if (!collection)
        return ids;
    for (int i = 0; i < collection->Size(); ++i) {
        CZRauto_ptr<IResourceItem> item = collection->GetItemByIndex(i);
        if (!item)
            continue;
        if (IsOfTwoLevelType(item, twoLevelType))
            ids.push_back(item->get_ID());
    }
    return ids;
}

CIdentifierSet SRoomAssemblies::Selection() const {
    CIdentifierSet selection;
    for (const SRoomLine& line : lines) {
        if (line.checked)
            selection.insert(line.id);
    }
    return selection;
}

SRoomSelection ReadRoomSelection(IKitroster* collection, const CString& conn) {
    const SRoomConn stored = ReadRoomConn(conn);
    SRoomSelection room;
    room.includeLocal = stored.includeLocal;
    // The collection keys identifiers upper-cased, so the lookup finds exactly the line
    // the editor's comparison ignoring case would tick.
    for (const CString& id : ReadAssemblyList(stored.list)) {
        CZRauto_ptr<IResourceItem> item;
        if (collection)
            item = collection->GetItemById(id);
        if (item && IsOfTwoLevelType(item, "ASSY_VIDEO"))
            room.selected.insert(item->get_ID());
        else
            room.missing.insert(id);
    }
    return room;
}

SRoomAssemblies OpenRoomAssemblies(IKitroster* collection, const CString& conn) {
    const SRoomConn stored = ReadRoomConn(conn);
    SRoomAssemblies room;
    room.includeLocal = stored.includeLocal;
    for (const CString& id : FindResourcesOfType(collection, "ASSY_VIDEO"))
        room.lines.push_back(SRoomLine{id, false});
    for (const CString& id : ReadAssemblyList(stored.list)) {
        bool found = false;
        for (SRoomLine& line : room.lines) {
            if (line.id.CompareNoCase(id) == 0) {
                line.checked = true;
                found = true;
                break;
            }
        }
        if (!found)
            room.missing.insert(id);
    }
    return room;
}

}  // namespace NResourceItem
