// The edit rules of a resource, in one place: what the edit dialog refuses and how it
// cleans up what it accepts. The command-line tool's add and set, and the edit dialog,
// apply exactly these.
//
// A resource's fields as entered (untrimmed); a field left unset in a change keeps its
// value. Every check answers with an SEntryCheck (IdentifierCheck.h) so that a dialog
// shows the message in a message box and the command line prints it.
//
// Thread-safety: as safe as the collection passed in (one thread at a time).
#pragma once

#include <optional>

#include "base/CString.h"
#include "base/KitrosterExport.h"
#include "catalogue/Kitroster.h"
#include "catalogue/queries/IdentifierCheck.h"

namespace NResourceItem {

struct KITROSTER_API SResourceFields {
    std::optional<CString> type, name, conn, caps;
};

// The message of an identifier longer than kMaxResourceIdLength: the dialog's field takes
// no more characters, so the command line says so instead.
KITROSTER_API CString IdTooLongMessage();

// The field checks of an edit, in the dialog's order (type, name, connectivity,
// capabilities): '{', '}' and line feeds are refused (string 4 with the field's label,
// caption 3), a name with a carriage return or line feed is refused as CheckNameChars
// says, and a type that is empty after trimming is refused. On success `*cleaned`
// holds every set field trimmed of white space.
KITROSTER_API SEntryCheck CheckResourceFields(const SResourceFields& fields,
                                              SResourceFields* cleaned);

// The checks of a new resource: the identifier's length and CheckResourceId (duplicate in
// `collection` included), then CheckResourceFields with a type that must be given. On
// success `*cleanedId` and `*cleaned` hold what the resource is created with.
KITROSTER_API SEntryCheck CheckNewResource(const CString& id, const SResourceFields& fields,
                                           IKitroster* collection, CString* cleanedId,
                                           SResourceFields* cleaned);

// The checks of a new identifier for an existing resource: the length, then CheckRenameId.
KITROSTER_API SEntryCheck CheckNewId(const CString& newId, IKitroster* collection);

// The checks of one property assignment to the connectivity (`connectivity` true) or the
// capabilities: '{', '}' and line feeds in the key or the value are refused with the
// field's message. On success `value` of the answer is the value trimmed.
KITROSTER_API SEntryCheck CheckPropertyEntry(bool connectivity, const CString& key,
                                             const CString& value);

}  // namespace NResourceItem
