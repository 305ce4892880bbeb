// File helpers of the catalogue, all on the catalogue's Env. Internal: not exported.
//
// Thread-safety: safe for concurrent use on different files.
#pragma once

#include <string>

#include "platform/env/EnvStatus.h"

namespace kitroster {
class Env;
}

namespace NResourceItem {

// Reads the whole file with one open and, normally, one read. Fails with the Env's
// status; `*contents` then holds what was read before the failure.
kitroster::EnvStatus ReadWholeFile(kitroster::Env* env, const std::string& path,
                                   std::string* contents);

// The folder part of `path` (before the last '\' or '/'), empty for a bare name.
std::string FolderOfPath(const std::string& path);

// Replaces `path` atomically with `contents`: writes a sibling temporary file whose name
// starts with ".~" and ends in ".tmp" (so "_RES_*.zrr" never matches it), syncs it, renames
// it over `path` and syncs the folder. On failure the temporary file is removed, an
// existing `path` keeps its old content unless the final folder sync failed, and the
// status says what failed.
kitroster::EnvStatus WriteFileAtomically(kitroster::Env* env, const std::string& path,
                                         const std::string& contents);

}  // namespace NResourceItem
