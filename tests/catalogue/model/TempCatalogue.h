// CTempCatalogue: a private settings root for one test, on tmpfs when available (the
// catalogue syncs every file it writes; tmpfs keeps that cheap), with the registry kept
// inside it. The catalogue's settings root points at it while the object lives.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "catalogue/CatalogueContext.h"

namespace kitroster::testing {

class CTempCatalogue {
  public:
    CTempCatalogue() {
        std::string pattern = (access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp");
        pattern += "/kitroster-test-XXXXXX";
        std::vector<char> buffer(pattern.begin(), pattern.end());
        buffer.push_back('\0');
        if (mkdtemp(buffer.data()))
            m_root = buffer.data();
        setenv("KITROSTER_REGISTRY", (m_root + "/registry.db").c_str(), 1);
        NResourceItem::SetSettingsRootOverride((m_root + "/").c_str());
    }
    ~CTempCatalogue() {
        NResourceItem::SetSettingsRootOverride("");
        std::error_code ec;
        if (!m_root.empty())
            std::filesystem::remove_all(m_root, ec);
    }
    CTempCatalogue(const CTempCatalogue&) = delete;
    CTempCatalogue& operator=(const CTempCatalogue&) = delete;

    bool ok() const { return !m_root.empty(); }
    const std::string& root() const { return m_root; }
    // The catalogue folder as a native path.
    std::string folder() const { return m_root + "/SettingsGeneral"; }

  private:
    std::string m_root;
};

}  // namespace kitroster::testing
