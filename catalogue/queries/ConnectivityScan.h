// The scan that the dependants list and the configuration search share: walk the items of
// a collection in order and decide on each from its connectivity properties.
#pragma once

#include <functional>
#include <vector>

#include "base/CString.h"
#include "catalogue/Kitroster.h"

namespace NResourceItem {

enum class EScanVerdict {
    kContinue,  // no decision yet: look at the item's next property
    kSelect,    // list the item
    kReject,    // skip the item
};

// Identifiers of the items, in collection order, that `verdict` selects. The item's
// connectivity properties are visited in their order until one gives kSelect or kReject;
// an item whose properties all give kContinue is not listed.
std::vector<CString> SelectByConnectivity(
    IKitroster* collection,
    const std::function<EScanVerdict(const CString& key, const CString& value)>& verdict);

}  // namespace NResourceItem
