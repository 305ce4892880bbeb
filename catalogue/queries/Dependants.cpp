#include "catalogue/queries/Dependants.h"

#include "catalogue/queries/ConnectivityScan.h"

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
    if (!collection || targetId.IsEmpty())
        return {};
    return SelectByConnectivity(collection, [&targetId](const CString& key, const CString& value) {
        return IsReferenceTo(key, value, targetId) ? EScanVerdict::kSelect
                                                   : EScanVerdict::kContinue;
    });
}

}  // namespace NResourceItem
