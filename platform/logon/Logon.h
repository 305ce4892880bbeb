// ILogon: logging on with a user name and password, as LogonUser does on Windows.
//
// The real implementation (CPamLogon) asks PAM: service "kitroster" (the file
// /etc/pam.d/kitroster; see the README for one to install), authentication and then
// account management. A user name "DOMAIN\user" logs on as the local account "user".
// On success the account's ids come from the password database.
//
// Thread-safety: LogonUser may be called from several threads at once.
#pragma once

#include <cstdint>
#include <string>

#define KR_LOGON_API __attribute__((visibility("default")))

namespace kitroster {

// ERROR_LOGON_FAILURE: unknown user or bad password.
constexpr uint32_t kErrorLogonFailure = 1326;

struct LogonAccount {
    std::string name;
    uint32_t uid = 0;
    uint32_t gid = 0;
};

class KR_LOGON_API ILogon {
  public:
    // True with `*account` filled when the password is accepted; otherwise false with
    // `*systemError` set (kErrorLogonFailure, or another Windows system error).
    virtual bool LogonUser(const std::string& user, const std::string& password,
                           LogonAccount* account, uint32_t* systemError) = 0;

  protected:
    ~ILogon() = default;
};

class KR_LOGON_API CPamLogon : public ILogon {
  public:
    // `confdir` empty: the system's PAM configuration (/etc/pam.d). Tests give a private
    // folder holding a file named after the service.
    explicit CPamLogon(std::string service = "kitroster", std::string confdir = "");
    bool LogonUser(const std::string& user, const std::string& password, LogonAccount* account,
                   uint32_t* systemError) override;

  private:
    std::string m_service;
    std::string m_confdir;
};

// The process-wide logon through the system's PAM configuration. Never destroyed.
KR_LOGON_API ILogon& PamLogon();

// "DOMAIN\user" -> "user"; other names unchanged.
KR_LOGON_API std::string LocalAccountName(const std::string& user);

}  // namespace kitroster
