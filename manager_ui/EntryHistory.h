// The entry history of a drop-down combo box: the nine-slot ring of texts under a registry
// key (FilterPresets.h), as the filter dialog keeps its identifier specifications and the
// search dialog its search texts.
//
// Thread-safety: the user-interface thread only.
#pragma once

#include "base/CString.h"
#include "dialog_framework/Control.h"

namespace NResourceItem {

// Replaces the combo box's lines with the history's entries, in slot order.
void LoadEntryHistory(CComboBox* combo, const char* key);

// Remembers `text`: a text the combo box already lists (in any case) is only selected;
// a new one is added, written to the next slot of the ring and selected. Nothing happens
// for an empty text or a missing combo box.
void StoreEntryHistory(CComboBox* combo, const CString& text, const char* key);

}  // namespace NResourceItem
