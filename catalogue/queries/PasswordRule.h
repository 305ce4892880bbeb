// The one rule for a login's password in a connectivity string: it is stored only sealed
// with this site's key. Resource files live in a shared folder, so clear text there is
// readable by every machine of the site. Every way a connectivity string enters the
// catalogue (the command line, import) and the health check apply it here.
//
// Keys are read as every reader of a property string reads them (the property bag): white
// space around a key is dropped and case is ignored, so " password" is the PASSWORD.
//
// Thread-safety: plain functions on their arguments.
#pragma once

#include <functional>

#include "base/CString.h"
#include "base/KitrosterExport.h"

namespace NResourceItem {

// The connectivity property that holds a login's password.
inline constexpr const char* kPasswordKey = "PASSWORD";

// True when `key` names the password once trimmed, case ignored.
KITROSTER_API bool IsPasswordKey(const CString& key);

enum class EStoredPassword {
    kNone,      // absent or empty
    kSealed,    // sealed text that opens with this site's key
    kClear,     // not sealed text: the password in clear
    kUnopened,  // sealed text that does not open (another site's key, damaged)
};

// Whether sealed text opens; empty means DecryptPassword with this site's key.
using PasswordOpener = std::function<bool(const CString& sealed)>;

// The state of one stored PASSWORD value.
KITROSTER_API EStoredPassword ClassifyPassword(const CString& value,
                                               const PasswordOpener& opens = {});

// The state of the PASSWORD a connectivity string holds, as the bag reads it.
KITROSTER_API EStoredPassword ClassifyConnPassword(const CString& conn,
                                                   const PasswordOpener& opens = {});

}  // namespace NResourceItem
