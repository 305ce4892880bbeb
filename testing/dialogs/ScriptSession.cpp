#include "testing/dialogs/ScriptSession.h"

namespace kitroster::testing {

CScriptSession::CScriptSession(const std::string& script)
    : m_user(script, m_out), m_backend(m_user) {
    AppServices services;
    services.dialogBackend = &m_backend;
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

std::vector<std::string> CScriptSession::MessageBoxTexts() const {
    std::vector<std::string> texts;
    for (const auto& e : Events("messagebox"))
        texts.push_back(e["text"]);
    return texts;
}

}  // namespace kitroster::testing
