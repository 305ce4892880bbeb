// CTempDir: a fresh folder for one test, removed with everything in it at the end.
#pragma once

#include <string>

#include "platform/env/EnvStatus.h"

namespace kitroster {

// Creates "<$TMPDIR or /tmp>/<prefix>XXXXXX" (mkdtemp; under /dev/shm instead when
// `preferTmpfs` and it can be written) on construction and removes it
// recursively, read-only entries included, on destruction. Paths are native ('/'), which
// every Env passes through unchanged. Throws std::runtime_error when the folder cannot be
// created.
// Thread-safety: a value owned by one test.
class CTempDir {
  public:
    explicit CTempDir(const std::string& prefix = "kitroster-", bool preferTmpfs = false);
    ~CTempDir();
    CTempDir(const CTempDir&) = delete;
    CTempDir& operator=(const CTempDir&) = delete;

    // The folder, without trailing separator.
    const std::string& path() const { return m_path; }
    // The folder joined with `relative` by one '/'.
    std::string Path(const std::string& relative) const { return m_path + "/" + relative; }

  private:
    std::string m_path;
};

}  // namespace kitroster
