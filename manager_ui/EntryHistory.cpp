#include "manager_ui/EntryHistory.h"

#include "catalogue/queries/FilterPresets.h"

namespace NResourceItem {

void LoadEntryHistory(CComboBox* combo, const char* key) {
    if (!combo)
        return;
    combo->ResetContent();
    for (const CString& entry : ReadEntryHistory(key))
        combo->AddString(entry);
}

void StoreEntryHistory(CComboBox* combo, const CString& text, const char* key) {
    if (text.IsEmpty() || !combo)
        return;
    ReadLastHistoryIndex(key);
    int known = combo->FindStringExact(-1, text);
    if (known != CB_ERR) {
        combo->SetCurSel(known);
        return;
    }
    int line = combo->AddString(text);
    WriteEntryHistory(key, text);
    combo->SetCurSel(line);
}

}  // namespace NResourceItem
