// Renames that a killed process left half done, and finishing them.
//
// A rename saves the resource's file under the new identifier first, then the resources
// that refer to it, and removes the old file last. A process killed in between leaves both
// resources, the new one a copy of the old under another identifier, with the references
// split between them. Such a pair is recognised only when the copy is exact: same type,
// name and capabilities, and a connectivity equal to the old one's, or to the old one's
// with its references to itself renamed. Anything else is a genuine clash and left alone.
//
// The rename command, rerun with the same identifiers, and the health check's repair
// finish it the same way, through FinishRename.
//
// Thread-safety: as safe as the collection passed in (one thread at a time).
#pragma once

#include <vector>

#include "base/CString.h"
#include "base/KitrosterExport.h"
#include "catalogue/Kitroster.h"

namespace kitroster {
class Env;
}

namespace NResourceItem {

// True when `copy` holds what renaming `original` to copy's identifier gives (above).
KITROSTER_API bool IsRenamedCopy(IResourceItem* original, IResourceItem* copy);

// Finishes the rename of `oldId` to `newId` in `collection` (in memory; the caller saves):
// the copy under `newId` is replaced by the old resource renamed, references to `oldId`
// are rewritten when `updateReferences`, and the old resource's file is removed at the
// next save. False, with nothing changed, when the two are not a renamed copy.
KITROSTER_API bool FinishRename(IKitroster* collection, const CString& oldId, const CString& newId,
                                bool updateReferences);

// A rename left half done: the old resource, which still has referrers, and its copy.
struct KITROSTER_API SUnfinishedRename {
    CString oldId;
    CString newId;
    int oldReferrers = 0;   // resources referring to the old identifier
    int newReferrers = 0;   // and to the new one
    bool finished = false;  // finished in the collection by FindUnfinishedRenames
};

// The half-done renames of `collection`, loaded from the catalogue folder: pairs that are
// renamed copies (IsRenamedCopy) where other resources still refer to the old one. The
// copy is the one whose file was written later (file times read through `env`); a pair
// whose files cannot tell is not reported. With `finish`, each is finished in the
// collection (FinishRename, references updated); the caller saves.
KITROSTER_API std::vector<SUnfinishedRename> FindUnfinishedRenames(IKitroster* collection,
                                                                   kitroster::Env* env,
                                                                   bool finish);

}  // namespace NResourceItem
