#include "platform/env/PathMapping.h"

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

}  // namespace

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
