#include "sync/config/CaptureCredentials.h"

namespace ZRSYNC {

using NResourceItem::CZRauto_ptr;

CCaptureCredentials::CCaptureCredentials(std::string user, std::string password, std::string domain,
                                         int32_t processId)
    : m_user(std::make_shared<const std::string>(std::move(user))),
      m_password(std::make_shared<const std::string>(std::move(password))),
      m_domain(std::make_shared<const std::string>(std::move(domain))),
      m_processId(processId) {}

CZRauto_ptr<ICaptureCredentials> CCaptureCredentials::FromLogin(const std::string& user,
                                                                const std::string& password,
                                                                const std::string& domain) {
    return CZRauto_ptr<ICaptureCredentials>(new CCaptureCredentials(user, password, domain, -1));
}

CZRauto_ptr<ICaptureCredentials> CCaptureCredentials::FromProcess(int32_t processId) {
    return CZRauto_ptr<ICaptureCredentials>(new CCaptureCredentials("", "", "", processId));
}

}  // namespace ZRSYNC
