#include "dialog_framework/script/ScriptLine.h"

#include "platform/env/PathMapping.h"

namespace kitroster {

bool SplitScriptLine(const std::string& utf8, SScriptLine* line, std::string* error) {
    line->words.clear();
    size_t i = 0, n = utf8.size();
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (i < n && blank(utf8[i]))
        ++i;
    if (i == n || utf8[i] == '#')
        return true;
    while (i < n) {
        std::string word;
        if (utf8[i] == '"') {
            ++i;
            bool closed = false;
            while (i < n) {
                char c = utf8[i++];
                if (c == '"') {
                    closed = true;
                    break;
                }
                if (c != '\\') {
                    word += c;
                    continue;
                }
                if (i == n)
                    break;
                char e = utf8[i++];
                switch (e) {
                    case '"':
                        word += '"';
                        break;
                    case '\\':
                        word += '\\';
                        break;
                    case 'n':
                        word += '\n';
                        break;
                    case 't':
                        word += '\t';
                        break;
                    default:
                        *error = std::string("unknown escape \\") + e;
                        return false;
                }
            }
            if (!closed) {
                *error = "unclosed quote";
                return false;
            }
            if (i < n && !blank(utf8[i])) {
                *error = "a quoted word must be followed by a blank";
                return false;
            }
        } else {
            while (i < n && !blank(utf8[i]))
                word += utf8[i++];
        }
        std::string text;
        // As a person's typing reaches a dialog: a character the code page lacks is marked.
        if (!Utf8ToCp1252(word, &text, kUnheldCharacter)) {
            *error = "the line is not UTF-8";
            return false;
        }
        line->words.emplace_back(std::move(text));
        while (i < n && blank(utf8[i]))
            ++i;
    }
    return true;
}

}  // namespace kitroster
