// CIniFile: the reading side of Windows profile (.ini) files, as GetPrivateProfileInt
// sees them.
//
// "[section]" lines open sections; "key=value" lines inside a section are entries
// (white space around key and value trimmed); lines starting with ';' and lines without
// '=' are ignored; sections and keys compare without regard to case, and the first
// occurrence of a key in a section wins. Any bytes are accepted (CR LF or LF lines).
//
// Thread-safety: immutable after construction.
#pragma once

#include <map>
#include <optional>
#include <string>

#include "base/CString.h"

namespace ZRSYNC {

class CIniFile {
  public:
    explicit CIniFile(const std::string& text);

    // The value as GetPrivateProfileInt reads it: absent keys give `defaultValue`; an
    // optional sign and decimal digits at the start give the number (a "0x" prefix reads
    // hexadecimal); other text reads as 0. Numbers wrap as 32-bit values.
    int GetInt(const std::string& section, const std::string& key, int defaultValue) const;
    std::optional<std::string> GetString(const std::string& section, const std::string& key) const;

  private:
    // Upper-cased section -> upper-cased key -> value.
    std::map<std::string, std::map<std::string, std::string>> m_sections;
};

}  // namespace ZRSYNC
