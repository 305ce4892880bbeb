// The site key that seals stored passwords.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace kxcommon {

constexpr size_t kSiteKeyBytes = 32;
using SiteKey = std::array<uint8_t, kSiteKeyBytes>;

// Parses a key file's contents: exactly 32 raw bytes, or 64 hexadecimal digits with
// optional surrounding white space. False for anything else.
bool ParseSiteKey(const std::string& contents, SiteKey* key);

// The site key in effect (see KXCommon.h for the order of the sources). The built-in key
// stands in only when no key file is configured and the default file is absent. A key file
// that is configured (or present) but cannot be read or parsed gives no key at all, with a
// failure logged under "KITROSTER": sealing under the public built-in key instead would
// both weaken the stored passwords and make them unreadable once the real key is back.
std::optional<SiteKey> LoadSiteKey();

}  // namespace kxcommon
