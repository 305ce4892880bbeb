// One line of a user script, split into words: blanks separate words, a double-quoted word
// may hold blanks and the escapes \" \\ \n \t. Empty lines and lines starting with '#'
// have no words. The text is UTF-8 and comes out as the system's 8-bit text (a character
// the code page lacks becomes '?').
#pragma once

#include <string>
#include <vector>

#include "base/CString.h"

namespace kitroster {

struct SScriptLine {
    int number = 0;  // one-based line number in the script
    std::vector<CString> words;
};

// Splits `utf8`. False, with the reason in `*error`, for an unclosed quote, an unknown
// escape or text that is not UTF-8.
bool SplitScriptLine(const std::string& utf8, SScriptLine* line, std::string* error);

}  // namespace kitroster
