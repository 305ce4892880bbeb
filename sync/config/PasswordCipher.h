// The enciphering of the stored share and time-server passwords: "$1$" followed by the
// password sealed with the site key (EncryptPassword of the common services).
#pragma once

#include <string>

namespace ZRSYNC {

// "$1$" + sealed text; empty text for an empty password.
std::string EncipherPassword(const std::string& plain);
// The plain text of an enciphered value. Text that does not begin with "$1$", or has
// fewer than four characters, is returned unchanged; a sealed value that does not open
// (another site key, tampering) gives empty text and a logged warning.
std::string DecipherPassword(const std::string& stored);

// The built-in default password of the suite's default account (11 characters).
const char* DefaultAccountPassword();
constexpr const char* kDefaultAccountName = "zruser";

}  // namespace ZRSYNC
