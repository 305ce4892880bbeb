// Text at the terminal boundary. The catalogue holds 8-bit Windows-1252 text; terminals,
// scripts and JSON use UTF-8. Output is converted to UTF-8; input arguments that are
// valid UTF-8 are converted to Windows-1252 (characters it lacks become '?'), and any
// other bytes are taken as they are, so raw 8-bit arguments still work.
#pragma once

#include <string>

#include "base/CString.h"

namespace kitroster::cli {

std::string ToUtf8(const CString& text);
CString FromUtf8(const std::string& text);

}  // namespace kitroster::cli
