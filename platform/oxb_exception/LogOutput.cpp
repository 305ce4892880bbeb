#include "platform/oxb_exception/LogOutput.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <syslog.h>
#include <unistd.h>

#include <spdlog/logger.h>
#include <spdlog/sinks/base_sink.h>
#include <spdlog/sinks/stdout_sinks.h>
#include <spdlog/sinks/syslog_sink.h>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <system_error>
#include <vector>

#include "base/ControlEscape.h"

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
    // A logged name holding a line break cannot start a forged entry of its own.
    AppendControlEscaped(&entry, text ? text : "");
    return entry;
}

// The log file, rotated at kFileSize into "name.1.ext" ... "name.<kFileCount>.ext" as
// spdlog's rotating sink names them. The log may sit in a folder that other accounts can
// write to (beside a shared store, say), so anything but a regular file at its name is
// refused: O_NOFOLLOW keeps a planted link from redirecting entries into another file, and
// O_NONBLOCK keeps a planted FIFO from stalling the open, and so every command that logs.
class CLogFileSink final : public spdlog::sinks::base_sink<std::mutex> {
  public:
    // Null when the file cannot be opened; *refused is then true when the name holds
    // something other than a regular file (a link, FIFO, socket, folder or device).
    static std::shared_ptr<CLogFileSink> Open(const std::string& path, bool* refused) {
        auto sink = std::shared_ptr<CLogFileSink>(new CLogFileSink(path));
        const bool opened = sink->_open(false);
        *refused = sink->m_refused;
        return opened ? sink : nullptr;
    }
    ~CLogFileSink() override {
        if (m_fd >= 0)
            ::close(m_fd);
    }

  protected:
    void sink_it_(const spdlog::details::log_msg& msg) override {
        spdlog::memory_buf_t formatted;
        formatter_->format(msg, formatted);
        if (m_size > 0 && m_size + formatted.size() > kFileSize)
            _rotate();
        if (m_fd < 0)
            return;
        const char* data = formatted.data();
        size_t left = formatted.size();
        while (left > 0) {
            const ssize_t written = ::write(m_fd, data, left);
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0)
                return;  // a full disk loses entries, never the caller's work
            data += written;
            left -= static_cast<size_t>(written);
        }
        m_size += formatted.size();
    }
    // Every entry is written straight to the file; there is no buffer to flush.
    void flush_() override {}

  private:
    explicit CLogFileSink(std::string path) : m_path(std::move(path)) {}

    bool _open(bool truncate) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = ::open(m_path.c_str(),
                      O_WRONLY | O_CREAT | O_APPEND | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC |
                          (truncate ? O_TRUNC : 0),
                      0666);
        // A link fails with ELOOP, a FIFO without reader or a socket with ENXIO, a folder
        // with EISDIR; a FIFO with a reader or a device opens and is caught by fstat.
        m_refused = m_fd < 0 && (errno == ELOOP || errno == ENXIO || errno == EISDIR);
        struct stat info;
        if (m_fd >= 0 && (::fstat(m_fd, &info) != 0 || !S_ISREG(info.st_mode))) {
            ::close(m_fd);
            m_fd = -1;
            m_refused = true;
        }
        m_size = m_fd >= 0 ? static_cast<size_t>(info.st_size) : 0;
        return m_fd >= 0;
    }
    std::string _numbered(size_t index) const {
        if (index == 0)
            return m_path;
        const std::filesystem::path path(m_path);
        std::filesystem::path numbered = path;
        numbered.replace_filename(path.stem().string() + "." + std::to_string(index) +
                                  path.extension().string());
        return numbered.string();
    }
    // Renames (never follows) the older files one step up, dropping the oldest.
    void _rotate() {
        for (size_t i = kFileCount; i > 0; --i)
            std::rename(_numbered(i - 1).c_str(), _numbered(i).c_str());
        _open(true);
    }

    const std::string m_path;
    int m_fd = -1;
    size_t m_size = 0;
    bool m_refused = false;
};

// The log file sink, or null when the file cannot be opened (logging goes on without it).
spdlog::sink_ptr OpenFile(const std::string& path, bool* refused) {
    *refused = false;
    if (path.empty())
        return nullptr;
    std::error_code ec;
    std::filesystem::path parent = std::filesystem::path(path).parent_path();
    if (!parent.empty())
        std::filesystem::create_directories(parent, ec);
    return CLogFileSink::Open(path, refused);
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
    bool refused = false;
    if (spdlog::sink_ptr file = OpenFile(m_config.file, &refused))
        sinks.push_back(std::move(file));
    // Said once for a file, not on every reconfiguration, so that a refused log does not go
    // unnoticed and does not flood the terminal either.
    if (refused && m_refusedFile != m_config.file) {
        m_refusedFile = m_config.file;
        std::fprintf(stderr,
                     "kitroster: not logging to %s: it is not a regular file (a link, FIFO, "
                     "folder or device); going on without the log file\n",
                     m_config.file.c_str());
    }
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
