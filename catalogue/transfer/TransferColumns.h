// The names the exported documents use for a resource's fields, shared by the export and
// the import so that one always reads what the other writes.
#pragma once

namespace NResourceItem::transfer {

// JSON object fields (those of `kitroster show --json`).
inline constexpr const char* kJsonId = "id";
inline constexpr const char* kJsonType = "type";
inline constexpr const char* kJsonName = "name";
inline constexpr const char* kJsonConn = "conn";
inline constexpr const char* kJsonCaps = "caps";
inline constexpr const char* kJsonConnProperties = "connProperties";
inline constexpr const char* kJsonCapsProperties = "capsProperties";

// CSV columns; a property column is its field's prefix followed by the key.
inline constexpr const char* kColumnId = "ID";
inline constexpr const char* kColumnType = "TYPE";
inline constexpr const char* kColumnName = "NAME";
inline constexpr const char* kColumnConn = "CONN";
inline constexpr const char* kColumnCaps = "CAPS";
inline constexpr const char* kConnPrefix = "CONN.";
inline constexpr const char* kCapsPrefix = "CAPS.";

// A clear-text password given on import, sealed and stored as the connectivity PASSWORD
// (kPasswordKey, PasswordRule.h).
inline constexpr const char* kPasswordPlainKey = "PASSWORD_PLAIN";

}  // namespace NResourceItem::transfer
