#include "catalogue/queries/Dependants.h"

#include "catalogue/BarList.h"
#include "catalogue/queries/ConnectivityScan.h"

namespace NResourceItem {

bool IsReferenceTo(const CString& key, const CString& value, const CString& targetId) {
    if (targetId.IsEmpty())
        return false;
    if (value.CompareNoCase(targetId) == 0)
        return true;
    if (key.CompareNoCase("RES_ASSYLIST") != 0)
        return false;
    for (CString& element : SplitBarList(value)) {
        if (element.Trim(" \t").CompareNoCase(targetId) == 0)
            return true;
    }
    return false;
}

std::vector<CString> FindDependants(IKitroster* collection, const CString& targetId) {
    if (!collection || targetId.IsEmpty())
        return {};
    return SelectByConnectivity(collection, [&targetId](const CString& key, const CString& value) {
        return IsReferenceTo(key, value, targetId) ? EScanVerdict::kSelect
                                                   : EScanVerdict::kContinue;
    });
}

}  // namespace NResourceItem
