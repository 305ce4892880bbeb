#include "catalogue/queries/PasswordRule.h"

#include "catalogue/ResPropertyBag.h"
#include "platform/kxcommon/KXCommon.h"

namespace NResourceItem {

namespace {

// How sealed text begins (EncryptPassword).
constexpr const char* kSealedPrefix = "$kx1$";

}  // namespace

bool IsPasswordKey(const CString& key) {
    CString trimmed = key;
    return trimmed.Trim().CompareNoCase(kPasswordKey) == 0;
}

EStoredPassword ClassifyPassword(const CString& value, const PasswordOpener& opens) {
    if (value.IsEmpty())
        return EStoredPassword::kNone;
    if (value.Find(kSealedPrefix) != 0)
        return EStoredPassword::kClear;
    // Sealing never gives text for an empty password, so text that opens opens to some.
    const bool opened = opens ? opens(value) : !DecryptPassword(value).IsEmpty();
    return opened ? EStoredPassword::kSealed : EStoredPassword::kUnopened;
}

EStoredPassword ClassifyConnPassword(const CString& conn, const PasswordOpener& opens) {
    CZRauto_ptr<IResPropertyBag> bag = CResPropertyBagFactory::CreateInstance(conn);
    CString value;
    if (!bag || !bag->Get(kPasswordKey, value))
        return EStoredPassword::kNone;
    return ClassifyPassword(value, opens);
}

}  // namespace NResourceItem
