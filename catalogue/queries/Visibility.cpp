#include "catalogue/queries/Visibility.h"

#include "catalogue/ResourceType.h"
#include "catalogue/queries/FilterSpec.h"

namespace NResourceItem {

bool PassesTypeTest(IResourceTypeList* list, const CString& type) {
    if (!list || list->IsEmpty())
        return true;
    CString c1, c2, c3;
    ParseType(type, c1, c2, c3);
    const CString twoLevel = MakeType(c1, c2, "");
    return list->Has(type) || (!c1.IsEmpty() && list->Has(c1)) ||
           (!twoLevel.IsEmpty() && list->Has(twoLevel));
}

bool IsResourceVisible(IResourceFilter* filter, IResourceItem* item) {
    if (!item)
        return false;
    if (!filter)
        return true;
    CZRauto_ptr<IResourceTypeList> types = filter->GetResourceTypeList();
    if (!PassesTypeTest(types, item->get_Type()))
        return false;
    const CString spec = filter->GetResourceIdFilterSpec();
    if (spec.IsEmpty())
        return true;
    return matchesFilterSpec(spec, item->get_ID(), EFilterMode::kIdentifier) ==
           EFilterDecision::kIncluded;
}

}  // namespace NResourceItem
