#include "dialog_framework/script/ScriptedUser.h"

#include <cerrno>
#include <cstdlib>
#include <ostream>
#include <sstream>

#include "dialog_framework/Dialog.h"
#include "platform/env/PathMapping.h"

namespace kitroster {

using json = nlohmann::ordered_json;

// An open message box or pop-up menu waiting for its answer.
struct CScriptedUser::SFrame {
    bool isMenu = false;
    std::vector<std::string> buttons;  // message box
    const CMenu* menu = nullptr;
    bool answered = false;
    int answer = 0;
};

namespace {

const char* ClassName(EControlClass cls) {
    switch (cls) {
        case EControlClass::PushButton:
            return "button";
        case EControlClass::RadioButton:
            return "radio";
        case EControlClass::CheckBox:
            return "checkbox";
        case EControlClass::GroupBox:
            return "groupbox";
        case EControlClass::Static:
            return "static";
        case EControlClass::Edit:
            return "edit";
        case EControlClass::ComboBox:
        case EControlClass::DropDownList:
            return "combobox";
        case EControlClass::ListBox:
            return "listbox";
        case EControlClass::CheckListBox:
            return "checklistbox";
        case EControlClass::ListView:
            return "listview";
    }
    return "static";
}

std::vector<std::string> ButtonsOf(UINT type) {
    switch (type & MB_TYPEMASK) {
        case MB_OKCANCEL:
            return {"OK", "Cancel"};
        case MB_YESNO:
            return {"Yes", "No"};
        case MB_YESNOCANCEL:
            return {"Yes", "No", "Cancel"};
        default:
            return {"OK"};
    }
}

int ResultOf(const std::string& button) {
    if (button == "OK")
        return IDOK;
    if (button == "Cancel")
        return IDCANCEL;
    if (button == "Yes")
        return IDYES;
    return IDNO;
}

const char* IconOf(UINT type) {
    switch (type & MB_ICONMASK) {
        case MB_ICONHAND:
            return "error";
        case MB_ICONEXCLAMATION:
            return "warning";
        case MB_ICONINFORMATION:
            return "information";
        case MB_ICONQUESTION:
            return "question";
        default:
            return "none";
    }
}

bool ParseNumber(const CString& word, long* value) {
    if (word.IsEmpty())
        return false;
    errno = 0;
    char* end = nullptr;
    *value = std::strtol(word.GetString(), &end, 10);
    return *end == '\0' && errno == 0;
}

bool Is(const CString& word, const char* name) {
    return word.CompareNoCase(name) == 0;
}

const char* ReasonOf(EUserAction action) {
    switch (action) {
        case EUserAction::Disabled:
            return "disabled";
        case EUserAction::Hidden:
            return "hidden";
        case EUserAction::ReadOnly:
            return "read-only";
        default:
            return "";
    }
}

}  // namespace

CScriptedUser::CScriptedUser(const std::string& scriptUtf8, std::ostream& out) : m_out(out) {
    std::istringstream in(scriptUtf8);
    for (std::string line; std::getline(in, line);)
        m_lines.push_back(line);
}

std::string CScriptedUser::_utf8(const CString& text) const {
    return Cp1252ToUtf8(text.str());
}

void CScriptedUser::Write(const json& event) {
    m_out << event.dump() << '\n' << std::flush;
}

void CScriptedUser::_ignored(int line, const std::string& reason) {
    Write(json{{"event", "ignored"}, {"line", line}, {"reason", reason}});
}

void CScriptedUser::_fail(const SScriptLine& line, const std::string& message) {
    throw CScriptError(line.number, message);
}

void CScriptedUser::WriteError(int line, const std::string& message) {
    Write(json{{"event", "error"}, {"line", line}, {"message", message}});
}

void CScriptedUser::WriteEnd(int result, const json& extra) {
    json event{{"event", "end"}, {"result", result}};
    for (auto it = extra.begin(); it != extra.end(); ++it)
        event[it.key()] = it.value();
    Write(event);
}

void CScriptedUser::OnDialogOpened(CDialog& dialog) {
    Write(json{{"event", "open"},
               {"template", dialog.GetTemplateId()},
               {"title", _utf8(dialog.GetWindowText())}});
    if (!m_shotsFolder.empty() && dialog.GetPeer()) {
        if (m_backend)
            m_backend->ProcessEvents();
        dialog.GetPeer()->Shot(m_shotsFolder + "/" + std::to_string(dialog.GetTemplateId()) + "-" +
                               std::to_string(++m_shots) + ".png");
    }
}

void CScriptedUser::OnDialogClosed(CDialog& dialog, int result) {
    Write(json{{"event", "close"}, {"template", dialog.GetTemplateId()}, {"result", result}});
}

void CScriptedUser::OnLaunch(const std::string& program, const std::vector<std::string>& args) {
    json list = json::array();
    for (const auto& arg : args)
        list.push_back(Cp1252ToUtf8(arg));
    Write(json{{"event", "launch"}, {"program", program}, {"args", list}});
}

int CScriptedUser::AnswerMessageBox(const SMessageBoxRequest& request) {
    SFrame frame;
    frame.buttons = ButtonsOf(request.type);
    size_t defIndex = (request.type & MB_DEFMASK) >> 8;
    if (defIndex >= frame.buttons.size())
        defIndex = 0;
    json buttons = frame.buttons;
    Write(json{{"event", "messagebox"},
               {"caption", _utf8(request.caption)},
               {"text", _utf8(request.text)},
               {"buttons", buttons},
               {"default", frame.buttons[defIndex]},
               {"icon", IconOf(request.type)}});
    m_frames.push_back(&frame);
    struct SPop {
        std::vector<SFrame*>& frames;
        ~SPop() { frames.pop_back(); }
    } pop{m_frames};
    while (!frame.answered) {
        if (m_backend) {
            m_backend->SyncAll();
            m_backend->ProcessEvents();
        }
        Step();
    }
    return frame.answer;
}

UINT CScriptedUser::ChooseFromMenu(const CMenu& menu) {
    SFrame frame;
    frame.isMenu = true;
    frame.menu = &menu;
    json items = json::array();
    for (const auto& item : menu.Items()) {
        if (item.separator)
            items.push_back(json{{"separator", true}});
        else
            items.push_back(json{{"id", item.id}, {"text", _utf8(item.text)}});
    }
    Write(json{{"event", "menu"}, {"items", items}});
    m_frames.push_back(&frame);
    struct SPop {
        std::vector<SFrame*>& frames;
        ~SPop() { frames.pop_back(); }
    } pop{m_frames};
    while (!frame.answered) {
        if (m_backend)
            m_backend->ProcessEvents();
        Step();
    }
    return static_cast<UINT>(frame.answer);
}

void CScriptedUser::Step() {
    while (m_next < m_lines.size()) {
        SScriptLine line;
        line.number = static_cast<int>(m_next) + 1;
        std::string error;
        const std::string& text = m_lines[m_next++];
        if (!SplitScriptLine(text, &line, &error))
            throw CScriptError(line.number, error);
        if (line.words.empty())
            continue;
        _run(line);
        return;
    }
    throw CScriptEnded{};
}

void CScriptedUser::_run(const SScriptLine& line) {
    const CString& verb = line.words[0];
    size_t argc = line.words.size() - 1;
    if (Is(verb, "wait")) {
        long ms = 0;
        if (argc != 1 || !ParseNumber(line.words[1], &ms) || ms < 0)
            _fail(line, "wait takes a number of milliseconds");
        if (m_backend)
            m_backend->Advance(static_cast<uint32_t>(ms));
        return;
    }
    CDialog* dialog = m_backend ? m_backend->ActiveDialog() : nullptr;
    if (Is(verb, "dump")) {
        if (argc != 0)
            _fail(line, "dump takes no arguments");
        if (!dialog)
            _fail(line, "no dialog is open");
        _dump(*dialog);
        return;
    }
    if (Is(verb, "shot")) {
        if (argc != 1)
            _fail(line, "shot takes a file name");
        if (!dialog)
            _fail(line, "no dialog is open");
        if (!dialog->GetPeer()) {
            _ignored(line.number, "no picture without windows");
            return;
        }
        // A relative name is taken in the pictures folder when the run has one.
        std::string file = line.words[1].str();
        if (!m_shotsFolder.empty() && !file.empty() && file.front() != '/')
            file = m_shotsFolder + "/" + file;
        if (!dialog->GetPeer()->Shot(file)) {
            _ignored(line.number, "the picture could not be saved as " + _utf8(CString(file)));
            return;
        }
        Write(json{{"event", "shot"}, {"line", line.number}, {"file", _utf8(CString(file))}});
        return;
    }
    if (!m_frames.empty()) {
        SFrame& frame = *m_frames.back();
        if (frame.isMenu)
            _on_menu(frame, line);
        else
            _on_box(frame, line);
        return;
    }
    if (Is(verb, "answer"))
        _fail(line, "no message box is open");
    if (Is(verb, "menu"))
        _fail(line, "no menu is open");
    if (!dialog)
        _fail(line, "no dialog is open");
    _on_control(*dialog, line);
}

void CScriptedUser::_on_box(SFrame& frame, const SScriptLine& line) {
    if (!Is(line.words[0], "answer"))
        _fail(line, "a message box is open: answer it first");
    if (line.words.size() != 2)
        _fail(line, "answer takes one button");
    for (const auto& button : frame.buttons) {
        if (Is(line.words[1], button.c_str())) {
            frame.answer = ResultOf(button);
            frame.answered = true;
            return;
        }
    }
    _fail(line, "the message box has no button " + line.words[1].str());
}

void CScriptedUser::_on_menu(SFrame& frame, const SScriptLine& line) {
    if (!Is(line.words[0], "menu"))
        _fail(line, "a menu is open: choose from it first");
    if (line.words.size() != 2)
        _fail(line, "menu takes one item");
    const CString& want = line.words[1];
    if (Is(want, "none")) {
        frame.answer = 0;
        frame.answered = true;
        return;
    }
    long id = 0;
    bool numeric = ParseNumber(want, &id);
    for (const auto& item : frame.menu->Items()) {
        if (item.separator)
            continue;
        if ((numeric && static_cast<long>(item.id) == id) || item.text.CompareNoCase(want) == 0) {
            frame.answer = static_cast<int>(item.id);
            frame.answered = true;
            return;
        }
    }
    _fail(line, "the menu has no item " + want.str());
}

void CScriptedUser::_on_control(CDialog& dialog, const SScriptLine& line) {
    const CString& verb = line.words[0];
    size_t argc = line.words.size() - 1;
    if (Is(verb, "key")) {
        if (argc < 1 || argc > 2 || (argc == 2 && !Is(line.words[2], "ctrl")))
            _fail(line, "key takes a key name and optionally ctrl");
        const CString& name = line.words[1];
        UINT vk = Is(name, "Insert")   ? VK_INSERT
                  : Is(name, "Delete") ? VK_DELETE
                  : Is(name, "Return") ? VK_RETURN
                  : Is(name, "Escape") ? VK_ESCAPE
                                       : 0;
        if (!vk)
            _fail(line, "unknown key " + name.str());
        dialog.UserKey(vk, argc == 2);
        return;
    }
    static const char* const kVerbs[] = {"click",    "type",   "choose", "check",
                                         "dblclick", "rclick", "focus"};
    bool known = false;
    for (const char* v : kVerbs)
        known = known || Is(verb, v);
    if (!known)
        _fail(line, "unknown command " + verb.str());
    long id = 0;
    if (argc < 1 || !ParseNumber(line.words[1], &id))
        _fail(line, "a control id is expected");
    CWnd* control = dialog.GetDlgItem(static_cast<int>(id));
    if (!control)
        _fail(line, "dialog " + std::to_string(dialog.GetTemplateId()) + " has no control " +
                        std::to_string(id));

    // The row a ROW word names in this control; -1 for "empty" where allowed.
    auto rowOf = [&](const CString& word, bool emptyAllowed) -> int {
        if (emptyAllowed && Is(word, "empty"))
            return -1;
        std::vector<CString> texts;
        if (auto* list = dynamic_cast<CListCtrl*>(control)) {
            for (int r = 0; r < list->GetItemCount(); ++r)
                texts.push_back(list->GetItemText(r, 0));
        } else if (auto* lines = dynamic_cast<CListBase*>(control)) {
            texts = lines->Lines();
        } else {
            _fail(line, "control " + std::to_string(id) + " has no rows");
        }
        long n = 0;
        if (word.GetLength() > 1 && word[0] == '#' && ParseNumber(word.Mid(1), &n)) {
            if (n < 0 || n >= static_cast<long>(texts.size()))
                _fail(line, "control " + std::to_string(id) + " has no row " + word.str());
            return static_cast<int>(n);
        }
        for (size_t r = 0; r < texts.size(); ++r)
            if (texts[r].CompareNoCase(word) == 0)
                return static_cast<int>(r);
        _fail(line, "control " + std::to_string(id) + " has no row \"" + _utf8(word) + "\"");
    };

    EUserAction result = EUserAction::Done;
    int target = static_cast<int>(id);
    if (Is(verb, "click") && argc == 1) {
        result = dialog.UserClick(target);
    } else if (Is(verb, "focus") && argc == 1) {
        result = dialog.UserFocus(target);
    } else if (Is(verb, "type") && argc == 2) {
        result = dialog.UserType(target, line.words[2]);
    } else if (Is(verb, "choose") && argc == 2) {
        EUserAction reach = dialog.Reachable(*control);
        result = reach != EUserAction::Done
                     ? reach
                     : dialog.UserChoose(target, rowOf(line.words[2], false));
    } else if (Is(verb, "check") && argc == 3 &&
               (Is(line.words[3], "on") || Is(line.words[3], "off"))) {
        EUserAction reach = dialog.Reachable(*control);
        result = reach != EUserAction::Done ? reach
                                            : dialog.UserCheck(target, rowOf(line.words[2], false),
                                                               Is(line.words[3], "on"));
    } else if (Is(verb, "dblclick") && (argc == 2 || (argc == 3 && Is(line.words[3], "ctrl")))) {
        EUserAction reach = dialog.Reachable(*control);
        result = reach != EUserAction::Done
                     ? reach
                     : dialog.UserDoubleClick(target, rowOf(line.words[2], true), argc == 3);
    } else if (Is(verb, "rclick") && argc == 2) {
        EUserAction reach = dialog.Reachable(*control);
        result = reach != EUserAction::Done
                     ? reach
                     : dialog.UserRightClick(target, rowOf(line.words[2], true));
    } else {
        _fail(line, "wrong arguments for " + verb.str());
    }
    if (result == EUserAction::NotApplicable)
        _fail(line, "control " + std::to_string(id) + " does not take " + verb.str());
    if (result == EUserAction::NoSuchRow)
        _fail(line, "control " + std::to_string(id) + " has no such row");
    if (result != EUserAction::Done)
        _ignored(line.number, ReasonOf(result));
}

void CScriptedUser::_dump(CDialog& dialog) {
    json controls = json::array();
    for (const auto& owned : dialog.Controls()) {
        const CWnd& c = *owned;
        json j{{"id", c.GetDlgCtrlID()},
               {"class", ClassName(c.GetClass())},
               {"text", _utf8(c.GetWindowText())},
               {"visible", c.IsWindowVisible() != 0},
               {"enabled", c.IsWindowEnabled() != 0}};
        if (auto* edit = dynamic_cast<const CEdit*>(&c))
            j["readonly"] = edit->IsReadOnly();
        if (c.GetClass() == EControlClass::RadioButton || c.GetClass() == EControlClass::CheckBox)
            j["checked"] = static_cast<const CButton&>(c).GetCheck() != 0;
        if (auto* lines = dynamic_cast<const CListBase*>(&c)) {
            json items = json::array();
            for (const auto& l : lines->Lines())
                items.push_back(_utf8(l));
            j["items"] = items;
            j["selected"] = lines->GetCurSel();
            if (auto* checks = dynamic_cast<const CCheckListBox*>(&c)) {
                json marks = json::array();
                for (bool b : checks->Checks())
                    marks.push_back(b);
                j["checks"] = marks;
            }
        }
        if (auto* list = dynamic_cast<const CListCtrl*>(&c)) {
            json columns = json::array();
            for (const auto& col : list->Columns())
                columns.push_back(json{{"heading", _utf8(col.heading)}, {"width", col.width}});
            json rows = json::array();
            for (int r = 0; r < list->GetItemCount(); ++r) {
                json cells = json::array();
                for (int k = 0; k < list->GetColumnCount(); ++k)
                    cells.push_back(_utf8(list->GetItemText(r, k)));
                rows.push_back(cells);
            }
            j["columns"] = columns;
            j["rows"] = rows;
            j["selected"] = list->GetSelectionMark();
        }
        controls.push_back(j);
    }
    json focus = dialog.GetFocusId() ? json(dialog.GetFocusId()) : json(nullptr);
    Write(json{{"event", "dump"},
               {"template", dialog.GetTemplateId()},
               {"title", _utf8(dialog.GetWindowText())},
               {"focus", focus},
               {"controls", controls}});
}

}  // namespace kitroster
