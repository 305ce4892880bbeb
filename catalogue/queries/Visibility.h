// The visibility test of the resource list: which resources pass a filter's type list and
// identifier specification. The manager window applies it when it fills its list, and the
// command-line tool's "list" applies the same test.
//
// Thread-safety: as safe as the objects passed in (one thread at a time per object).
#pragma once

#include "base/CString.h"
#include "base/KitrosterExport.h"
#include "catalogue/ResourceFilter.h"
#include "catalogue/ResourceItem.h"
#include "catalogue/ResourceTypeList.h"

namespace NResourceItem {

// True when `list` is absent or empty, or when it holds the full `type`, its first
// component, or its first two components joined ("CAMERA", "CAMERA_IP" and
// "CAMERA_IP_X" all pass a list holding "CAMERA").
KITROSTER_API bool PassesTypeTest(IResourceTypeList* list, const CString& type);

// The type test with the filter's type list, then the identifier test: an empty
// specification passes everything, otherwise only an "included" decision of the pattern
// test in identifier mode does. A null filter passes every item; a null item none.
KITROSTER_API bool IsResourceVisible(IResourceFilter* filter, IResourceItem* item);

}  // namespace NResourceItem
