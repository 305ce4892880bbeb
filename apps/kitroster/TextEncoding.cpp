#include "apps/kitroster/TextEncoding.h"

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

}  // namespace kitroster::cli
