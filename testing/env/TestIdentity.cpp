#include "testing/env/TestIdentity.h"

#include <cctype>

namespace kitroster {

void CTestIdentity::SetHostName(const std::string& name) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_hostName = name;
}

void CTestIdentity::SetUserName(const std::string& name) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_userName = name;
}

void CTestIdentity::SetUserId(uint32_t uid) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_userId = uid;
}

std::string CTestIdentity::GetHostName() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_hostName)
            return *m_hostName;
    }
    return CPosixIdentity::GetHostName();
}

std::string CTestIdentity::GetComputerName() {
    std::string name = GetHostName();
    for (char& c : name)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return name;
}

std::string CTestIdentity::GetUserName() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_userName)
            return *m_userName;
    }
    return CPosixIdentity::GetUserName();
}

uint32_t CTestIdentity::GetUserId() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_userId)
            return *m_userId;
    }
    return CPosixIdentity::GetUserId();
}

}  // namespace kitroster
