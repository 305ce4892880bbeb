// CTestSite: a private world for one test. While it lives, every service of the
// application object is the test's own:
//   - a settings root in a fresh folder (on tmpfs when available: the catalogue syncs every
//     file it writes, and tmpfs keeps that cheap), with its catalogue folder
//     "SettingsGeneral" created, and the settings root pointed at it;
//   - a CTestEnv over the POSIX Env (fake clocks, counters, injected faults);
//   - a private configuration store inside the folder;
//   - a CTestIdentity, and a scripted ping that answers for the hosts set reachable.
// The destructor restores the services and the settings root and removes the folder.
//
//     kitroster::testing::CTestSite site;
//     site.WriteRaw("_RES_CAM1.zrr", CTestSite::ResourceText("CAM1", "CAMERA_IP"));
//     site.env().FailNth(kitroster::EnvOp::kWrite, 1, kitroster::kErrorDiskFull);
//
// One site at a time per process. Thread-safety: the accessors may be used from any
// thread while the site lives.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/app/KitrosterApp.h"
#include "platform/registry/Registry.h"
#include "testing/env/TempDir.h"
#include "testing/env/TestEnv.h"
#include "testing/env/TestIdentity.h"

namespace kitroster::testing {

class CTestSite {
  public:
    explicit CTestSite(const std::string& prefix = "kitroster-test-");
    ~CTestSite();
    CTestSite(const CTestSite&) = delete;
    CTestSite& operator=(const CTestSite&) = delete;

    CTestEnv& env() { return m_env; }
    CRegistry& registry() { return m_registry; }
    CTestIdentity& identity() { return m_identity; }

    // The settings root (native, no trailing separator) and its catalogue folder.
    const std::string& root() const { return m_dir.path(); }
    std::string folder() const { return m_dir.Path("SettingsGeneral"); }
    // Native path of a file in the catalogue folder.
    std::string FileIn(const std::string& name) const { return folder() + "/" + name; }

    // Plain file access to the catalogue folder, bypassing the Env and its faults.
    void WriteRaw(const std::string& name, const std::string& contents) const;
    std::string ReadRaw(const std::string& name) const;
    bool Exists(const std::string& name) const;
    // Every entry of the catalogue folder, sorted.
    std::vector<std::string> Entries() const;
    // The text of a resource file with CR LF line ends.
    static std::string ResourceText(const std::string& id, const std::string& type = "T",
                                    const std::string& conn = "", int schema = 1000,
                                    const std::string& name = "");

    // The scripted ping: the hosts (as the caller spells them) that answer.
    void SetReachable(const std::string& host);
    int PingCount() const { return m_pings.load(); }
    // Every ping as "host/wait", in order.
    std::vector<std::string> PingedHosts() const;

  private:
    bool _ping(const char* host, int waitMs);

    CTempDir m_dir;
    CTestEnv m_env;
    CTestIdentity m_identity;
    CRegistry m_registry;
    mutable std::mutex m_mutex;
    std::set<std::string> m_reachable;
    std::vector<std::string> m_pinged;
    std::atomic<int> m_pings{0};
    std::unique_ptr<CAppServicesOverride> m_override;
};

}  // namespace kitroster::testing
