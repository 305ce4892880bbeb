// The exported C interface of the profile edition library (libKitroster.so, profile edition).
//
// The library carries binary resources, among them "PROFILE", the mobile-network profile
// database, and writes them to files on request. Strings are null-terminated UTF-16.
// Every function is safe to call from several threads at once; the exports keep no state.
#pragma once

#if defined(KITROSTER_PROFILE_BUILDING)
#define KITROSTER_PROFILE_API __attribute__((visibility("default")))
#else
#define KITROSTER_PROFILE_API
#endif

extern "C" {

// Writes the resource of type "BINARY" with the given name (ASCII letters match without
// regard to case) to the file at target, replacing an existing file atomically: the bytes go
// to a temporary sibling that is renamed over the target once complete.
// Returns 1 when the file has been written in full. Returns 0, and leaves the target as it
// was, when the resource does not exist, the arguments are null, empty or not valid UTF-16,
// or the file cannot be created or written in full (no partial file is left behind). A
// symbolic link at target is followed only when it belongs to the caller or to root.
KITROSTER_PROFILE_API int ExportFileFromResource(const char16_t* resourceName,
                                                 const char16_t* targetPath);

// ExportFileFromResource(u"PROFILE", targetPath).
KITROSTER_PROFILE_API int ExportZEBProfile(const char16_t* targetPath);

// File and product version of the library, "1.0.0.17".
KITROSTER_PROFILE_API extern const char KitrosterProfileEditionVersion[];

}  // extern "C"

// Signatures for callers that resolve the exports with dlsym.
using PFN_ExportFileFromResource = int (*)(const char16_t*, const char16_t*);
using PFN_ExportZEBProfile = int (*)(const char16_t*);
