// CScriptedUser: a person at the keyboard, played from a script, for tests and for
// unattended runs of the window program. It answers every modal loop of the session (each
// dialog, message box and pop-up menu) by running the script's next line against the
// active window, and writes a transcript: one JSON object per line, texts in UTF-8.
//
// Commands (words separated by blanks; ROW is #N, zero-based, or a line's text, compared
// ignoring case; for a list view its first column):
//   click ID | type ID TEXT | choose ID ROW | check ID ROW on|off
//   dblclick ID ROW|empty [ctrl] | rclick ID ROW|empty | focus ID | key NAME [ctrl]
//   menu ITEM|none | answer OK|Cancel|Yes|No | wait MS | dump | shot FILE
// Every command on a control first gives it the focus. A command on a disabled or hidden
// control (or typing into a read-only edit) does nothing and is recorded as "ignored".
// A malformed line, an unknown control or row, or a command the active window cannot take
// ends the session with CScriptError; running out of lines with a window still open ends
// it with CScriptEnded. The program catches both and writes the last events.
//
// The same script gives the same transcript on every backend: events are written here,
// from the dialogs' state, never by a backend.
//
// Thread-safety: the user-interface thread only.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <stdexcept>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "base/KitrosterExport.h"
#include "dialog_framework/DialogBackend.h"
#include "dialog_framework/Menu.h"
#include "dialog_framework/script/ScriptLine.h"

class CDialog;

namespace kitroster {

class KITROSTER_API CScriptError : public std::runtime_error {
  public:
    CScriptError(int line, const std::string& message)
        : std::runtime_error(message), m_line(line) {}
    int Line() const { return m_line; }

  private:
    int m_line;
};

// The script ran out with a window still open.
struct CScriptEnded {};

class KITROSTER_API CScriptedUser {
  public:
    // `scriptUtf8` holds the whole script; the transcript goes to `out`.
    CScriptedUser(const std::string& scriptUtf8, std::ostream& out);

    // The backend whose windows this user acts on (the backend calls it).
    void Attach(CDialogBackend* backend) { m_backend = backend; }

    // Runs the next line against the active window.
    void Step();

    // Every dialog's window is also saved as "<folder>/<template>-<n>.png" when it opens
    // (n counts the pictures taken), where the backend draws windows; "shot FILE" with a
    // relative FILE saves into the folder too.
    void SetShotsFolder(const std::string& folder) { m_shotsFolder = folder; }

    // --- Called by the framework.
    void OnDialogOpened(CDialog& dialog);
    void OnDialogClosed(CDialog& dialog, int result);
    int AnswerMessageBox(const SMessageBoxRequest& request);
    UINT ChooseFromMenu(const CMenu& menu);
    void OnLaunch(const std::string& program, const std::vector<std::string>& args);

    // --- Called by the program at the end of the session.
    void WriteError(int line, const std::string& message);
    // The last event; `extra` members are added to it (the selection of a pick).
    void WriteEnd(int result, const nlohmann::ordered_json& extra = {});
    // Writes one event (the program's own, e.g. a failure that ended the session).
    void Write(const nlohmann::ordered_json& event);

  private:
    struct SFrame;
    void _run(const SScriptLine& line);
    void _on_box(SFrame& frame, const SScriptLine& line);
    void _on_menu(SFrame& frame, const SScriptLine& line);
    void _on_control(CDialog& dialog, const SScriptLine& line);
    void _ignored(int line, const std::string& reason);
    void _dump(CDialog& dialog);
    [[noreturn]] void _fail(const SScriptLine& line, const std::string& message);
    std::string _utf8(const CString& text) const;

    std::vector<std::string> m_lines;
    size_t m_next = 0;
    std::ostream& m_out;
    CDialogBackend* m_backend = nullptr;
    std::vector<SFrame*> m_frames;  // open message boxes and menus, innermost last
    std::string m_shotsFolder;
    int m_shots = 0;
};

}  // namespace kitroster
