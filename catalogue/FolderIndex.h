// Process-wide index of catalogue folders: answers "which item does a full Load give for
// this identifier" without reading every resource file each time.
//
// For each folder path the index remembers, per "_RES_*.zrr" file, its size and
// modification time and what the file gave: the item's upper-cased identifier and text, or
// "skipped" (another schema, or no identifier). A lookup lists the folder once and stats
// each file once; it reads only files that are new or whose size or modification time
// changed, and forgets files that are gone. Where the Env can watch the folder
// (Env::WatchFolder: local file systems), a watch made before the listing spares the next
// lookups any listing until it sees a change, as long as that listing read every file,
// each settled (below) and without another name (a link) through which it could change
// unseen; otherwise every lookup lists the folder. The answer follows the collection's Load: the
// same files count, only schema RES_SCHEMA is accepted, identifiers are compared
// upper-cased, and when several files carry one identifier the last in folder order wins.
//
// A file whose modification time was less than kSettleTime old when it was read (or lies
// in the future) is read again at every lookup until a read happens after it settled: a
// rewrite within the same timestamp tick with the same size is invisible to a stat.
// A file that could not be read is not remembered, so it is tried again next time. A file
// that becomes unreadable without a change in size or time (its permissions) keeps giving
// what it gave when last read, where a full Load would skip it.
//
// Every file operation and the clock go through the application's Env.
//
// Thread-safety: safe for concurrent use; one mutex serialises lookups.
#pragma once

#include <cstdint>

#include "base/CString.h"
#include "catalogue/ResourceItem.h"
#include "catalogue/ZRunknown.h"

namespace NResourceItem {

// How old a modification time must be, at the time a file is read, for a stat to be
// trusted to notice any later change (file times of some file systems tick every 2 s).
inline constexpr uint64_t kFolderIndexSettleTime = 2 * 10000000ULL;  // 100 ns units

// The item a full Load of `folder` gives for `id` (case ignored), as a new clean item; an
// empty handle when Load would not have it (or `id` is empty).
CZRauto_ptr<IResourceItem> FindInFolderIndex(const CString& folder, const CString& id);

// Forgets every folder (tests start from an empty index with it).
void ClearFolderIndex();

}  // namespace NResourceItem
