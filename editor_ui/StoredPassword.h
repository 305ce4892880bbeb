// CStoredPassword: the PASSWORD a connectivity dialog read, so that OK writes it back as
// stored when the person left the password field alone. Opening the stored text is not
// always possible (sealed with another site's key, damaged): the field then shows an empty
// or default password, and sealing that would silently replace the stored one.
//
// Thread-safety: the user-interface thread only.
#pragma once

#include "base/CString.h"

namespace NResourceItem {

class CStoredPassword {
  public:
    // Remembers the stored text (empty when absent or empty) and the password the field
    // shows for it.
    void Read(const CString& stored, const CString& shown);

    // The PASSWORD to write for the field's text: the stored text unchanged when there is
    // one and the field still shows what it showed on opening; otherwise the field sealed.
    CString ToWrite(const CString& field) const;

  private:
    CString m_stored;
    CString m_shown;
};

}  // namespace NResourceItem
