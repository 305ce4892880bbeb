#include "editor_ui/StoredChoice.h"

namespace NResourceItem {

void OfferStoredValue(CComboBox* list, const CString& value) {
    if (!list || value.IsEmpty() || list->FindStringExact(-1, value) >= 0)
        return;
    list->AddString(value);
}

}  // namespace NResourceItem
