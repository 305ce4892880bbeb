// Call-site helper of the logging facility.
//
// Each source file declares one site for its component and writes through ZR_LOG:
//
//     static CZRLogSite s_log("KITROSTER");
//     ZR_LOG(s_log, ZRLOG_INFO, "CKitrosterFactory::Load() schema mismatch ... %d", n);
//
// ZR_LOG follows the four steps every logging site performs: nothing when logging is off;
// the module's cached logger (fetched on first use, never released); nothing when the
// level bit is not in the logger's mask, in which case the arguments are not evaluated
// and nothing is formatted; otherwise format and pass text, level, file and line on.
#pragma once

#include <atomic>

#include "platform/oxb_exception/ZRLog.h"

class CZRLogSite {
  public:
    explicit constexpr CZRLogSite(const char* component) : m_component(component) {}

    // The logger when `level` is enabled, else null.
    CZRLogger* Enabled(uint32_t level) {
        if (!CZRLogManager::IsLogging())
            return nullptr;
        CZRLogger* logger = m_logger.load(std::memory_order_acquire);
        if (!logger) {
            // A race only repeats the same look-up with the same result.
            logger = CZRLogManager::GetLogger(m_component);
            if (!logger)
                return nullptr;
            m_logger.store(logger, std::memory_order_release);
        }
        return (logger->GetLevelMask() & level) ? logger : nullptr;
    }

  private:
    const char* m_component;
    std::atomic<CZRLogger*> m_logger{nullptr};
};

#define ZR_LOG_AT(site, level, file, line, ...)                            \
    do {                                                                   \
        if (CZRLogger* zrLogger_ = (site).Enabled(level)) {                \
            zrLogger_->Log((level), (file), (line),                        \
                           CZRLogManager::FormatStr(__VA_ARGS__).c_str()); \
        }                                                                  \
    } while (0)

#define ZR_LOG(site, level, ...) ZR_LOG_AT(site, level, __FILE__, __LINE__, __VA_ARGS__)
