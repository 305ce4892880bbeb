// The references a resource's connectivity makes to other resources by identifier, read
// the way the room editor and the linked resource check read them: every element of
// "RES_ASSYLIST", the assembly links "RES_SERVER", "RES_CAMERA" and "RES_CAMERA2", and a
// server's "SERVER" when it names another resource of the catalogue instead of a machine.
// The site graph and the health check both walk the site through this one reading.
//
// Thread-safety: as safe as the collection passed in (one thread at a time).
#pragma once

#include <vector>

#include "base/CString.h"
#include "base/KitrosterExport.h"
#include "catalogue/Kitroster.h"

namespace NResourceItem {

struct KITROSTER_API SResourceReference {
    CString property;     // "RES_ASSYLIST", "RES_SERVER", "RES_CAMERA", "RES_CAMERA2", "SERVER"
    CString target;       // the identifier as written (trimmed)
    bool exists = false;  // a resource of the collection has that identifier (case ignored)
};

// The references of `item` in property order, list elements in list order. Empty values
// and "(local)" (the machine itself) are no reference. "SERVER" counts only when it names
// an existing resource other than `item` itself; any other value is a machine name, so a
// "SERVER" reference never has `exists` false. A null item gives nothing; a null
// collection knows no resource.
KITROSTER_API std::vector<SResourceReference> ListReferences(IKitroster* collection,
                                                             IResourceItem* item);

}  // namespace NResourceItem
