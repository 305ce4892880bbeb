#include "platform/kxcommon/SiteKey.h"

#include <sodium.h>

#include <cstdlib>

#include "platform/app/KitrosterApp.h"
#include "platform/env/Env.h"
#include "platform/oxb_exception/ZRLogSite.h"
#include "platform/registry/Registry.h"

static CZRLogSite s_log("KITROSTER");

namespace kxcommon {
namespace {

const char kDefaultKeyFile[] = "/etc/kitroster/site.key";
const char kKitrosterKey[] = "Software\\Corvent\\Utilities\\Kitroster";

// Used when no key file is configured. It is in every copy of this library, so it only
// keeps passwords from being readable at a glance.
constexpr SiteKey kBuiltInKey = {0x4b, 0x58, 0x31, 0x9e, 0x27, 0xc4, 0x6a, 0x13, 0xd8, 0x5f, 0x82,
                                 0x3b, 0xe1, 0x70, 0x0c, 0xa9, 0x56, 0xf2, 0x1d, 0x8b, 0x34, 0xc7,
                                 0x69, 0x05, 0xbe, 0x92, 0x4e, 0xd3, 0x17, 0xa0, 0x6f, 0x28};

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

enum class EKeyFile { kRead, kAbsent, kUnusable };

// Reads a key file. A file that is not there at all is kAbsent; one that is there (or is
// required) but cannot be read or parsed is kUnusable and logged as a failure.
EKeyFile ReadKeyFile(const std::string& path, bool mustExist, SiteKey* key) {
    std::string contents;
    kitroster::EnvStatus status = GetKitrosterApp().GetEnv()->ReadFileToString(path, &contents);
    if (!status.ok()) {
        const bool absent = status.error() == kitroster::kErrorFileNotFound ||
                            status.error() == kitroster::kErrorPathNotFound;
        if (absent && !mustExist)
            return EKeyFile::kAbsent;
        ZR_LOG(s_log, ZRLOG_FAILURE, "LoadSiteKey() cannot read the site key file: %s",
               status.ToString().c_str());
        return EKeyFile::kUnusable;
    }
    const bool parsed = ParseSiteKey(contents, key);
    sodium_memzero(contents.data(), contents.size());
    if (!parsed) {
        ZR_LOG(s_log, ZRLOG_FAILURE,
               "LoadSiteKey() site key file %s holds neither 32 bytes nor 64 hex digits",
               path.c_str());
        return EKeyFile::kUnusable;
    }
    return EKeyFile::kRead;
}

}  // namespace

bool ParseSiteKey(const std::string& contents, SiteKey* key) {
    if (contents.size() == kSiteKeyBytes) {
        std::copy(contents.begin(), contents.end(), key->begin());
        return true;
    }
    const size_t first = contents.find_first_not_of(" \t\r\n");
    const size_t last = contents.find_last_not_of(" \t\r\n");
    if (first == std::string::npos || last - first + 1 != 2 * kSiteKeyBytes)
        return false;
    for (size_t i = 0; i < kSiteKeyBytes; ++i) {
        int high = HexDigit(contents[first + 2 * i]);
        int low = HexDigit(contents[first + 2 * i + 1]);
        if (high < 0 || low < 0)
            return false;
        (*key)[i] = static_cast<uint8_t>(high * 16 + low);
    }
    return true;
}

std::optional<SiteKey> LoadSiteKey() {
    SiteKey key{};
    std::string configured;
    if (const char* forced = std::getenv("KITROSTER_SITE_KEY_FILE"); forced && *forced) {
        configured = forced;
    } else {
        GetKitrosterApp().GetRegistry().QueryString(kKitrosterKey, "SiteKeyFile", &configured);
    }
    const EKeyFile result = configured.empty() ? ReadKeyFile(kDefaultKeyFile, false, &key)
                                               : ReadKeyFile(configured, true, &key);
    switch (result) {
        case EKeyFile::kRead:
            return key;
        case EKeyFile::kAbsent:
            return kBuiltInKey;
        default:
            return std::nullopt;
    }
}

}  // namespace kxcommon
