// A scripted session for tests, on the headless backend unless the test makes another: the
// script plays the person, and the transcript is kept for the test to read. While the
// session lives its backend is the dialog backend in effect.
//
//   CScriptSession session("type 15002 CAM05\nclick 1\n");
//   int result = dialog.DoModal();          // runs until the dialog closes
//   EXPECT_THAT(session.Events("messagebox"), ...);
//
// A session that runs out of lines with a dialog open throws CScriptEnded from DoModal; a
// bad line throws CScriptError. Run() catches both and records them as the program would.
#pragma once

#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "dialog_framework/headless/HeadlessBackend.h"
#include "dialog_framework/script/ScriptedUser.h"
#include "platform/app/KitrosterApp.h"

namespace kitroster::testing {

// What a scripted run leaves for the test: the body's result, the events and message-box
// texts, and the transcript.
struct SScriptRun {
    int result = 0;
    std::vector<nlohmann::json> events;
    std::vector<std::string> boxes;
    std::string transcript;

    // The events of one kind, in order.
    std::vector<nlohmann::json> Of(const std::string& kind) const;
    // Control `id` of dump number `n`; null when there is no such dump or control.
    nlohmann::json Control(int id, size_t n = 0) const;
};

class CScriptSession {
  public:
    // Makes the backend the session runs on, for the scripted user it is given.
    using BackendMaker = std::function<std::unique_ptr<CDialogBackend>(CScriptedUser&)>;

    // Without `makeBackend` the session runs on the headless backend.
    explicit CScriptSession(const std::string& script, const BackendMaker& makeBackend = {});
    ~CScriptSession();

    // Runs `body` (which opens dialogs); returns its result, 3 when the script ended with a
    // window open, 2 on a script error (both recorded as events).
    int Run(const std::function<int()>& body);

    // The transcript so far, one JSON text per line.
    std::string Transcript() const { return m_out.str(); }
    // Every event, parsed; or only those of one kind.
    std::vector<nlohmann::json> Events(const std::string& kind = "") const;
    // The texts of every message box shown, in order.
    std::vector<std::string> MessageBoxTexts() const;
    // Run(body) with what it left behind.
    SScriptRun Record(const std::function<int()>& body);

    CScriptedUser& User() { return m_user; }

  private:
    std::ostringstream m_out;
    CScriptedUser m_user;
    std::unique_ptr<CDialogBackend> m_backend;
    std::unique_ptr<CAppServicesOverride> m_override;
};

}  // namespace kitroster::testing
