#include "profile_res/Utf16.h"

#include <cstdlib>

namespace kitroster::profile {

CUtf8Path::CUtf8Path(const char16_t* text) {
    if (text == nullptr || *text == 0) {
        return;
    }
    std::size_t units = 0;
    while (text[units] != 0) {
        ++units;
    }
    // Each UTF-16 unit becomes at most 3 bytes; a surrogate pair (2 units) becomes 4.
    char* out = static_cast<char*>(std::malloc(units * 3 + 1));
    if (out == nullptr) {
        return;
    }
    std::size_t n = 0;
    for (std::size_t i = 0; i < units; ++i) {
        char32_t cp = text[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[++i] - 0xDC00);
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            std::free(out);
            return;
        }
        if (cp < 0x80) {
            out[n++] = static_cast<char>(cp);
        } else if (cp < 0x800) {
            out[n++] = static_cast<char>(0xC0 | (cp >> 6));
            out[n++] = static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out[n++] = static_cast<char>(0xE0 | (cp >> 12));
            out[n++] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out[n++] = static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out[n++] = static_cast<char>(0xF0 | (cp >> 18));
            out[n++] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out[n++] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out[n++] = static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    out[n] = 0;
    m_text = out;
}

CUtf8Path::~CUtf8Path() {
    std::free(m_text);
}

}  // namespace kitroster::profile
