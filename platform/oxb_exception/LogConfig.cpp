#include "platform/oxb_exception/LogConfig.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include "platform/registry/Registry.h"

namespace kitroster::logging {

namespace {

std::string Upper(std::string text) {
    for (char& ch : text) {
        if (ch >= 'a' && ch <= 'z')
            ch = static_cast<char>(ch - 'a' + 'A');
    }
    return text;
}

std::string Trim(const std::string& text) {
    size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// A mask in C notation (0x2d, 45, 055); false unless the whole text is one number that
// fits in 32 bits.
bool ParseMask(const std::string& text, uint32_t* mask) {
    if (text.empty() || text[0] == '-' || text[0] == '+')
        return false;
    char* end = nullptr;
    errno = 0;
    unsigned long long value = std::strtoull(text.c_str(), &end, 0);
    if (errno != 0 || *end != '\0' || value > 0xFFFFFFFFull)
        return false;
    *mask = static_cast<uint32_t>(value);
    return true;
}

}  // namespace

uint32_t CLogConfig::MaskFor(const std::string& component) const {
    auto it = masks.find(Upper(component));
    return it != masks.end() ? it->second : defaultMask;
}

CLogConfig ParseLogConfig(const std::string& items, const std::string& defaultFile) {
    CLogConfig config;
    config.file = defaultFile;
    size_t start = 0;
    while (start <= items.size()) {
        size_t end = items.find(',', start);
        if (end == std::string::npos)
            end = items.size();
        std::string item = Trim(items.substr(start, end - start));
        start = end + 1;
        size_t eq = item.find('=');
        if (eq == std::string::npos) {
            std::string word = Upper(item);
            if (word == "OFF")
                config.on = false;
            if (word == "STDERR")
                config.toStderr = true;
            continue;
        }
        std::string name = Trim(item.substr(0, eq));
        std::string value = Trim(item.substr(eq + 1));
        if (Upper(name) == "FILE") {
            config.file = value;
            continue;
        }
        uint32_t mask = 0;
        if (name.empty() || !ParseMask(value, &mask))
            continue;
        if (name == "*") {
            config.defaultMask = mask;
        } else {
            config.masks[Upper(name)] = mask;
        }
    }
    return config;
}

CLogConfig ReadLogConfig(CRegistry& registry, const std::string& defaultFile) {
    CLogConfig config;
    config.file = defaultFile;
    for (const RegValue& value : registry.EnumValues(kRegistryKey)) {
        if (value.type == RegType::kString) {
            if (Upper(value.name) == "LOGFILE")
                config.file = value.text;
        } else if (value.name == "*") {
            config.defaultMask = value.dword;
        } else if (!value.name.empty()) {
            config.masks[Upper(value.name)] = value.dword;
        }
    }
    return config;
}

std::string DefaultLogFile(const std::string& registryFile) {
    std::filesystem::path folder = std::filesystem::path(registryFile).parent_path();
    return (folder / "kitroster.log").string();
}

}  // namespace kitroster::logging
