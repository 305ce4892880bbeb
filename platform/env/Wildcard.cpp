#include "platform/env/Wildcard.h"

namespace kitroster {
namespace {

// Upper case of a Windows-1252 byte.
unsigned char Fold(unsigned char c) {
    if (c >= 'a' && c <= 'z')
        return c - 0x20;
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7)
        return c - 0x20;
    switch (c) {
        case 0x9A:
            return 0x8A;
        case 0x9C:
            return 0x8C;
        case 0x9E:
            return 0x8E;
        case 0xFF:
            return 0x9F;
        default:
            return c;
    }
}

}  // namespace

bool MatchWildcard(const std::string& pattern, const std::string& name) {
    if (pattern == "*.*")
        return true;
    size_t p = 0;
    size_t n = 0;
    size_t starP = std::string::npos;  // position after the last '*' seen
    size_t starN = 0;                  // where that '*' started matching in the name
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = ++p;
            starN = n;
        } else if (p < pattern.size() &&
                   (pattern[p] == '?' || Fold(static_cast<unsigned char>(pattern[p])) ==
                                             Fold(static_cast<unsigned char>(name[n])))) {
            ++p;
            ++n;
        } else if (starP != std::string::npos) {
            // Let the last '*' swallow one more byte and retry from there.
            p = starP;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

}  // namespace kitroster
