// Windows wildcard matching of file names, as a directory search does it.
#pragma once

#include <string>

namespace kitroster {

// Whether `name` matches `pattern`: '*' matches any run of bytes (also none), '?' exactly
// one byte, every other byte itself without regard to case (ASCII and Windows-1252 letters,
// so "_res_*.ZRR" matches "_RES_X.zrr"). "*.*" matches every name, with or without a dot,
// as on Windows. '[' and ']' are ordinary bytes. Matching sees the long name only: the
// Windows quirk by which "*.zrr" also finds "x.zrrx" through its 8.3 short name is not
// reproduced, since short names are an artefact of one file system.
// Thread-safety: a pure function.
bool MatchWildcard(const std::string& pattern, const std::string& name);

}  // namespace kitroster
