// The site key that seals stored passwords.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace kxcommon {

constexpr size_t kSiteKeyBytes = 32;
using SiteKey = std::array<uint8_t, kSiteKeyBytes>;

// Parses a key file's contents: exactly 32 raw bytes, or 64 hexadecimal digits with
// optional surrounding white space. False for anything else.
bool ParseSiteKey(const std::string& contents, SiteKey* key);

// The site key in effect (see KXCommon.h for the order of the sources). Logs a warning
// under "KITROSTER" when a configured key file cannot be used.
SiteKey LoadSiteKey();

}  // namespace kxcommon
