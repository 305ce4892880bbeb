#include "platform/oxb_exception/ZRLog.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <optional>

#include "platform/app/KitrosterApp.h"
#include "platform/oxb_exception/LogConfig.h"
#include "platform/oxb_exception/LogOutput.h"
#include "platform/registry/Registry.h"

namespace {

using kitroster::CRegistry;
using kitroster::logging::CLogConfig;
using kitroster::logging::CLogOutput;

class CComponentLogger final : public CZRLogger {
  public:
    explicit CComponentLogger(std::string component) : m_component(std::move(component)) {}
    void Log(uint32_t level, const char* sourceFile, int line, const char* text) override {
        CLogOutput::Instance().Write(m_component, level, sourceFile, line, text);
    }

  private:
    const std::string m_component;
};

// Configuration and the loggers handed out. Never destroyed: loggers live until the
// process ends, and sites may log from other libraries' static destructors.
class CLogState {
  public:
    static CLogState& Instance() {
        static CLogState* state = new CLogState();
        return *state;
    }

    void EnsureConfigured() {
        if (m_configured.load(std::memory_order_acquire))
            return;
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_configured.load(std::memory_order_relaxed))
            _apply();
    }

    bool on() const { return m_on.load(std::memory_order_relaxed); }

    CZRLogger* Logger(const char* component) {
        EnsureConfigured();
        std::lock_guard<std::mutex> lock(m_mutex);
        std::string name = component ? component : "";
        auto it = m_loggers.find(name);
        if (it != m_loggers.end())
            return it->second;
        auto* logger = new CComponentLogger(name);
        logger->SetLevelMask(m_config.MaskFor(name));
        m_loggers.emplace(name, logger);
        return logger;
    }

    void Reconfigure(std::optional<std::optional<std::string>> testItems = std::nullopt) {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (testItems)
            m_testItems = *testItems;
        _apply();
    }

  private:
    // REQUIRES: m_mutex held.
    void _apply() {
        // The default file sits beside the machine store; its location is known without
        // opening it, so an explicit configuration never touches the registry.
        std::string defaultFile =
            kitroster::logging::DefaultLogFile(GetKitrosterApp().GetRegistry().location());
        const char* env = std::getenv("KITROSTER_LOG");
        if (m_testItems) {
            m_config = kitroster::logging::ParseLogConfig(*m_testItems, defaultFile);
        } else if (env && *env) {
            m_config = kitroster::logging::ParseLogConfig(env, defaultFile);
        } else {
            m_config =
                kitroster::logging::ReadLogConfig(GetKitrosterApp().GetRegistry(), defaultFile);
        }
        for (auto& [name, logger] : m_loggers)
            logger->SetLevelMask(m_config.MaskFor(name));
        CLogOutput::Instance().Configure(m_config);
        m_on.store(m_config.on, std::memory_order_relaxed);
        m_configured.store(true, std::memory_order_release);
    }

    std::mutex m_mutex;
    std::atomic<bool> m_configured{false};
    std::atomic<bool> m_on{true};
    CLogConfig m_config;
    std::optional<std::string> m_testItems;
    std::map<std::string, CComponentLogger*> m_loggers;
};

}  // namespace

bool CZRLogManager::IsLogging() {
    CLogState& state = CLogState::Instance();
    state.EnsureConfigured();
    return state.on();
}

CZRLogger* CZRLogManager::GetLogger(const char* component) {
    return CLogState::Instance().Logger(component);
}

std::string CZRLogManager::FormatStr(const char* format, ...) {
    if (!format)
        return {};
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    std::string text;
    char small[256];
    int length = std::vsnprintf(small, sizeof small, format, args);
    if (length > 0 && static_cast<size_t>(length) < sizeof small) {
        text.assign(small, static_cast<size_t>(length));
    } else if (length > 0) {
        text.resize(static_cast<size_t>(length));
        std::vsnprintf(text.data(), text.size() + 1, format, again);
    }
    va_end(again);
    va_end(args);
    return text;
}

void CZRLogManager::Reconfigure() {
    CLogState::Instance().Reconfigure();
}

void CZRLogManager::SetSinkForTesting(Sink sink, void* context) {
    CLogOutput::Instance().SetTestSink(sink, context);
}

void CZRLogManager::SetConfigurationForTesting(const char* items) {
    std::optional<std::string> value;
    if (items)
        value = items;
    CLogState::Instance().Reconfigure(value);
}

const char* CZRLogManager::LevelName(uint32_t level) {
    switch (level) {
        case ZRLOG_INFO:
            return "INFO";
        case ZRLOG_WARNING:
            return "WARN";
        case ZRLOG_FAILURE:
            return "FAIL";
        case ZRLOG_DETAIL:
            return "DETAIL";
        default:
            return "LEVEL";
    }
}
