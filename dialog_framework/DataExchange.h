// Dialog data exchange: DoDataExchange moves values between a dialog's fields and its
// controls, in either direction, with the DDX_ and DDV_ helpers below. When a value is
// refused on the way in (not a number, too long), the helper tells the person in a
// message box, puts the focus on the control and the exchange stops: UpdateData(TRUE)
// returns FALSE and the fields after it keep their values.
#pragma once

#include "base/CString.h"
#include "base/KitrosterExport.h"
#include "dialog_framework/WinTypes.h"

class CDialog;

class KITROSTER_API CDataExchange {
  public:
    CDataExchange(CDialog* dialog, BOOL saveAndValidate)
        : m_pDlgWnd(dialog), m_bSaveAndValidate(saveAndValidate) {}
    // Reports the refusal of the last control's value: focus goes to it, the exchange
    // stops (throws CDataExchangeFailure, which UpdateData catches).
    [[noreturn]] void Fail();

    CDialog* m_pDlgWnd;
    BOOL m_bSaveAndValidate;
    int m_idLastControl = 0;
};

struct CDataExchangeFailure {};

KITROSTER_API void DDX_Text(CDataExchange* pDX, int id, CString& value);
KITROSTER_API void DDX_Text(CDataExchange* pDX, int id, int& value);
// A radio group: `value` is the zero-based index of the checked button of the group that
// starts at `firstId`, -1 for none.
KITROSTER_API void DDX_Radio(CDataExchange* pDX, int firstId, int& value);
KITROSTER_API void DDX_Check(CDataExchange* pDX, int id, int& value);
// A combo box's text: its edit part, or the chosen line of a drop-down list (on the way out
// the line equal to the value ignoring case is chosen, none when there is none).
KITROSTER_API void DDX_CBString(CDataExchange* pDX, int id, CString& value);
KITROSTER_API void DDX_CBIndex(CDataExchange* pDX, int id, int& index);
KITROSTER_API void DDX_LBString(CDataExchange* pDX, int id, CString& value);
KITROSTER_API void DDX_LBIndex(CDataExchange* pDX, int id, int& index);
// On the way out, the last control takes at most `maxChars` characters; on the way in a
// longer value is refused with the framework's message.
KITROSTER_API void DDV_MaxChars(CDataExchange* pDX, const CString& value, int maxChars);
