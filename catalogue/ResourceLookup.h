// Reading one resource by identifier without loading the whole catalogue when possible.
//
// A resource is normally saved in its own file "_RES_<ID>.zrr". ReadResourceById reads
// that file first (the identifier as given, then upper-cased when that differs) and uses
// it when it holds schema RES_SCHEMA and carries the wanted identifier (compared after
// upper-casing, as the collection compares). Otherwise - no such file, another identifier
// inside, another schema, a read error, or an identifier that cannot be a file name - it
// looks the identifier up as a full load of the catalogue folder would (the folder index,
// FolderIndex.h, reads only files that changed), so both ways give the same item. The one
// difference: when several files carry the same identifier, the full load keeps the last
// one in folder order, while the own file wins here.
//
// Every file operation goes through the application's Env.
//
// Thread-safety: safe for concurrent use; each call works on its own objects.
#pragma once

#include "base/CString.h"
#include "base/KitrosterExport.h"
#include "catalogue/ResourceItem.h"
#include "catalogue/ZRunknown.h"

namespace NResourceItem {

// The item `id` of the catalogue folder, detached from any collection and clean; an empty
// handle when the catalogue has no such identifier (or `id` is empty).
KITROSTER_API CZRauto_ptr<IResourceItem> ReadResourceById(const CString& id);

}  // namespace NResourceItem
