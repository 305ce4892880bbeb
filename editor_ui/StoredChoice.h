// A drop-down list showing a stored value that none of its lines offers: the value becomes
// an extra line, so that the list can select it and OK writes back what was read rather
// than an empty text. The person may still choose any other line.
//
// Thread-safety: the user-interface thread only.
#pragma once

#include "base/CString.h"
#include "dialog_framework/Control.h"

namespace NResourceItem {

// Adds `value` to `list` unless it is empty or a line already equals it without regard to
// case (the line the list's data exchange selects for it).
void OfferStoredValue(CComboBox* list, const CString& value);

}  // namespace NResourceItem
