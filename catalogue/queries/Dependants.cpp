#include "catalogue/queries/Dependants.h"

#include "catalogue/ResPropertyBag.h"

namespace NResourceItem {

bool IsReferenceTo(const CString& key, const CString& value, const CString& targetId) {
    if (targetId.IsEmpty())
        return false;
    if (value.CompareNoCase(targetId) == 0)
        return true;
    if (key.CompareNoCase("RES_ASSYLIST") != 0)
        return false;
    int start = 0;
    while (start <= value.GetLength()) {
        int bar = value.Find('|', start);
        if (bar < 0)
            bar = value.GetLength();
        CString element = value.Mid(start, bar - start);
        element.Trim(" \t");
        if (element.CompareNoCase(targetId) == 0)
            return true;
        start = bar + 1;
    }
    return false;
}

std::vector<CString> FindDependants(IKitroster* collection, const CString& targetId) {
    std::vector<CString> result;
    if (!collection || targetId.IsEmpty())
        return result;
    for (int i = 0; i < collection->Size(); ++i) {
        CZRauto_ptr<IResourceItem> item = collection->GetItemByIndex(i);
        if (!item)
            continue;
        CZRauto_ptr<IResPropertyBag> bag = CResPropertyBagFactory::CreateInstance(item->get_Conn());
        CString key, value;
        for (int p = 0; bag && bag->Get(p, key, value); ++p) {
            if (IsReferenceTo(key, value, targetId)) {
                result.push_back(item->get_ID());
                break;
            }
        }
    }
    return result;
}

}  // namespace NResourceItem
