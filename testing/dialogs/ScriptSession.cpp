#include "testing/dialogs/ScriptSession.h"

namespace kitroster::testing {

std::vector<nlohmann::json> SScriptRun::Of(const std::string& kind) const {
    std::vector<nlohmann::json> found;
    for (const auto& e : events)
        if (e["event"] == kind)
            found.push_back(e);
    return found;
}

nlohmann::json SScriptRun::Control(int id, size_t n) const {
    const std::vector<nlohmann::json> dumps = Of("dump");
    if (n >= dumps.size())
        return {};
    for (const auto& c : dumps[n]["controls"])
        if (c["id"] == id)
            return c;
    return {};
}

CScriptSession::CScriptSession(const std::string& script, const BackendMaker& makeBackend)
    : m_user(script, m_out),
      m_backend(makeBackend ? makeBackend(m_user) : std::make_unique<CHeadlessBackend>(m_user)) {
    AppServices services;
    services.dialogBackend = m_backend.get();
    m_override = std::make_unique<CAppServicesOverride>(services);
}

CScriptSession::~CScriptSession() = default;

int CScriptSession::Run(const std::function<int()>& body) {
    try {
        return body();
    } catch (const CScriptEnded&) {
        return 3;
    } catch (const CScriptError& e) {
        m_user.WriteError(e.Line(), e.what());
        return 2;
    }
}

std::vector<nlohmann::json> CScriptSession::Events(const std::string& kind) const {
    std::vector<nlohmann::json> events;
    std::istringstream in(m_out.str());
    for (std::string line; std::getline(in, line);) {
        auto event = nlohmann::json::parse(line);
        if (kind.empty() || event["event"] == kind)
            events.push_back(event);
    }
    return events;
}

SScriptRun CScriptSession::Record(const std::function<int()>& body) {
    SScriptRun run;
    run.result = Run(body);
    run.events = Events();
    run.boxes = MessageBoxTexts();
    run.transcript = Transcript();
    return run;
}

std::vector<std::string> CScriptSession::MessageBoxTexts() const {
    std::vector<std::string> texts;
    for (const auto& e : Events("messagebox"))
        texts.push_back(e["text"]);
    return texts;
}

}  // namespace kitroster::testing
