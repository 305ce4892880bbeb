#include "apps/kitroster/TextEncoding.h"

#include <cstdint>

namespace kitroster::cli {
namespace {

// Unicode code points of the Windows-1252 bytes 0x80 to 0x9F; 0 where the code page
// leaves the byte undefined (it is then passed through as the C1 control of that value).
constexpr uint16_t kHighControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

uint32_t CodePointOf(unsigned char byte) {
    if (byte >= 0x80 && byte <= 0x9F && kHighControls[byte - 0x80] != 0)
        return kHighControls[byte - 0x80];
    return byte;
}

void AppendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

char ByteOf(uint32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF))
        return static_cast<char>(cp);
    for (int i = 0; i < 32; ++i) {
        if (kHighControls[i] == cp || (kHighControls[i] == 0 && cp == 0x80u + i))
            return static_cast<char>(0x80 + i);
    }
    return '?';
}

// Decodes `text` as UTF-8; false when it is not well-formed.
bool DecodeUtf8(const std::string& text, std::string& out) {
    for (size_t i = 0; i < text.size();) {
        const unsigned char lead = static_cast<unsigned char>(text[i]);
        int extra = 0;
        uint32_t cp = 0;
        if (lead < 0x80) {
            cp = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            extra = 1;
            cp = lead & 0x1F;
        } else if ((lead & 0xF0) == 0xE0) {
            extra = 2;
            cp = lead & 0x0F;
        } else if ((lead & 0xF8) == 0xF0) {
            extra = 3;
            cp = lead & 0x07;
        } else {
            return false;
        }
        for (int k = 1; k <= extra; ++k) {
            if (i + k >= text.size())
                return false;
            const unsigned char next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (next & 0x3F);
        }
        static constexpr uint32_t kMinimum[4] = {0, 0x80, 0x800, 0x10000};
        if (cp < kMinimum[extra] || cp > 0x10FFFF)
            return false;
        out += ByteOf(cp);
        i += 1 + extra;
    }
    return true;
}

}  // namespace

std::string ToUtf8(const CString& text) {
    std::string out;
    out.reserve(text.GetLength());
    for (char ch : text.str())
        AppendUtf8(out, CodePointOf(static_cast<unsigned char>(ch)));
    return out;
}

CString FromUtf8(const std::string& text) {
    std::string out;
    if (DecodeUtf8(text, out))
        return CString(std::move(out));
    return CString(text);
}

}  // namespace kitroster::cli
