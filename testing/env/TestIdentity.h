// CTestIdentity: a fixed machine and user for tests. Unset values come from the real
// identity, so a test fixes only what it depends on.
#pragma once

#include <mutex>
#include <optional>
#include <string>

#include "platform/app/PosixIdentity.h"

namespace kitroster {

class CTestIdentity : public CPosixIdentity {
  public:
    void SetHostName(const std::string& name);
    void SetUserName(const std::string& name);
    void SetUserId(uint32_t uid);

    // The host name set here, else the machine's.
    std::string GetHostName() override;
    // The upper-cased GetHostName(), as the real identity derives it.
    std::string GetComputerName() override;
    std::string GetUserName() override;
    uint32_t GetUserId() override;

  private:
    std::mutex m_mutex;
    std::optional<std::string> m_hostName;
    std::optional<std::string> m_userName;
    std::optional<uint32_t> m_userId;
};

}  // namespace kitroster
