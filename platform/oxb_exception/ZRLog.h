// The logging facility: loggers by component name, level masks, and the event log.
//
// Level bits, each tested and passed alone: 0x01 information, 0x04 warning and recovery,
// 0x08 failure, 0x20 detail. Components: "KITROSTER", "VIDEO_AVCOMMON",
// "ZRSYNC_ZRSYNCCOMMON".
//
// Code writes through the ZR_LOG macro of ZRLogSite.h, never by calling these directly:
// the macro skips formatting when the level is disabled.
//
// Configuration (read once, on first use, and again after Reconfigure()):
//   - KITROSTER_LOG: comma-separated items, "COMPONENT=MASK" (mask in C notation, e.g.
//     KITROSTER=0x2d), "*=MASK" for every component, "stderr" to copy entries to stderr,
//     "file=PATH" for the log file, "off" to switch logging off;
//   - otherwise the registry key "Software\Corvent\Utilities\Kitroster\Logging": DWORD
//     values named after components give their masks, "LogFile" (string) the file.
//   - default mask 0x0D (information, warning, failure); default file
//     kitroster.log in the state folder beside the registry database.
// Output: a rotating file (spdlog), stderr when asked, and the system journal / syslog for
// event-log entries.
//
// Thread-safety: all operations are safe for concurrent use.
#pragma once

#include <cstdint>
#include <string>

#define KR_LOG_API __attribute__((visibility("default")))

constexpr uint32_t ZRLOG_INFO = 0x01;
constexpr uint32_t ZRLOG_WARNING = 0x04;
constexpr uint32_t ZRLOG_FAILURE = 0x08;
constexpr uint32_t ZRLOG_DETAIL = 0x20;

// A component's logger. Lives until the process ends.
class KR_LOG_API CZRLogger {
public:
    virtual ~CZRLogger() = default;
    // Writes one entry. `level` is one level bit.
    virtual void Log(uint32_t level, const char* sourceFile, int line, const char* text) = 0;
    uint32_t GetLevelMask() const { return m_levelMask; }
    void SetLevelMask(uint32_t mask) { m_levelMask = mask; }

protected:
    uint32_t m_levelMask = 0;
};

class KR_LOG_API CZRLogManager {
public:
    // True when logging is switched on at all.
    static bool IsLogging();
    // The logger of a component; never null once logging is on.
    static CZRLogger* GetLogger(const char* component);
    // printf-style formatting into 8-bit text.
    static std::string FormatStr(const char* format, ...) __attribute__((format(printf, 1, 2)));

    // Re-reads the configuration (tests, after changing KITROSTER_LOG).
    static void Reconfigure();
    // Routes every entry of every component to `sink` instead of the configured outputs
    // (tests); null restores them. The sink receives component, level, file, line, text.
    using Sink = void (*)(void* context, const char* component, uint32_t level, const char* file,
                          int line, const char* text);
    static void SetSinkForTesting(Sink sink, void* context);
};

// An entry for the system's event log: construct, AddToEventLog, destroy.
class KR_LOG_API COxbException {
public:
    COxbException(const char* sourceFile, int line, uint32_t eventCode, const char* text,
                  void* context, int reserved, int severity);
    ~COxbException();
    void AddToEventLog(const char* sourceFile, int line);

private:
    std::string m_text;
    uint32_t m_eventCode;
};
