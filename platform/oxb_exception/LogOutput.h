// Where entries go: the spdlog outputs (rotating file, stderr, syslog) or the test sink.
//
// Thread-safety: all members are safe for concurrent use.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "platform/oxb_exception/LogConfig.h"
#include "platform/oxb_exception/ZRLog.h"

namespace spdlog {
class logger;
}

namespace kitroster::logging {

class CLogOutput {
  public:
    // The process-wide output; never destroyed, so that entries written during exit still
    // find it.
    static CLogOutput& Instance();

    // Takes the file and stderr settings of `config`; the file is opened on the next entry.
    void Configure(const CLogConfig& config);
    void SetTestSink(CZRLogManager::Sink sink, void* context);

    // One entry of a component (the caller has checked the mask).
    void Write(const std::string& component, uint32_t level, const char* file, int line,
               const char* text);
    // One event-log entry: syslog, and the file unless `toFile` is false.
    void WriteEvent(uint32_t level, const char* file, int line, const std::string& text,
                    bool toFile);

  private:
    CLogOutput() = default;
    // The file and stderr logger, built on first use after Configure. Null when neither
    // output is wanted.
    std::shared_ptr<spdlog::logger> _output();
    // REQUIRES: m_sinkMutex held.
    bool _toTestSink(const char* component, uint32_t level, const char* file, int line,
                     const char* text);

    std::mutex m_mutex;  // guards the members below up to m_sinkMutex
    CLogConfig m_config;
    bool m_built = false;
    std::shared_ptr<spdlog::logger> m_output;
    std::shared_ptr<spdlog::logger> m_eventLog;
    std::string m_refusedFile;  // the log file last reported on stderr as refused

    std::mutex m_sinkMutex;  // held while the test sink runs
    CZRLogManager::Sink m_sink = nullptr;
    void* m_sinkContext = nullptr;
};

}  // namespace kitroster::logging
