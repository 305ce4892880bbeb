// The dependants scan: which resources' connectivity refers to a given resource.
//
// A connectivity property of resource B refers to resource A when its value equals A's
// identifier ignoring case, or when it is named "RES_ASSYLIST" (name case ignored) and
// one of its '|'-separated elements, trimmed of blanks and tabs, equals A's identifier
// ignoring case. Capability strings play no part.
//
// Thread-safety: one thread at a time per collection.
#pragma once

#include <vector>

#include "base/CString.h"
#include "base/KitrosterExport.h"
#include "catalogue/Kitroster.h"

namespace NResourceItem {

// True when the property `key` = `value` refers to `targetId` (forms above).
KITROSTER_API bool IsReferenceTo(const CString& key, const CString& value, const CString& targetId);

// Identifiers of every resource of `collection`, in index order and the target included,
// with at least one connectivity property that refers to `targetId`. Empty for an empty
// target or a null collection.
KITROSTER_API std::vector<CString> FindDependants(IKitroster* collection, const CString& targetId);

}  // namespace NResourceItem
