// Services and doubles for sync tests: a private registry, a test Env over a temp folder
// (UNC paths inside it), a settable identity, and scripted process launcher, log-on and
// impersonator.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/app/KitrosterApp.h"
#include "platform/env/PosixEnv.h"
#include "testing/env/TempDir.h"
#include "testing/env/TestEnv.h"
#include "platform/registry/Registry.h"
#include "sync/machine/MachineServices.h"

namespace sync_test {

inline kitroster::AppServices WithEnv(kitroster::Env* env, kitroster::CRegistry* registry = nullptr,
                                      kitroster::IIdentity* identity = nullptr) {
    kitroster::AppServices services;
    services.env = env;
    services.registry = registry;
    services.identity = identity;
    return services;
}

class CTestIdentity : public kitroster::IIdentity {
  public:
    std::string host = "ws01";
    std::string user = "root";
    uint32_t uid = 0;
    std::string GetHostName() override { return host; }
    std::string GetComputerName() override {
        std::string name = host;
        for (char& c : name)
            c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
        return name;
    }
    std::string GetUserName() override { return user; }
    uint32_t GetUserId() override { return uid; }
};

// Reports every file's last-write time as the fake clock plus `offset` (100 ns units):
// a file server whose clock is that far ahead.
class CServerClockEnv : public kitroster::EnvWrapper {
  public:
    explicit CServerClockEnv(kitroster::Env* target) : EnvWrapper(target) {}
    int64_t offset = 0;
    kitroster::EnvStatus GetFileInfo(const std::string& path, kitroster::FileInfo* info) override {
        kitroster::EnvStatus s = target()->GetFileInfo(path, info);
        if (s.ok())
            info->lastWriteTime = target()->GetSystemTimeAsFileTime() + offset;
        return s;
    }
};

// Answers runs from a script of outcomes (exit 0 once the script is used up) and keeps
// every request.
class CScriptedLauncher : public kitroster::IProcessLauncher {
  public:
    std::deque<kitroster::ProcessOutcome> script;
    std::vector<kitroster::ProcessRequest> requests;
    std::function<void(const kitroster::ProcessRequest&)> onRun;
    void Exit(uint32_t code) { script.push_back({true, code, 0}); }
    void NotStarted(uint32_t error) { script.push_back({false, 0, error}); }
    kitroster::ProcessOutcome Run(const kitroster::ProcessRequest& request) override {
        requests.push_back(request);
        if (onRun)
            onRun(request);
        if (script.empty())
            return {true, 0, 0};
        kitroster::ProcessOutcome outcome = script.front();
        script.pop_front();
        return outcome;
    }
};

class CScriptedLogon : public kitroster::ILogon {
  public:
    bool accept = true;
    std::vector<std::string> users;
    bool LogonUser(const std::string& user, const std::string&, kitroster::LogonAccount* account,
                   uint32_t* systemError) override {
        users.push_back(user);
        if (!accept) {
            *systemError = kitroster::kErrorLogonFailure;
            return false;
        }
        *account = {user, 4242, 4343};
        *systemError = 0;
        return true;
    }
};

class CScriptedImpersonator : public kitroster::IThreadImpersonator {
  public:
    explicit CScriptedImpersonator(std::vector<std::string>* log, int32_t result)
        : m_log(log), m_result(result) {}
    int32_t Impersonate(const std::string& user) override {
        m_log->push_back("impersonate " + user);
        m_active = m_result >= 0;
        return m_result;
    }
    void Revert() override {
        if (m_active)
            m_log->push_back("revert");
        m_active = false;
    }
    bool IsImpersonating() const override { return m_active; }

  private:
    std::vector<std::string>* m_log;
    int32_t m_result;
    bool m_active = false;
};

// A temp folder with a test Env whose UNC root is "<dir>/unc", a private registry and a
// settable identity, all installed for the fixture's lifetime, plus the scripted machine
// services.
struct SyncWorld {
    kitroster::CTempDir dir;
    kitroster::CPosixEnv posix{dir.Path("unc")};
    kitroster::CTestEnv env{&posix};
    CServerClockEnv server{&env};
    kitroster::CRegistry registry{dir.Path("registry.db")};
    CTestIdentity identity;
    CAppServicesOverride services{WithEnv(&server, &registry, &identity)};
    CScriptedLauncher launcher;
    CScriptedLogon logon;
    std::vector<std::string> impersonations;
    int32_t impersonateResult = 0;
    ZRSYNC::CMachineServicesOverride machine{MakeMachineServices()};

    ZRSYNC::MachineServices MakeMachineServices() {
        ZRSYNC::MachineServices s;
        s.launcher = &launcher;
        s.logon = &logon;
        s.createImpersonator = [this] {
            return std::make_unique<CScriptedImpersonator>(&impersonations, impersonateResult);
        };
        return s;
    }
};

}  // namespace sync_test
