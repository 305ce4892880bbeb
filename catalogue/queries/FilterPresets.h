// The registry side of the manager window's filters: the four numbered filter presets, the
// number of the last one chosen, and the nine-slot entry histories of the filter and
// search dialogs.
//
// All values live under HKEY_LOCAL_MACHINE. Keys are created on access; reading a missing
// value writes its default back; strings read at most 499 characters. An unavailable
// store reads as defaults and stores nothing.
//
// Thread-safety: as safe as the filters passed in (one thread at a time per filter).
#pragma once

#include <vector>

#include "base/CString.h"
#include "base/KitrosterExport.h"
#include "catalogue/ResourceFilter.h"

namespace NResourceItem {

inline constexpr const char* kFiltersKey = "Software\\Corvent\\Utilities\\Kitroster\\Filters";
inline constexpr const char* kFilterHistoryKey = "Software\\Corvent\\Utilities\\Kitroster\\mru";
inline constexpr const char* kSearchHistoryKey =
    "Software\\Corvent\\Utilities\\Kitroster\\Search\\mru";
inline constexpr int kHistorySlots = 9;

// "lastFilterId" of the Filters key, default 1.
KITROSTER_API int ReadLastFilterId();
KITROSTER_API void WriteLastFilterId(int presetId);

// Gives `internal` a new type list holding a copy of every type of `base`'s list (none
// when `base` or its list is absent) and an empty pattern list.
KITROSTER_API void ResetFilter(IResourceFilter* base, IResourceFilter* internal);

// Loads preset `presetId` into `internal`: its stored types that `base` allows (all of
// them when `base` has no list), or a reset when none are stored, and its stored
// pattern list. A preset never saved is created with empty values.
KITROSTER_API void LoadFilterPreset(int presetId, IResourceFilter* base, IResourceFilter* internal);
// Stores `filter`'s types joined with ';' and its pattern list as preset `presetId`.
KITROSTER_API void SaveFilterPreset(int presetId, IResourceFilter* filter);

// The non-empty entries of the history under `key`, in slot order (not by recency).
// Creates "last_index" when it is missing.
KITROSTER_API std::vector<CString> ReadEntryHistory(const char* key);
// Writes `text` to the slot after "last_index" (0 after slot 8, and when "last_index" is
// out of range) and makes that slot "last_index". Returns the slot written.
KITROSTER_API int WriteEntryHistory(const char* key, const CString& text);
// Reads "last_index" (default 0), creating it when missing.
KITROSTER_API int ReadLastHistoryIndex(const char* key);

}  // namespace NResourceItem
