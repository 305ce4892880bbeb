#include "sync/config/PasswordCipher.h"

#include "platform/kxcommon/KXCommon.h"

namespace ZRSYNC {

namespace {
constexpr char kPrefix[] = "$1$";
constexpr size_t kPrefixLength = sizeof kPrefix - 1;
}  // namespace

std::string EncipherPassword(const std::string& plain) {
    if (plain.empty())
        return std::string();
    CString sealed = EncryptPassword(CString(plain));
    if (sealed.IsEmpty())
        return std::string();
    return kPrefix + std::string(sealed.GetString());
}

std::string DecipherPassword(const std::string& stored) {
    if (stored.size() < kPrefixLength + 1 || stored.compare(0, kPrefixLength, kPrefix) != 0)
        return stored;
    return DecryptPassword(CString(stored.substr(kPrefixLength))).GetString();
}

const char* DefaultAccountPassword() {
    return "Kr-Share#24";
}

}  // namespace ZRSYNC
