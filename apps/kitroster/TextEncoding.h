// Text at the terminal boundary. The catalogue holds 8-bit Windows-1252 text; terminals,
// scripts and JSON use UTF-8. Output is converted to UTF-8; input arguments that are
// valid UTF-8 are converted to Windows-1252, and any other bytes are taken as they are, so
// raw 8-bit arguments still work. An argument holding a character Windows-1252 lacks is
// refused, never stored with a '?' in its place: FromUtf8 throws std::runtime_error with
// the import's message, naming `what` (the argument itself, quoted, when empty), and main
// reports it with exit 1.
#pragma once

#include <string>

#include "base/CString.h"

namespace kitroster::cli {

std::string ToUtf8(const CString& text);
CString FromUtf8(const std::string& text, const std::string& what = "");

// A field of a peer's file as `list` and `show` print it: on a terminal, with its control
// characters escaped (\x1B for ESC), so that the file cannot drive the terminal; to a pipe
// or a file, unchanged, so that scripts read the stored text.
CString ForTerminal(const CString& text);

}  // namespace kitroster::cli
