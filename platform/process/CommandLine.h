// Splitting a command line into arguments by the Windows quoting rules, so that command
// lines written for Windows machines (and kept in the registry) mean the same here and
// can be started without a shell.
//
// Rules (those of the Microsoft C runtime since 2008):
//   - arguments are separated by blanks and tabs outside double quotes;
//   - the first argument (the program) ends at the next blank or tab; a double quote in
//     it switches quoting on or off and is removed; backslashes in it are literal;
//   - in the other arguments, 2n backslashes followed by '"' give n backslashes and the
//     quote switches quoting; 2n+1 backslashes followed by '"' give n backslashes and a
//     literal '"'; backslashes not followed by '"' are literal;
//   - inside quotes, '""' gives a literal '"' and quoting goes on;
//   - an empty quoted argument ("") is an argument.
// Nothing else is special: no variables, globs, redirections or pipes.
#pragma once

#include <string>
#include <vector>

#define KR_PROCESS_API __attribute__((visibility("default")))

namespace kitroster {

KR_PROCESS_API std::vector<std::string> SplitCommandLine(const std::string& commandLine);

}  // namespace kitroster
