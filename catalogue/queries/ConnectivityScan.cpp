#include "catalogue/queries/ConnectivityScan.h"

#include "catalogue/ResPropertyBag.h"

namespace NResourceItem {

std::vector<CString> SelectByConnectivity(
    IKitroster* collection,
    const std::function<EScanVerdict(const CString& key, const CString& value)>& verdict) {
    std::vector<CString> result;
    if (!collection)
        return result;
    for (int i = 0; i < collection->Size(); ++i) {
        CZRauto_ptr<IResourceItem> item = collection->GetItemByIndex(i);
        if (!item)
            continue;
        CZRauto_ptr<IResPropertyBag> bag = CResPropertyBagFactory::CreateInstance(item->get_Conn());
        CString key, value;
        for (int p = 0; bag && bag->Get(p, key, value); ++p) {
            const EScanVerdict decision = verdict(key, value);
            if (decision == EScanVerdict::kSelect)
                result.push_back(item->get_ID());
            if (decision != EScanVerdict::kContinue)
                break;
        }
    }
    return result;
}

}  // namespace NResourceItem
