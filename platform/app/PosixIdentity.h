// The identity of this machine and of the process's effective user, read from the
// operating system at every call (the host name may change while a process runs).
#pragma once

#include "platform/app/KitrosterApp.h"

namespace kitroster {

class KR_APP_API CPosixIdentity : public IIdentity {
  public:
    std::string GetHostName() override;
    std::string GetComputerName() override;
    std::string GetUserName() override;
    uint32_t GetUserId() override;
};

}  // namespace kitroster
