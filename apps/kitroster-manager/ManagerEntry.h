// The manager window entry point of kitroster-manager: the Resource Manager to manage the
// catalogue, or to pick one resource from it.
#pragma once

#include <optional>
#include <string>

#include "apps/kitroster-manager/ManagerOptions.h"

namespace kitroster::manager {

// Runs the window as options say; the exit code. After a pick closed with a choice,
// `*selected` holds the chosen identifier (UTF-8).
int RunManagerWindow(const SManagerOptions& options, std::optional<std::string>* selected);

}  // namespace kitroster::manager
