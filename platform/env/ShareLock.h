// Windows share modes emulated with open-file-description (OFD) advisory locks.
//
// Every handle with read or write access holds shared locks on reserved one-byte ranges
// far beyond any real file data: one range per access it has ("has read", "has write")
// and one per access it refuses to share ("denies read", "denies write"). An open
// conflicts when another handle denies an access it asks for, or holds an access it
// refuses to share. Shared locks never block each other, so the locks only record the
// handles; conflicts are found by testing the ranges (F_OFD_GETLK), which sees the locks
// of every other open file description, in this process or another one.
//
// The locks are taken first and tested afterwards, so of two racing opens at least one
// sees the other: both may fail, never both succeed. They go away with the last file
// descriptor of the open file description (close, or process end).
#pragma once

#include <string>

#include "platform/env/EnvStatus.h"

namespace kitroster {

// Records a handle opened on `fd` with `access` (FileAccess) and `share` (FileShare) and
// checks it against the other handles of the file. REQUIRES: `fd` is open for reading
// when `access` is not kAccessNone. On a conflict the handle's locks are dropped and
// kErrorSharingViolation naming `path` is returned. A file system without OFD locks
// (some network file systems) gives no emulation and success.
EnvStatus AcquireShareLocks(int fd, unsigned access, unsigned share, const std::string& path);

}  // namespace kitroster
