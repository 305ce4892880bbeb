// CLogCapture: collects log entries in tests.
//
//     CLogCapture log("KITROSTER=0x2d");       // masks in KITROSTER_LOG syntax
//     ... code under test ...
//     EXPECT_TRUE(log.Contains("CKitrosterFactory::Load()", ZRLOG_FAILURE));
//
// While it lives, the given configuration replaces the environment and the registry, and
// every entry that passes its component's mask is kept here instead of being written
// anywhere. The destructor removes the sink and returns to the normal configuration.
// Captures do not nest: one at a time per process.
//
// Thread-safety: entries may arrive from any thread; the accessors take a lock.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "platform/oxb_exception/ZRLog.h"

class CLogCapture {
  public:
    struct Entry {
        std::string component;
        uint32_t level;
        std::string file;
        int line;
        std::string text;
    };

    // "*=0x2d" enables every level of every component.
    explicit CLogCapture(const char* config = "*=0x2d") {
        CZRLogManager::SetConfigurationForTesting(config);
        CZRLogManager::SetSinkForTesting(&CLogCapture::_collect, this);
    }
    ~CLogCapture() {
        CZRLogManager::SetSinkForTesting(nullptr, nullptr);
        CZRLogManager::SetConfigurationForTesting(nullptr);
    }
    CLogCapture(const CLogCapture&) = delete;
    CLogCapture& operator=(const CLogCapture&) = delete;

    std::vector<Entry> Entries() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_entries;
    }
    // Entries whose text contains `part`, of level `level` (0: any level).
    std::vector<Entry> Matching(const std::string& part, uint32_t level = 0) const {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::vector<Entry> found;
        for (const Entry& entry : m_entries) {
            if ((level == 0 || entry.level == level) &&
                entry.text.find(part) != std::string::npos) {
                found.push_back(entry);
            }
        }
        return found;
    }
    bool Contains(const std::string& part, uint32_t level = 0) const {
        return !Matching(part, level).empty();
    }
    size_t Count(const std::string& part = "", uint32_t level = 0) const {
        return Matching(part, level).size();
    }
    void Clear() {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_entries.clear();
    }

  private:
    static void _collect(void* context, const char* component, uint32_t level, const char* file,
                         int line, const char* text) {
        auto* self = static_cast<CLogCapture*>(context);
        std::lock_guard<std::mutex> lock(self->m_mutex);
        self->m_entries.push_back({component, level, file ? file : "", line, text});
    }

    mutable std::mutex m_mutex;
    std::vector<Entry> m_entries;
};
