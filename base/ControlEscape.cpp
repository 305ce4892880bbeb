#include "base/ControlEscape.h"

#include <cstdio>

namespace kitroster {

namespace {

bool IsUndefinedIn1252(unsigned char byte) {
    return byte == 0x81 || byte == 0x8D || byte == 0x8F || byte == 0x90 || byte == 0x9D;
}

}  // namespace

void AppendControlEscaped(std::string* out, std::string_view text, bool windows1252) {
    for (const char ch : text) {
        const auto byte = static_cast<unsigned char>(ch);
        if (byte >= 0x20 && byte != 0x7F && !(windows1252 && IsUndefinedIn1252(byte))) {
            *out += ch;
        } else if (byte == '\n') {
            *out += "\\n";
        } else if (byte == '\r') {
            *out += "\\r";
        } else if (byte == '\t') {
            *out += "\\t";
        } else {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02X", byte);
            *out += hex;
        }
    }
}

}  // namespace kitroster
