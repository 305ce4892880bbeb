// A private world for video helper tests: the test site (catalogue folder, registry, test
// Env for the catalogue and the helper's tick counter, scripted ping) plus captured log
// entries and empty process-wide caches. Everything is restored on destruction.
#pragma once

#include <cstdint>
#include <string>

#include "base/CString.h"
#include "testing/log/LogCapture.h"
#include "testing/site/TestSite.h"

namespace videotest {

class CVideoSandbox : public kitroster::testing::CTestSite {
  public:
    CVideoSandbox();
    ~CVideoSandbox();

    // Writes "_RES_<fileId>.zrr" (fileId defaults to id) with the given fields and schema.
    void WriteResource(const CString& id, const CString& type, const CString& conn,
                       const CString& fileId = "", int schema = 1000);
    // Empties the three caches and forgets the refresh interval.
    static void ResetCaches();

    // Number of entries at `level` whose text contains `fragment`.
    int CountLog(uint32_t level, const std::string& fragment) const;

  private:
    CLogCapture m_log{"KITROSTER=0x2d"};
};

}  // namespace videotest
