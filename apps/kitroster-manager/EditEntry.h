// The edit entry points of kitroster-manager: the edit dialog on one resource, or on a new
// one, exactly as the manager's Edit and New commands open it, and the catalogue saved
// when it closes with OK.
#pragma once

#include "apps/kitroster-manager/ManagerOptions.h"

namespace kitroster::manager {

// Runs the dialog; the exit code (kExitOk only when it closed with OK and the save
// wrote everything). Script endings pass through as CScriptEnded and CScriptError.
int RunEditEntry(const SManagerOptions& options);

}  // namespace kitroster::manager
