#include "catalogue/queries/EditRules.h"

#include "resources/strings/StringTable.h"

namespace NResourceItem {

namespace {

SEntryCheck Rejected(CString message) {
    SEntryCheck check;
    check.outcome = SEntryCheck::kRejected;
    check.captionId = IDS_INVALID_ENTRY;
    check.message = std::move(message);
    return check;
}

}  // namespace

CString IdTooLongMessage() {
    CString message;
    message.Format("Resource ID cannot be longer than %d characters!", kMaxResourceIdLength);
    return message;
}

SEntryCheck CheckResourceFields(const SResourceFields& fields, SResourceFields* cleaned) {
    struct SField {
        const char* label;
        const std::optional<CString>* in;
        std::optional<CString>* out;
    };
    SResourceFields result;
    const SField order[] = {{kLabelType, &fields.type, &result.type},
                            {kLabelName, &fields.name, &result.name},
                            {kLabelConnectivity, &fields.conn, &result.conn},
                            {kLabelCapabilities, &fields.caps, &result.caps}};
    for (const SField& field : order) {
        if (!*field.in)
            continue;
        SEntryCheck check = field.in == &fields.name ? CheckNameChars(**field.in)
                                                     : CheckFieldChars(field.label, **field.in);
        if (!check.Accepted())
            return check;
        *field.out = check.value;
    }
    if (result.type && result.type->IsEmpty())
        return Rejected("Resource type cannot be empty!");
    *cleaned = std::move(result);
    return SEntryCheck();
}

SEntryCheck CheckNewResource(const CString& id, const SResourceFields& fields,
                             IKitroster* collection, CString* cleanedId, SResourceFields* cleaned) {
    if (id.GetLength() > kMaxResourceIdLength)
        return Rejected(IdTooLongMessage());
    SEntryCheck idCheck = CheckResourceId(id, collection, /*existing=*/false);
    if (!idCheck.Accepted())
        return idCheck;
    SResourceFields withType = fields;
    if (!withType.type)
        withType.type = CString();
    SEntryCheck fieldCheck = CheckResourceFields(withType, cleaned);
    if (!fieldCheck.Accepted())
        return fieldCheck;
    *cleanedId = idCheck.value;
    return fieldCheck;
}

SEntryCheck CheckNewId(const CString& newId, IKitroster* collection) {
    if (CString(newId).Trim().GetLength() > kMaxResourceIdLength)
        return Rejected(IdTooLongMessage());
    return CheckRenameId(newId, collection);
}

SEntryCheck CheckPropertyEntry(bool connectivity, const CString& key, const CString& value) {
    const char* label = connectivity ? kLabelConnectivity : kLabelCapabilities;
    SEntryCheck check = CheckFieldChars(label, key);
    if (check.Accepted())
        check = CheckFieldChars(label, value);
    return check;
}

}  // namespace NResourceItem
