#include "editor_ui/StoredPassword.h"

#include "platform/kxcommon/KXCommon.h"

namespace NResourceItem {

void CStoredPassword::Read(const CString& stored, const CString& shown) {
    m_stored = stored;
    m_shown = shown;
}

CString CStoredPassword::ToWrite(const CString& field) const {
    if (!m_stored.IsEmpty() && field == m_shown)
        return m_stored;
    return EncryptPassword(field);
}

}  // namespace NResourceItem
