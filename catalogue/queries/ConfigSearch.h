// The configuration search: which resources have connectivity property values that match
// a pattern text (the filter specification grammar of FilterSpec.h, property-value mode).
//
// Each resource's properties are examined in their order: an "excluded" decision ends the
// resource without listing it, "included" lists it, "not considered" goes on with the
// next property. Property names play no part. A resource without properties is never
// listed.
//
// Thread-safety: one thread at a time per collection.
#pragma once

#include <vector>

#include "base/CString.h"
#include "base/KitrosterExport.h"
#include "catalogue/Kitroster.h"

namespace NResourceItem {

// Identifiers of the matching resources in index order. `text` is trimmed first; empty
// text, or a null collection, finds nothing.
KITROSTER_API std::vector<CString> SearchConfiguration(IKitroster* collection, const CString& text);

}  // namespace NResourceItem
