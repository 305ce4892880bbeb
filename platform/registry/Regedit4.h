// The REGEDIT4 text format: writing sections and parsing them into operations.
//
// Written form (CR LF line ends):
//     REGEDIT4
//
//     [HKEY_LOCAL_MACHINE\Software\Corvent]
//     @="default value"
//     "Name"="text with \\ and \" escaped"
//     "Count"=dword:0000002a
//
// A text holding a line break or another control byte cannot be written between quotes,
// so it is written as hex(1):xx,xx,...,00 (the string type in hexadecimal), which the
// parser reads back.
//
// Parsing accepts LF or CR LF, blank lines, comment lines starting with ';', "[-KEY]" to
// delete a key, "name"=- to delete a value, and hexadecimal lists continued on the next
// line after a trailing backslash. Only keys under HKEY_LOCAL_MACHINE are accepted.
//
// Thread-safety: plain functions.
#pragma once

#include <string>
#include <vector>

#include "platform/registry/Registry.h"

namespace kitroster::registry {

inline constexpr const char* kRootName = "HKEY_LOCAL_MACHINE";

struct RegeditSection {
    std::string path;  // relative to HKEY_LOCAL_MACHINE; empty for the root itself
    std::vector<RegValue> values;
};

// The whole file text for `sections`, in the order given.
std::string FormatRegedit4(const std::vector<RegeditSection>& sections);

struct RegeditOp {
    enum Kind { kCreateKey, kDeleteKey, kSetValue, kDeleteValue };
    Kind kind;
    std::string key;  // relative to HKEY_LOCAL_MACHINE
    RegValue value;   // kSetValue; kDeleteValue uses only the name
};

// Parses `text` into operations in file order. On malformed input returns false with
// "line N: reason" in `*error` and leaves `*ops` unspecified.
bool ParseRegedit4(const std::string& text, std::vector<RegeditOp>* ops, std::string* error);

}  // namespace kitroster::registry
