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
//     "file=PATH" for the log file ("file=" for none), "off" to switch logging off;
//     component names compare without regard to case; items that do not parse are
//     ignored;
//   - otherwise (KITROSTER_LOG unset or empty) the registry key
//     "Software\Corvent\Utilities\Kitroster\Logging": DWORD values named after
//     components give their masks ("*" for every component), "LogFile" (string) the file.
//     The key is only read, never created; an unavailable registry gives the defaults;
//   - default mask 0x0C (warning, failure): information entries are written on every
//     cached video resolution, so they are switched on by configuration when wanted;
//     default file kitroster.log in the
//     folder of the machine registry database (CRegistry::Machine().location()).
// Output: a rotating file (spdlog, 5 MiB x 3, opened on the first entry; when it cannot be
// opened, entries go to the other outputs only), stderr when asked, and syslog for
// event-log entries. An entry reads
//     2026-12-08 06:10:00.123 [pid:tid] KITROSTER WARN ResourceFile.cpp:88 text
//
// Thread-safety: all operations are safe for concurrent use.
#pragma once

#include <atomic>
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
    uint32_t GetLevelMask() const { return m_levelMask.load(std::memory_order_relaxed); }
    void SetLevelMask(uint32_t mask) { m_levelMask.store(mask, std::memory_order_relaxed); }

  protected:
    // Atomic because Reconfigure() changes it while other threads test it.
    std::atomic<uint32_t> m_levelMask{0};
};

class KR_LOG_API CZRLogManager {
  public:
    // True when logging is switched on at all.
    static bool IsLogging();
    // The logger of a component; never null once logging is on.
    static CZRLogger* GetLogger(const char* component);
    // printf-style formatting into 8-bit text; a null format gives empty text.
    static std::string FormatStr(const char* format, ...) __attribute__((format(printf, 1, 2)));

    // Re-reads the configuration (tests, after changing KITROSTER_LOG).
    static void Reconfigure();
    // Routes every entry of every component to `sink` instead of the configured outputs
    // (tests); null restores them. The sink receives component, level, file, line, text.
    // Masks still apply. Calls are serialised under a lock (the sink needs no locking of
    // its own and must not log); once SetSinkForTesting returns, the previous sink is no
    // longer called. Event-log entries arrive with the component "EVENTLOG".
    using Sink = void (*)(void* context, const char* component, uint32_t level, const char* file,
                          int line, const char* text);
    static void SetSinkForTesting(Sink sink, void* context);
    // Uses `items` (KITROSTER_LOG syntax) as the configuration instead of the environment
    // and the registry, and applies it at once; null returns to the normal sources (tests).
    static void SetConfigurationForTesting(const char* items);
    // The name of a level bit as entries show it: INFO, WARN, FAIL, DETAIL.
    static const char* LevelName(uint32_t level);
};

// An entry for the system's event log: construct, AddToEventLog, destroy.
//
// AddToEventLog sends one entry to syslog (ident "kitroster") and, when logging is on, to
// the log file under the component "EVENTLOG" whatever the masks say: events are rare and
// meant for the administrator. The text reads "event 0xC1010002: <text>". `severity` 1 is
// an error, 2 a warning, anything else information. `context` and `reserved` are unused.
class KR_LOG_API COxbException {
  public:
    COxbException(const char* sourceFile, int line, uint32_t eventCode, const char* text,
                  void* context, int reserved, int severity);
    ~COxbException();
    void AddToEventLog(const char* sourceFile, int line);

  private:
    std::string m_text;
    uint32_t m_eventCode;
    int m_severity;
};
