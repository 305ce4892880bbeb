// Resource type strings: up to three components joined by '_' ("CAMERA_IP",
// "SERVER_MPEG4"), compared ignoring case and produced upper-case. The third component
// takes the whole remainder ("A_B_C_D" is A, B and C_D).
//
// Thread-safety: pure functions.
#pragma once

#include "base/CString.h"
#include "base/KitrosterExport.h"

namespace NResourceItem {

// Splits `type` into its components, upper-cased. Blanks, tabs and '_' around components
// are dropped ("__A__B__" gives A, B and empty). True iff a first component was found; the
// outputs are cleared first in any case.
KITROSTER_API bool ParseType(const CString& type, CString& c1, CString& c2, CString& c3);

// Joins the non-empty components with '_', upper-cased. Empty when `c1` is empty or any
// non-empty component holds '_', blank, tab, '{' or '}'. An empty `c2` with a non-empty
// `c3` gives c1_c3.
KITROSTER_API CString MakeType(const CString& c1, const CString& c2, const CString& c3);

}  // namespace NResourceItem
