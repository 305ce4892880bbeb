// File helpers on any Env: read a whole file with a size limit, replace a file atomically.
// Every module that reads or writes whole files uses these, so that limits and the safe
// replacement sequence live in one place.
//
// Thread-safety: safe for concurrent use on different files.
#pragma once

#include <cstdint>
#include <string>

#include "platform/env/EnvStatus.h"

namespace kitroster {

class Env;
struct FileInfo;

// Reads the whole file with one open and, normally, one read. A file larger than
// `maxBytes` is refused with kErrorFileTooLarge before anything is read, and a file that
// grows past the limit while it is read is refused too, so a hostile file never costs
// more memory than the limit. Fails with the Env's status; `*contents` then holds what
// was read before the failure. `info` (may be null) receives what the open file reported
// before the read, which tells later whether the file was replaced since.
KR_ENV_API EnvStatus ReadFileWhole(Env* env, const std::string& path, uint64_t maxBytes,
                                   std::string* contents, FileInfo* info = nullptr);

// The folder part of `path` (before the last '\' or '/'), empty for a bare name.
KR_ENV_API std::string FolderOfPath(const std::string& path);

// Replaces `path` atomically with `contents`: creates a sibling temporary file whose name
// starts with ".~" and ends in ".tmp" (so no "_RES_*.zrr" or "*.mfs" pattern matches it)
// exclusively and never through a link, gives the open file the mode and owner of an
// existing `path` (IFile::SetOwnerAndMode, before any content), writes and syncs it,
// renames it over `path` (refused when the temporary name no longer holds that file) and
// syncs the folder. On failure the temporary file is removed, an existing `path` keeps its
// old content unless the final folder sync failed, and the status says what failed.
KR_ENV_API EnvStatus WriteFileAtomically(Env* env, const std::string& path,
                                         const std::string& contents);

}  // namespace kitroster
