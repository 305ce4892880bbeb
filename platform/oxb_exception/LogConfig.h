// The logging configuration: which components log which levels, and where entries go.
// Parsed from KITROSTER_LOG-style text or read from the registry; see ZRLog.h for both
// syntaxes.
//
// Thread-safety: plain values and functions.
#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace kitroster {
class CRegistry;
}

namespace kitroster::logging {

inline constexpr uint32_t kDefaultMask = 0x0C;
inline constexpr const char* kRegistryKey = "Software\\Corvent\\Utilities\\Kitroster\\Logging";

struct CLogConfig {
    bool on = true;
    bool toStderr = false;
    uint32_t defaultMask = kDefaultMask;
    std::map<std::string, uint32_t> masks;  // by upper-cased component name
    std::string file;                       // empty: no log file

    uint32_t MaskFor(const std::string& component) const;
};

// Parses comma-separated items; `defaultFile` stands until a "file=" item replaces it.
CLogConfig ParseLogConfig(const std::string& items, const std::string& defaultFile);
// Reads the registry's logging key without creating it. An unavailable registry gives
// the defaults.
CLogConfig ReadLogConfig(CRegistry& registry, const std::string& defaultFile);
// kitroster.log in the folder of `registryFile`.
std::string DefaultLogFile(const std::string& registryFile);

}  // namespace kitroster::logging
