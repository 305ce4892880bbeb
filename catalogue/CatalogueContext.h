// Process-wide context of the catalogue: where the catalogue folder is, and how resource
// identifiers become file names. File operations use the application's Env.
//
// Settings root: the override set by SetSettingsRootOverride (the command line's --root),
// else the registry value "LocalRoot" under "Software\Corvent\ZRSync\LocalSettings"
// (HKEY_LOCAL_MACHINE; a missing value is written back as empty text), else GetAppDir().
// The catalogue folder is the root immediately followed by "SettingsGeneral"; the registry
// and application folder forms are expected to end in a separator.
//
// Thread-safety: all functions are safe for concurrent use. Changing the override while
// a catalogue operation runs on another thread affects later operations only.
#pragma once

#include <cstdint>

#include "base/CString.h"
#include "base/KitrosterExport.h"

namespace NResourceItem {

// Sets the settings root used instead of the registry; empty text clears the override.
// A trailing separator is added when missing ('/' for a path that starts with '/',
// otherwise '\').
KITROSTER_API void SetSettingsRootOverride(const CString& root);
// The settings root (see above), resolved anew at every call; empty text when the
// registry's value cannot be used (CheckSettingsRoot).
KITROSTER_API CString GetSettingsRoot();
// GetSettingsRoot() + "SettingsGeneral"; empty text when the root cannot be used.
KITROSTER_API CString GetCatalogueFolder();
// False, with the reason in `*problem`, when the settings root cannot be used: a
// "LocalRoot" longer than a registry read returns would, cut, name another folder.
// Callers that change the catalogue check this first.
KITROSTER_API bool CheckSettingsRoot(CString* problem);

// A resource file holds six short lines; a file larger than this is not one, and reading
// it whole could exhaust memory.
inline constexpr uint64_t kMaxResourceFileBytes = 16u << 20;

// "_RES_<id>.zrr".
KITROSTER_API CString ResourceFileName(const CString& id);
// False for identifiers that cannot safely be part of a file name: empty text, '\' or
// '/', ':', control bytes (below 0x20 and 0x7F), and any of * ? " < > |. Dots are safe
// ("A..B", ".."): inside "_RES_<id>.zrr" they never make a component of their own.
KITROSTER_API bool IsSafeResourceId(const CString& id);

// `folder` and `fileName` joined with exactly one '\' (trailing '\' and '/' of the folder
// removed); `fileName` alone when the folder is empty.
KITROSTER_API CString JoinCataloguePath(const CString& folder, const CString& fileName);

}  // namespace NResourceItem
