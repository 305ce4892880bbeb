#include "apps/kitroster/TextEncoding.h"

#include <unistd.h>

#include "base/ControlEscape.h"
#include "platform/env/PathMapping.h"

namespace kitroster::cli {

std::string ToUtf8(const CString& text) {
    return Cp1252ToUtf8(text.str());
}

CString FromUtf8(const std::string& text) {
    std::string out;
    if (Utf8ToCp1252(text, &out, '?'))
        return CString(std::move(out));
    return CString(text);
}

CString ForTerminal(const CString& text) {
    static const bool terminal = ::isatty(STDOUT_FILENO) != 0;
    if (!terminal)
        return text;
    std::string escaped;
    AppendControlEscaped(&escaped, text.str(), /*windows1252=*/true);
    return CString(std::move(escaped));
}

}  // namespace kitroster::cli
