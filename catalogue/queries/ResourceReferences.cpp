#include "catalogue/queries/ResourceReferences.h"

#include "catalogue/ResPropertyBag.h"
#include "catalogue/ResourceItem.h"
#include "catalogue/ResourceType.h"
#include "catalogue/queries/RoomAssemblies.h"

namespace NResourceItem {
namespace {

bool Exists(IKitroster* collection, const CString& id) {
    return collection && !id.IsEmpty() && collection->GetItemById(id);
}

bool IsServer(IResourceItem* item) {
    CString c1, c2, c3;
    ParseType(item->get_Type(), c1, c2, c3);
    return c1.CompareNoCase("SERVER") == 0;
}

bool IsAssemblyLink(const CString& key) {
    return key.CompareNoCase("RES_SERVER") == 0 || key.CompareNoCase("RES_CAMERA") == 0 ||
           key.CompareNoCase("RES_CAMERA2") == 0;
}

}  // namespace

std::vector<SResourceReference> ListReferences(IKitroster* collection, IResourceItem* item) {
    std::vector<SResourceReference> references;
    if (!item)
        return references;
    CZRauto_ptr<IResPropertyBag> bag = CResPropertyBagFactory::CreateInstance(item->get_Conn());
    CString key, value;
    for (int i = 0; bag && bag->Get(i, key, value); ++i) {
        key.MakeUpper();
        if (key == "RES_ASSYLIST") {
            // Listed in written order, as the graph draws them; the room editor's set
            // order matters only to its check.
            for (const CString& element : ReadAssemblyListInOrder(value))
                references.push_back({key, element, Exists(collection, element)});
            continue;
        }
        value.Trim();
        if (value.IsEmpty() || value.CompareNoCase("(local)") == 0)
            continue;
        if (IsAssemblyLink(key)) {
            references.push_back({key, value, Exists(collection, value)});
        } else if (key == "SERVER" && IsServer(item) && value.CompareNoCase(item->get_ID()) != 0 &&
                   Exists(collection, value)) {
            references.push_back({key, value, true});
        }
    }
    return references;
}

}  // namespace NResourceItem
