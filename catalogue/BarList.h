// Bar lists: several identifiers held in one property value, separated by '|' (the
// assembly list of a room, for example). Renames, dependants searches and the room editor
// treat each element separately; they all split and join here.
//
// Thread-safety: plain functions on values.
#pragma once

#include <vector>

#include "base/CString.h"
#include "base/KitrosterExport.h"

namespace NResourceItem {

// The elements of `value` in order, exactly as written: not trimmed, empty elements kept
// ("A||B" has three), so that joining them gives `value` back. An empty value is one empty
// element.
KITROSTER_API std::vector<CString> SplitBarList(const CString& value);

// The elements joined with '|'.
KITROSTER_API CString JoinBarList(const std::vector<CString>& elements);

}  // namespace NResourceItem
