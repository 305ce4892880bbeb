// A private world for video helper tests: a temp catalogue folder, a private registry, a
// test Env for the catalogue and the helper's tick counter, a scripted ping, captured log
// entries, and empty process-wide caches. Everything is restored on destruction.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "common/CString.h"
#include "platform/env/TempDir.h"
#include "platform/env/TestEnv.h"
#include "platform/oxb_exception/LogCapture.h"

namespace videotest {

class CVideoSandbox {
  public:
    CVideoSandbox();
    ~CVideoSandbox();

    // Writes "_RES_<fileId>.zrr" (fileId defaults to id) with the given fields and schema.
    void WriteResource(const CString& id, const CString& type, const CString& conn,
                       const CString& fileId = "", int schema = 1000);
    // Empties the three caches and forgets the refresh interval.
    static void ResetCaches();

    // Ping answers: hosts (upper-case, as the helper asks) that answer.
    void SetReachable(const std::string& upperHost) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_reachable.insert(upperHost);
    }
    int PingCount() const { return m_pings.load(); }
    std::vector<std::string> PingedHosts() const;

    // Number of entries at `level` whose text contains `fragment`.
    int CountLog(uint32_t level, const std::string& fragment) const;

    kitroster::CTestEnv& env() { return m_env; }
    const std::string& root() const { return m_dir.path(); }

  private:
    kitroster::CTempDir m_dir;
    kitroster::CTestEnv m_env;
    mutable std::mutex m_mutex;
    std::set<std::string> m_reachable;
    std::vector<std::string> m_pinged;
    std::atomic<int> m_pings{0};
    CLogCapture m_log{"KITROSTER=0x2d"};
};

}  // namespace videotest
