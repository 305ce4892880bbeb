#include "catalogue/queries/IdentifierCheck.h"

#include "resources/strings/StringTable.h"

namespace NResourceItem {
namespace {

SEntryCheck Rejected(unsigned messageId, unsigned captionId, const CString& message,
                     const CString& value) {
    SEntryCheck check;
    check.outcome = SEntryCheck::kRejected;
    check.messageId = messageId;
    check.captionId = captionId;
    check.message = message;
    check.value = value;
    return check;
}

SEntryCheck InvalidChars(const char* label, const CString& value) {
    return Rejected(IDS_INVALID_CHARACTER, IDS_INVALID_ENTRY,
                    FormatResString(IDS_INVALID_CHARACTER, label), value);
}

bool IsIdCharacter(char ch) {
    return (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z') || (ch >= '0' && ch <= '9') ||
           ch == '_';
}

}  // namespace

bool HasInvalidEntryChars(const CString& value) {
    return value.FindOneOf("{}\n") >= 0;
}

bool HasOnlyIdCharacters(const CString& id) {
    if (id.IsEmpty())
        return false;
    for (int i = 0; i < id.GetLength(); ++i) {
        if (!IsIdCharacter(id[i]))
            return false;
    }
    return true;
}

SEntryCheck CheckFieldChars(const char* label, const CString& value) {
    if (HasInvalidEntryChars(value))
        return InvalidChars(label, value);
    SEntryCheck check;
    check.value = value;
    check.value.Trim();
    return check;
}

SEntryCheck CheckNameChars(const CString& value) {
    if (value.FindOneOf("\r\n") >= 0) {
        CString message;
        message.Format("Invalid character detected for '%s'. Entry cannot include line breaks.",
                       kLabelName);
        return Rejected(0, IDS_INVALID_ENTRY, message, value);
    }
    return CheckFieldChars(kLabelName, value);
}

SEntryCheck CheckResourceId(const CString& id, IKitroster* collection, bool existing) {
    if (HasInvalidEntryChars(id))
        return InvalidChars(kLabelId, id);
    if (!existing && collection && collection->GetItemById(id)) {
        return Rejected(IDS_DUPLICATE_NEW_ID, IDS_INVALID_ENTRY,
                        FormatResString(IDS_DUPLICATE_NEW_ID, id.GetString()), id);
    }
    const bool valid = HasOnlyIdCharacters(id);
    CString cleaned = id;
    cleaned.Trim();
    if (cleaned.IsEmpty()) {
        return Rejected(IDS_ID_EMPTY, IDS_INVALID_ENTRY, LoadResString(IDS_ID_EMPTY), cleaned);
    }
    if (!valid) {
        return Rejected(IDS_ID_INVALID_CHARS, IDS_INVALID_ENTRY,
                        LoadResString(IDS_ID_INVALID_CHARS), cleaned);
    }
    SEntryCheck check;
    check.value = cleaned;
    return check;
}

SEntryCheck CheckRenameId(const CString& newId, IKitroster* collection) {
    CString cleaned = newId;
    cleaned.Trim();
    if (HasInvalidEntryChars(cleaned))
        return InvalidChars(kLabelId, cleaned);
    if (cleaned.IsEmpty()) {
        SEntryCheck check;
        check.outcome = SEntryCheck::kSilent;
        return check;
    }
    if (!HasOnlyIdCharacters(cleaned)) {
        return Rejected(IDS_ID_INVALID_CHARS, IDS_INVALID_ENTRY,
                        LoadResString(IDS_ID_INVALID_CHARS), cleaned);
    }
    if (collection && collection->GetItemById(cleaned)) {
        return Rejected(IDS_RENAME_DUPLICATE, IDS_DUPLICATE_NAME,
                        FormatResString(IDS_RENAME_DUPLICATE, cleaned.GetString()), cleaned);
    }
    SEntryCheck check;
    check.value = cleaned;
    return check;
}

}  // namespace NResourceItem
