// Reading a secret (a password) from standard input without showing it.
#pragma once

#include <string>

namespace kitroster::cli {

// One line of standard input without its line end. On a terminal the prompt goes to
// stderr and the typed characters are not echoed. False at end of input before any line.
bool ReadSecretLine(const char* prompt, std::string* secret);

}  // namespace kitroster::cli
