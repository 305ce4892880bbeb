// Replaces a file with new contents so that readers see either the old file or the complete
// new one, never a partial file.
#pragma once

#include <cstddef>

namespace kitroster::profile {

// Writes size bytes to a temporary sibling of path (same folder, unique name), then renames
// it over path. A symbolic link is written through: its target is replaced and the link
// stays; a link that belongs to neither the caller (effective uid) nor root is refused. Only
// a missing file or a regular file that may be written is replaced, keeping its mode; a file
// with no write bit (read-only, even for root), a folder, a device, a FIFO or a socket is
// refused. Returns true when path holds the new contents. On any failure (refused target,
// folder missing, short write, no space) returns false, removes the temporary file and
// leaves path untouched. Data is not fsynced: the replacement is atomic against a failing
// process, not against a power cut. Thread-safe; concurrent writers to the same path each
// replace it whole, the last rename wins.
bool WriteFileAtomically(const char* path, const void* data, std::size_t size);

}  // namespace kitroster::profile
