// The library's string table: the texts of every message box and caption the system
// shows, entries 1 to 47, looked up by number as a resource string would be.
//
// Several texts are printf formats ("%s", "%d"); FormatResString fills them. Callers
// must pass arguments of the kinds the entry's text expects (the comment beside each
// identifier below says which).
//
// Thread-safety: the table is constant data; every function may be called from any
// thread.
#pragma once

#include "base/CString.h"
#include "base/KitrosterExport.h"

// Entry numbers, named after their use.
constexpr unsigned IDS_CONFIRM_DELETE = 1;  // %s resource identifier
constexpr unsigned IDS_DELETE_RESOURCE = 2;
constexpr unsigned IDS_INVALID_ENTRY = 3;
constexpr unsigned IDS_INVALID_CHARACTER = 4;  // %s field label
constexpr unsigned IDS_DUPLICATE_NEW_ID = 5;   // %s resource identifier
constexpr unsigned IDS_CLOSE = 6;
constexpr unsigned IDS_RESOURCE_PROPERTIES = 7;
constexpr unsigned IDS_ID_EMPTY = 8;
constexpr unsigned IDS_ID_INVALID_CHARS = 9;
constexpr unsigned IDS_RELOAD_RESOURCE_LIST = 10;
constexpr unsigned IDS_RELOAD_LOSES_CHANGES = 11;
constexpr unsigned IDS_ROOM_CHECK = 12;
constexpr unsigned IDS_LINK_ERRORS = 13;  // %s error lines
constexpr unsigned IDS_LINKS_OK = 14;
constexpr unsigned IDS_ROOM_NO_ASSEMBLIES = 15;
constexpr unsigned IDS_RENAME_DUPLICATE = 16;  // %s new identifier
constexpr unsigned IDS_DUPLICATE_NAME = 17;
constexpr unsigned IDS_SAVE_FAILED_TITLE = 18;
constexpr unsigned IDS_SAVE_FAILED = 19;  // %s catalogue folder
constexpr unsigned IDS_EXIT_RESOURCE_MANAGER = 20;
constexpr unsigned IDS_DISCARD_CHANGES = 21;
constexpr unsigned IDS_PASSWORD_CONFIRM_FAILED = 22;
constexpr unsigned IDS_PASSWORD_CONFIRMATION = 23;
constexpr unsigned IDS_PASSWORD_INVALID = 24;
constexpr unsigned IDS_PASSWORD_MISMATCH = 25;
constexpr unsigned IDS_PASSWORD_EMPTY = 26;
constexpr unsigned IDS_TITLE_WITH_ID = 27;  // %s title, %s identifier
constexpr unsigned IDS_INVALID_FILTER = 28;
constexpr unsigned IDS_FILTER_EMPTY = 29;
constexpr unsigned IDS_DUPLICATE_CAMERA = 30;
constexpr unsigned IDS_DUPLICATE_CAMERA_ASK = 31;  // %s camera identifier
constexpr unsigned IDS_RESOURCE_DEPENDENCIES = 32;
constexpr unsigned IDS_NO_DEPENDANTS = 33;  // %s resource identifier
constexpr unsigned IDS_RESOURCE_SEARCH = 34;
constexpr unsigned IDS_SEARCH_NOTHING_FOUND = 35;  // %s search text
constexpr unsigned IDS_VIEWING_SOME = 36;          // %d shown, %d total
constexpr unsigned IDS_ALL_HIDDEN = 37;            // %d total
constexpr unsigned IDS_VIEWING_ALL = 38;           // %d total
constexpr unsigned IDS_DEPENDENCY_RESULTS = 39;
constexpr unsigned IDS_SEARCH_RESULTS = 40;
constexpr unsigned IDS_DEPENDING_ON = 41;  // %s resource identifier
constexpr unsigned IDS_MATCHING = 42;      // %s search text
constexpr unsigned IDS_EMPTY_ROOM = 43;
constexpr unsigned IDS_ROOM_CANNOT_BE_EMPTY = 44;
constexpr unsigned IDS_ROOM_LOCAL_ONLY = 45;
constexpr unsigned IDS_BROWSE_WEB_PAGE = 46;
constexpr unsigned IDS_LAUNCH_BROWSER = 47;  // %s identifier, %s address

constexpr unsigned IDS_FIRST = 1;
constexpr unsigned IDS_LAST = 47;

// The text of entry `id`; empty text for a number outside the table.
KITROSTER_API CString LoadResString(unsigned id);

// The text of entry `id` used as a printf format with the given arguments. An unknown
// entry gives empty text. The arguments must match the entry's conversions.
KITROSTER_API CString FormatResString(unsigned id, ...);
