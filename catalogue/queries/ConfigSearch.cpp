#include "catalogue/queries/ConfigSearch.h"

#include "catalogue/queries/ConnectivityScan.h"
#include "catalogue/queries/FilterSpec.h"

namespace NResourceItem {

std::vector<CString> SearchConfiguration(IKitroster* collection, const CString& text) {
    CString spec = text;
    spec.Trim();
    if (!collection || spec.IsEmpty())
        return {};
    return SelectByConnectivity(collection, [&spec](const CString&, const CString& value) {
        switch (matchesFilterSpec(spec, value, EFilterMode::kPropertyValue)) {
            case EFilterDecision::kIncluded:
                return EScanVerdict::kSelect;
            case EFilterDecision::kExcluded:
                return EScanVerdict::kReject;
            default:
                return EScanVerdict::kContinue;
        }
    });
}

}  // namespace NResourceItem
