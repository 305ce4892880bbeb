#include "dialog_framework/DataExchange.h"

#include <cerrno>
#include <cstdlib>

#include "dialog_framework/Dialog.h"
#include "platform/env/PathMapping.h"
#include "resources/strings/StringTable.h"

using kitroster::EControlClass;
namespace style = kitroster::style;

namespace {

CWnd* Control(CDataExchange* pDX, int id) {
    pDX->m_idLastControl = id;
    return pDX->m_pDlgWnd->GetDlgItem(id);
}

// Text typed with a character Windows-1252 does not have reaches us marked (the backends
// convert it so); storing it would put a '?' in its place without a word, so the entry is
// refused, in the words the import uses.
void RefuseUnheldText(CDataExchange* pDX, const CString& value) {
    if (value.Find(kitroster::kUnheldCharacter) < 0)
        return;
    pDX->m_pDlgWnd->MessageBox(CString(kitroster::UnheldTextMessage("The entry") + "."),
                               LoadResString(IDS_INVALID_ENTRY), MB_OK | MB_ICONERROR);
    pDX->Fail();
}

}  // namespace

void CDataExchange::Fail() {
    if (CWnd* control = m_pDlgWnd->GetDlgItem(m_idLastControl))
        m_pDlgWnd->GotoDlgCtrl(control);
    throw CDataExchangeFailure{};
}

void DDX_Text(CDataExchange* pDX, int id, CString& value) {
    CWnd* control = Control(pDX, id);
    if (!control)
        return;
    if (pDX->m_bSaveAndValidate) {
        const CString text = control->GetWindowText();
        RefuseUnheldText(pDX, text);
        value = text;
    } else {
        control->SetWindowText(value);
    }
}

void DDX_Text(CDataExchange* pDX, int id, int& value) {
    CWnd* control = Control(pDX, id);
    if (!control)
        return;
    if (!pDX->m_bSaveAndValidate) {
        CString text;
        text.Format("%d", value);
        control->SetWindowText(text);
        return;
    }
    CString text = control->GetWindowText();
    text.Trim();
    errno = 0;
    char* end = nullptr;
    long parsed = std::strtol(text.GetString(), &end, 10);
    if (text.IsEmpty() || *end != '\0' || errno == ERANGE || parsed < INT32_MIN ||
        parsed > INT32_MAX) {
        pDX->m_pDlgWnd->MessageBox("Please enter an integer.", "", MB_OK | MB_ICONEXCLAMATION);
        pDX->Fail();
    }
    value = static_cast<int>(parsed);
}

void DDX_Radio(CDataExchange* pDX, int firstId, int& value) {
    CDialog* dialog = pDX->m_pDlgWnd;
    pDX->m_idLastControl = firstId;
    const auto& controls = dialog->Controls();
    size_t first = 0;
    while (first < controls.size() && controls[first]->GetDlgCtrlID() != firstId)
        ++first;
    if (first == controls.size())
        return;
    if (pDX->m_bSaveAndValidate)
        value = -1;
    int index = 0;
    for (size_t i = first; i < controls.size(); ++i, ++index) {
        if (i > first && (controls[i]->GetStyle() & style::kGroup))
            break;
        auto* radio = dynamic_cast<CButton*>(controls[i].get());
        if (!radio || radio->GetClass() != EControlClass::RadioButton)
            break;
        if (pDX->m_bSaveAndValidate) {
            if (radio->GetCheck())
                value = index;
        } else {
            radio->SetCheck(index == value);
        }
    }
}

void DDX_Check(CDataExchange* pDX, int id, int& value) {
    auto* button = dynamic_cast<CButton*>(Control(pDX, id));
    if (!button)
        return;
    if (pDX->m_bSaveAndValidate)
        value = button->GetCheck();
    else
        button->SetCheck(value);
}

void DDX_CBString(CDataExchange* pDX, int id, CString& value) {
    auto* combo = dynamic_cast<CComboBox*>(Control(pDX, id));
    if (!combo)
        return;
    if (pDX->m_bSaveAndValidate) {
        const CString text =
            combo->HasEditPart() ? combo->GetWindowText() : combo->GetLine(combo->GetCurSel());
        RefuseUnheldText(pDX, text);
        value = text;
        return;
    }
    int line = combo->FindStringExact(-1, value);
    if (combo->HasEditPart()) {
        // The edit part shows the value itself, whether a line matches or not.
        if (line >= 0)
            combo->SetCurSel(line);
        combo->SetWindowText(value);
    } else {
        combo->SetCurSel(line);
    }
}

void DDX_CBIndex(CDataExchange* pDX, int id, int& index) {
    auto* combo = dynamic_cast<CComboBox*>(Control(pDX, id));
    if (!combo)
        return;
    if (pDX->m_bSaveAndValidate)
        index = combo->GetCurSel();
    else
        combo->SetCurSel(index);
}

void DDX_LBString(CDataExchange* pDX, int id, CString& value) {
    auto* list = dynamic_cast<CListBox*>(Control(pDX, id));
    if (!list)
        return;
    if (pDX->m_bSaveAndValidate)
        value = list->GetLine(list->GetCurSel());
    else
        list->SetCurSel(list->FindStringExact(-1, value));
}

void DDX_LBIndex(CDataExchange* pDX, int id, int& index) {
    auto* list = dynamic_cast<CListBox*>(Control(pDX, id));
    if (!list)
        return;
    if (pDX->m_bSaveAndValidate)
        index = list->GetCurSel();
    else
        list->SetCurSel(index);
}

void DDV_MaxChars(CDataExchange* pDX, const CString& value, int maxChars) {
    if (!pDX->m_bSaveAndValidate) {
        if (auto* edit = pDX->m_pDlgWnd->GetEdit(pDX->m_idLastControl))
            edit->LimitText(maxChars);
        return;
    }
    if (value.GetLength() > maxChars) {
        CString text;
        text.Format("Enter no more than %d characters.", maxChars);
        pDX->m_pDlgWnd->MessageBox(text, "", MB_OK | MB_ICONEXCLAMATION);
        pDX->Fail();
    }
}
