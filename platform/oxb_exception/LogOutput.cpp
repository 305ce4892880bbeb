#include "platform/oxb_exception/LogOutput.h"

#include <syslog.h>

#include <spdlog/logger.h>
#include <spdlog/sinks/rotating_file_sink.h>
#include <spdlog/sinks/stdout_sinks.h>
#include <spdlog/sinks/syslog_sink.h>
#include <filesystem>
#include <system_error>
#include <vector>

namespace kitroster::logging {

namespace {

constexpr size_t kFileSize = 5 * 1024 * 1024;
constexpr size_t kFileCount = 3;
constexpr const char* kPattern = "%Y-%m-%d %H:%M:%S.%e [%P:%t] %v";

spdlog::level::level_enum SpdlogLevel(uint32_t level) {
    switch (level) {
        case ZRLOG_FAILURE:
            return spdlog::level::err;
        case ZRLOG_WARNING:
            return spdlog::level::warn;
        case ZRLOG_DETAIL:
            return spdlog::level::debug;
        default:
            return spdlog::level::info;
    }
}

const char* BaseName(const char* path) {
    if (!path)
        return "";
    const char* base = path;
    for (const char* p = path; *p; ++p) {
        if (*p == '/' || *p == '\\')
            base = p + 1;
    }
    return base;
}

std::string Entry(const std::string& component, uint32_t level, const char* file, int line,
                  const char* text) {
    std::string entry = component;
    entry += ' ';
    entry += CZRLogManager::LevelName(level);
    entry += ' ';
    entry += BaseName(file);
    entry += ':';
    entry += std::to_string(line);
    entry += ' ';
    entry += text ? text : "";
    return entry;
}

// The rotating file sink, or null when the file cannot be opened (logging goes on
// without it).
spdlog::sink_ptr OpenFile(const std::string& path) {
    if (path.empty())
        return nullptr;
    std::error_code ec;
    std::filesystem::path parent = std::filesystem::path(path).parent_path();
    if (!parent.empty())
        std::filesystem::create_directories(parent, ec);
    try {
        return std::make_shared<spdlog::sinks::rotating_file_sink_mt>(path, kFileSize, kFileCount);
    } catch (const std::exception&) {
        return nullptr;
    }
}

}  // namespace

CLogOutput& CLogOutput::Instance() {
    static CLogOutput* instance = new CLogOutput();
    return *instance;
}

void CLogOutput::Configure(const CLogConfig& config) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_config = config;
    m_built = false;
    m_output.reset();  // writers holding the old logger finish with it
}

void CLogOutput::SetTestSink(CZRLogManager::Sink sink, void* context) {
    std::lock_guard<std::mutex> lock(m_sinkMutex);
    m_sink = sink;
    m_sinkContext = context;
}

std::shared_ptr<spdlog::logger> CLogOutput::_output() {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_built)
        return m_output;
    m_built = true;
    std::vector<spdlog::sink_ptr> sinks;
    if (spdlog::sink_ptr file = OpenFile(m_config.file))
        sinks.push_back(std::move(file));
    if (m_config.toStderr)
        sinks.push_back(std::make_shared<spdlog::sinks::stderr_sink_mt>());
    if (sinks.empty())
        return nullptr;
    // Not registered with spdlog's registry: names may repeat across reconfigurations and
    // nothing else should find or drop these loggers.
    auto output = std::make_shared<spdlog::logger>("kitroster", sinks.begin(), sinks.end());
    output->set_pattern(kPattern);
    output->set_level(spdlog::level::trace);
    // Every entry reaches the file at once: the entry before a crash is the one that
    // matters.
    output->flush_on(spdlog::level::trace);
    m_output = output;
    return m_output;
}

bool CLogOutput::_toTestSink(const char* component, uint32_t level, const char* file, int line,
                             const char* text) {
    if (!m_sink)
        return false;
    m_sink(m_sinkContext, component, level, file, line, text ? text : "");
    return true;
}

void CLogOutput::Write(const std::string& component, uint32_t level, const char* file, int line,
                       const char* text) {
    {
        std::lock_guard<std::mutex> lock(m_sinkMutex);
        if (_toTestSink(component.c_str(), level, file, line, text))
            return;
    }
    std::shared_ptr<spdlog::logger> output = _output();
    if (!output)
        return;
    try {
        output->log(SpdlogLevel(level), Entry(component, level, file, line, text));
    } catch (const std::exception&) {
        // Logging never fails its caller.
    }
}

void CLogOutput::WriteEvent(uint32_t level, const char* file, int line, const std::string& text,
                            bool toFile) {
    {
        std::lock_guard<std::mutex> lock(m_sinkMutex);
        if (_toTestSink("EVENTLOG", level, file, line, text.c_str()))
            return;
    }
    std::shared_ptr<spdlog::logger> eventLog;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_eventLog) {
            auto sink = std::make_shared<spdlog::sinks::syslog_sink_mt>("kitroster", LOG_PID,
                                                                        LOG_USER, true);
            m_eventLog = std::make_shared<spdlog::logger>("kitroster-event", sink);
            m_eventLog->set_pattern("%v");
            m_eventLog->set_level(spdlog::level::trace);
        }
        eventLog = m_eventLog;
    }
    try {
        eventLog->log(SpdlogLevel(level), Entry("EVENTLOG", level, file, line, text.c_str()));
    } catch (const std::exception&) {
    }
    if (toFile)
        Write("EVENTLOG", level, file, line, text.c_str());
}

}  // namespace kitroster::logging
