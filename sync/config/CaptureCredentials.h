// CCaptureCredentials: whom the synchronisation acts as on the central repository,
// either a user name and password (process id -1) or this process, by its process id.
//
// Thread-safety: immutable after construction; the strings are shared, not copied.
#pragma once

#include "base/KitrosterExport.h"

#include <cstdint>
#include <memory>
#include <string>

#include "catalogue/ZRunknown.h"

namespace ZRSYNC {

using SharedText = std::shared_ptr<const std::string>;

class ICaptureCredentials {
  public:
    virtual SharedText GetUserName() const = 0;
    virtual SharedText GetPassword() const = 0;
    virtual SharedText GetDomain() const = 0;
    virtual int32_t GetProcessId() const = 0;
    // True when the credentials name a process (process id not below 0).
    virtual bool IsProcessCredentials() const = 0;

  protected:
    ~ICaptureCredentials() = default;
};

class KITROSTER_API CCaptureCredentials : public NResourceItem::CZRunknown,
                                          public ICaptureCredentials {
  public:
    static NResourceItem::CZRauto_ptr<ICaptureCredentials> FromLogin(
        const std::string& user, const std::string& password, const std::string& domain = "");
    static NResourceItem::CZRauto_ptr<ICaptureCredentials> FromProcess(int32_t processId);

    SharedText GetUserName() const override { return m_user; }
    SharedText GetPassword() const override { return m_password; }
    SharedText GetDomain() const override { return m_domain; }
    int32_t GetProcessId() const override { return m_processId; }
    bool IsProcessCredentials() const override { return m_processId >= 0; }

  private:
    CCaptureCredentials(std::string user, std::string password, std::string domain,
                        int32_t processId);

    SharedText m_user;
    SharedText m_password;
    SharedText m_domain;
    int32_t m_processId;
};

}  // namespace ZRSYNC
