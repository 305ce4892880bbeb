#include "catalogue/queries/ConfigSearch.h"

#include "catalogue/ResPropertyBag.h"
#include "catalogue/queries/FilterSpec.h"

namespace NResourceItem {

std::vector<CString> SearchConfiguration(IKitroster* collection, const CString& text) {
    std::vector<CString> result;
    CString spec = text;
    spec.Trim();
    if (!collection || spec.IsEmpty())
        return result;
    for (int i = 0; i < collection->Size(); ++i) {
        CZRauto_ptr<IResourceItem> item = collection->GetItemByIndex(i);
        if (!item)
            continue;
        CZRauto_ptr<IResPropertyBag> bag = CResPropertyBagFactory::CreateInstance(item->get_Conn());
        CString key, value;
        for (int p = 0; bag && bag->Get(p, key, value); ++p) {
            const EFilterDecision decision =
                matchesFilterSpec(spec, value, EFilterMode::kPropertyValue);
            if (decision == EFilterDecision::kExcluded)
                break;
            if (decision == EFilterDecision::kIncluded) {
                result.push_back(item->get_ID());
                break;
            }
        }
    }
    return result;
}

}  // namespace NResourceItem
