// A small in-memory catalogue for the query tests: items are added to a fresh collection
// without touching any folder.
#pragma once

#include <initializer_list>
#include <vector>

#include "catalogue/Kitroster.h"
#include "catalogue/ResourceItem.h"

namespace NResourceItem {

struct SRow {
    const char* id;
    const char* type;
    const char* conn;
};

inline CZRauto_ptr<IKitroster> MakeCatalogue(std::initializer_list<SRow> rows) {
    CZRauto_ptr<IKitroster> collection = CKitrosterFactory::CreateInstance();
    for (const SRow& row : rows) {
        CZRauto_ptr<IResourceItem> item = CResourceItemFactory::CreateInstance();
        item->set_ID(row.id);
        item->set_Type(row.type);
        item->set_Conn(row.conn);
        collection->Add(item);
    }
    return collection;
}

inline std::vector<CString> Ids(std::initializer_list<const char*> ids) {
    return std::vector<CString>(ids.begin(), ids.end());
}

}  // namespace NResourceItem
