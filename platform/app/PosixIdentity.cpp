#include "platform/app/PosixIdentity.h"

#include <pwd.h>
#include <unistd.h>

namespace kitroster {

std::string CPosixIdentity::GetHostName() {
    char buffer[256] = {};
    if (::gethostname(buffer, sizeof buffer - 1) != 0)
        return std::string();
    std::string name = buffer;
    return name.substr(0, name.find('.'));
}

std::string CPosixIdentity::GetComputerName() {
    std::string name = GetHostName();
    for (char& c : name) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return name;
}

std::string CPosixIdentity::GetUserName() {
    struct passwd entry;
    struct passwd* found = nullptr;
    char buffer[4096];
    if (::getpwuid_r(::geteuid(), &entry, buffer, sizeof buffer, &found) == 0 && found)
        return found->pw_name;
    return std::to_string(::geteuid());
}

uint32_t CPosixIdentity::GetUserId() {
    return static_cast<uint32_t>(::geteuid());
}

}  // namespace kitroster
