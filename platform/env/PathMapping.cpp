#include "platform/env/PathMapping.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace kitroster {
namespace {

bool IsForbiddenByte(unsigned char c) {
    return c < 0x20 || std::strchr("<>\"|*?", c) != nullptr;
}

std::vector<std::string> SplitComponents(const std::string& text) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('/', start);
        if (end == std::string::npos)
            end = text.size();
        if (end > start)
            parts.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

EnvStatus MapUnc(const std::string& original, const std::string& afterSlashes,
                 const std::string& uncRoot, std::string* native) {
    std::vector<std::string> parts = SplitComponents(afterSlashes);
    if (parts.empty()) {
        return EnvStatus::Error(kErrorInvalidName, 0, "UNC path without server name: " + original);
    }
    std::vector<std::string> kept;
    for (size_t i = 0; i < parts.size(); ++i) {
        const std::string& part = parts[i];
        const bool dots = part == "." || part == "..";
        if (i < 2) {
            // Server and share name the network location; dots there would let the text
            // escape the UNC root.
            if (dots) {
                return EnvStatus::Error(kErrorBadNetPath, 0, "bad network path: " + original);
            }
            kept.push_back(part);
        } else if (part == "..") {
            if (kept.size() > 2)
                kept.pop_back();
        } else if (part != ".") {
            kept.push_back(part);
        }
    }
    std::string result = uncRoot;
    while (result.size() > 1 && result.back() == '/')
        result.pop_back();
    if (result == "/")
        result.clear();
    for (const std::string& part : kept)
        result += "/" + part;
    if (afterSlashes.back() == '/')
        result += '/';
    *native = std::move(result);
    return EnvStatus::Ok();
}

// Unicode code points of the Windows-1252 bytes 0x80 to 0x9F; 0 where the code page
// leaves the byte undefined (it then stands for the C1 control of that value).
constexpr uint16_t kHighBytes[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

uint32_t CodePointOf(unsigned char byte) {
    if (byte >= 0x80 && byte <= 0x9F && kHighBytes[byte - 0x80] != 0)
        return kHighBytes[byte - 0x80];
    return byte;
}

// The Windows-1252 byte of `cp`, or -1 when the code page lacks it.
int ByteOf(uint32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF))
        return static_cast<int>(cp);
    for (int i = 0; i < 32; ++i) {
        if (kHighBytes[i] == cp || (kHighBytes[i] == 0 && cp == 0x80u + i))
            return 0x80 + i;
    }
    return -1;
}

}  // namespace

std::string Cp1252ToUtf8(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (const char ch : text) {
        const uint32_t cp = CodePointOf(static_cast<unsigned char>(ch));
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
    return out;
}

std::string UnheldTextMessage(const std::string& what) {
    return what + " is not UTF-8 text or holds a character Windows-1252 does not have";
}

bool Utf8ToCp1252(const std::string& utf8, std::string* text, char substitute) {
    text->clear();
    for (size_t i = 0; i < utf8.size();) {
        const unsigned char lead = static_cast<unsigned char>(utf8[i]);
        int extra = 0;
        uint32_t cp = lead;
        if (lead >= 0x80) {
            if ((lead & 0xE0) == 0xC0) {
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
        }
        for (int k = 1; k <= extra; ++k) {
            if (i + k >= utf8.size())
                return false;
            const unsigned char next = static_cast<unsigned char>(utf8[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (next & 0x3F);
        }
        static constexpr uint32_t kMinimum[4] = {0, 0x80, 0x800, 0x10000};
        if (cp < kMinimum[extra] || cp > 0x10FFFF)
            return false;
        const int byte = ByteOf(cp);
        if (byte < 0 && substitute == 0)
            return false;
        *text += byte < 0 ? substitute : static_cast<char>(byte);
        i += 1 + extra;
    }
    return true;
}

EnvStatus MapWindowsPath(const std::string& path, const std::string& uncRoot, std::string* native) {
    native->clear();
    if (path.empty())
        return EnvStatus::Error(kErrorPathNotFound, 0, "empty path");

    std::string text = path;
    for (char& c : text) {
        if (c == '\\')
            c = '/';
    }
    // Long-path prefixes: "\\?\UNC\server\share" and "\\?\<path>".
    if (text.rfind("//?/", 0) == 0) {
        text.erase(0, 4);
        if (text.size() >= 4 && (text[0] == 'U' || text[0] == 'u') &&
            (text[1] == 'N' || text[1] == 'n') && (text[2] == 'C' || text[2] == 'c') &&
            text[3] == '/') {
            text.replace(0, 4, "//");
        }
        if (text.empty())
            return EnvStatus::Error(kErrorInvalidName, 0, "invalid path: " + path);
    }
    for (unsigned char c : text) {
        if (IsForbiddenByte(c)) {
            return EnvStatus::Error(kErrorInvalidName, 0, "invalid character in path: " + path);
        }
    }
    if (text.rfind("//./", 0) == 0) {
        return EnvStatus::Error(kErrorPathNotFound, 0, "device paths are not reachable: " + path);
    }
    const unsigned char first = static_cast<unsigned char>(text[0]);
    if (text.size() >= 2 && text[1] == ':' &&
        ((first >= 'A' && first <= 'Z') || (first >= 'a' && first <= 'z'))) {
        return EnvStatus::Error(kErrorPathNotFound, 0,
                                "drive-letter paths are not reachable here: " + path);
    }
    if (text.rfind("//", 0) == 0)
        return MapUnc(path, text.substr(2), uncRoot, native);
    *native = std::move(text);
    return EnvStatus::Ok();
}

}  // namespace kitroster
