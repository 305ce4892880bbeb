// The site graph's DOT text drawn as SVG by Graphviz's "dot" program, started without a
// shell through the process launcher. The launcher gives the program no pipes, so the text
// goes through two temporary files of `tempFolder` (made exclusively, removed afterwards).
#pragma once

#include <string>

#include "base/CString.h"
#include "base/KitrosterExport.h"
#include "platform/process/ProcessLauncher.h"

namespace NResourceItem {

// Draws `dot` as SVG into `*svg`. False with a message in `*error` when the temporary files
// could not be written or read, "dot" is not installed or it failed (its own messages go to
// standard error). Files go through the application's Env; `tempFolder` must be absolute.
KITROSTER_API bool RenderDotAsSvg(
    const std::string& dot, const std::string& tempFolder, std::string* svg, CString* error,
    kitroster::IProcessLauncher& launcher = kitroster::PosixProcessLauncher());

}  // namespace NResourceItem
