// Explains a refused export: the library does not follow a symbolic link that belongs to an
// account other than the caller or root.
#pragma once

#include <optional>
#include <string>

namespace kitroster::profile_cli {

// The first link on the way from path to the file it reaches (last component only, as the
// library resolves it) whose owner is neither the effective user nor root, described as
// "<link> belongs to user <name or uid>". Nullopt when there is none.
std::optional<std::string> FindForeignLink(const std::string& path);

}  // namespace kitroster::profile_cli
