// The temporary files interrupted saves leave in the catalogue folder: WriteFileAtomically
// names them ".~<file>.<pid>.<n>.<8 hex digits>.tmp" and removes them itself unless the
// process died between creating and renaming one.
//
// Thread-safety: safe for concurrent use (the Env is).
#pragma once

#include <string>
#include <vector>

#include "base/KitrosterExport.h"
#include "catalogue/doctor/SiteDoctor.h"
#include "platform/env/EnvStatus.h"

namespace NResourceItem {

// True for a name of that form (the lock file ".~catalogue.lock" and any other file are not).
KITROSTER_API bool IsSaveTempFileName(const std::string& name);

// The files of `folder` with such a name whose last write is more than
// kStaleTempFileSeconds before the Env's clock (a file dated in the future is not stale).
// Folders are left out. A name that cannot be joined to the folder (IsUsableListedName)
// is found with its `error` set, so that it is reported and never touched. A missing
// folder has none; another listing failure is returned.
KITROSTER_API kitroster::EnvStatus FindStaleTempFiles(kitroster::Env* env, const CString& folder,
                                                      std::vector<SStaleTempFileFinding>* found);

// Removes each of `files` from `folder` whose `error` is empty, after checking again,
// without following a link, that it is still a stale temporary file and a regular file
// (a link, FIFO or device under such a name stays); sets `removed` or `error` on each.
KITROSTER_API void RemoveStaleTempFiles(kitroster::Env* env, const CString& folder,
                                        std::vector<SStaleTempFileFinding>* files);

}  // namespace NResourceItem
