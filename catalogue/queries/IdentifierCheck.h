// Entry checks shared by the edit dialog, the rename command and the command-line tool:
// the '{', '}' and line-feed check of every field, the identifier rules of a new resource
// and the checks of a new identifier given to an existing resource.
//
// Each check answers with the string-table entries of the message and its caption and
// the formatted message, so that a dialog shows it in a message box and the command line
// prints it. No check shows anything itself.
//
// Thread-safety: as safe as the collection passed in (one thread at a time).
#pragma once

#include "base/CString.h"
#include "base/KitrosterExport.h"
#include "catalogue/Kitroster.h"

namespace NResourceItem {

// Field labels used in the invalid-character message.
inline constexpr const char* kLabelId = "ID";
inline constexpr const char* kLabelType = "Type";
inline constexpr const char* kLabelName = "Name";
inline constexpr const char* kLabelConnectivity = "Connectivity";
inline constexpr const char* kLabelCapabilities = "Capabilities";

// The longest identifier the entry fields accept.
inline constexpr int kMaxResourceIdLength = 27;

struct KITROSTER_API SEntryCheck {
    enum EOutcome {
        kAccepted,  // the entry passes; `value` holds it cleaned up (trimmed)
        kRejected,  // refused with the message below
        kSilent,    // refused without a message (an empty new name in the rename dialog)
    };
    EOutcome outcome = kAccepted;
    unsigned messageId = 0;  // string-table entry of the message; 0 without one
    unsigned captionId = 0;  // string-table entry of the caption; 0 without one
    CString message;         // the formatted message; empty without one
    CString value;           // the checked entry after clean-up

    bool Accepted() const { return outcome == kAccepted; }
};

// True when `value` holds '{', '}' or a line feed.
KITROSTER_API bool HasInvalidEntryChars(const CString& value);

// The invalid-character check of one field: string 4 formatted with `label`, caption
// string 3. On success `value` is the field trimmed of white space.
KITROSTER_API SEntryCheck CheckFieldChars(const char* label, const CString& value);

// The check of a resource's name: a carriage return or line feed is refused with a message
// that says so (caption string 3; a name is one line of its file and of every list), then
// CheckFieldChars. On success `value` is the name trimmed.
KITROSTER_API SEntryCheck CheckNameChars(const CString& value);

// The identifier check of the edit dialog, on the identifier as entered (untrimmed):
// invalid characters (string 4, "ID"); for a new resource (`existing` false) a resource
// `collection` already finds under it (string 5); then, on the trimmed text, empty
// (string 8) or a character other than A-Z, a-z, 0-9 and '_' anywhere in the untrimmed
// text (string 9). Captions are string 3. A null collection skips the duplicate check.
KITROSTER_API SEntryCheck CheckResourceId(const CString& id, IKitroster* collection, bool existing);

// The checks of a new identifier for an existing resource, on the trimmed `newId`:
// invalid characters (string 4, "ID", caption 3); empty (kSilent); a character other
// than A-Z, a-z, 0-9 and '_' (string 9, caption 3); a resource `collection` already finds
// under it, which includes the resource's own identifier in any case (string 16 with the
// new identifier, caption 17).
KITROSTER_API SEntryCheck CheckRenameId(const CString& newId, IKitroster* collection);

// True when `id` is non-empty and made only of A-Z, a-z, 0-9 and '_'.
KITROSTER_API bool HasOnlyIdCharacters(const CString& id);

}  // namespace NResourceItem
