#include "apps/kitroster/TextEncoding.h"

#include <unistd.h>

#include <algorithm>
#include <stdexcept>

#include "base/ControlEscape.h"
#include "platform/env/PathMapping.h"

namespace kitroster::cli {

std::string ToUtf8(const CString& text) {
    return Cp1252ToUtf8(text.str());
}

CString FromUtf8(const std::string& text, const std::string& what) {
    std::string out;
    if (!Utf8ToCp1252(text, &out, kUnheldCharacter))
        return CString(text);
    // A substitute that was not in the argument stands for a character the code page lacks.
    if (std::count(out.begin(), out.end(), kUnheldCharacter) !=
        std::count(text.begin(), text.end(), kUnheldCharacter))
        throw std::runtime_error(UnheldTextMessage(what.empty() ? "'" + text + "'" : what));
    return CString(std::move(out));
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
