// The ini reader on arbitrary text: it never crashes, values come back trimmed and on
// one line.
#include <cstdint>
#include <optional>
#include <string>

#include "fuzz/common/FuzzCheck.h"
#include "sync/config/IniFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    ZRSYNC::CIniFile ini(text);
    // Look up every "key" the text could name in every section it could name.
    size_t start = 0;
    std::string section;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        size_t first = line.find_first_not_of(" \t\r");
        if (first != std::string::npos && line[first] == '[') {
            size_t close = line.find(']', first);
            section = line.substr(
                first + 1, close == std::string::npos ? std::string::npos : close - first - 1);
            continue;
        }
        size_t equals = line.find('=');
        if (equals == std::string::npos)
            continue;
        const std::string key = line.substr(0, equals);
        std::optional<std::string> value = ini.GetString(section, key);
        if (!value)
            continue;
        FUZZ_CHECK(value->find('\n') == std::string::npos, "value holds a line break");
        FUZZ_CHECK(value->empty() || (value->front() != ' ' && value->back() != ' '),
                   "value '%s' not trimmed", value->c_str());
        (void)ini.GetInt(section, key, -1);
    }
    return 0;
}
