#include "platform/process/HostName.h"

#include <arpa/inet.h>

namespace kitroster {

namespace {

bool IsLabelChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-';
}

bool IsRfc1123Name(std::string name) {
    if (!name.empty() && name.back() == '.')
        name.pop_back();
    if (name.empty() || name.size() > 253)
        return false;
    size_t start = 0;
    for (;;) {
        size_t end = name.find('.', start);
        if (end == std::string::npos)
            end = name.size();
        const size_t length = end - start;
        if (length == 0 || length > 63 || name[start] == '-' || name[end - 1] == '-')
            return false;
        for (size_t i = start; i < end; ++i) {
            if (!IsLabelChar(name[i]))
                return false;
        }
        if (end == name.size())
            return true;
        start = end + 1;
    }
}

}  // namespace

bool IsValidHostName(const std::string& host) {
    if (host.empty() || host.find('\0') != std::string::npos)
        return false;
    unsigned char buffer[16];
    std::string inner = host;
    if (inner.size() > 2 && inner.front() == '[' && inner.back() == ']')
        inner = inner.substr(1, inner.size() - 2);
    if (inet_pton(AF_INET6, inner.c_str(), buffer) == 1)
        return true;
    if (inet_pton(AF_INET, host.c_str(), buffer) == 1)
        return true;
    // All-numeric dotted text that is not an IPv4 address (999.1.1.1) is no name either.
    bool numeric = true;
    for (char c : host)
        numeric = numeric && ((c >= '0' && c <= '9') || c == '.');
    return !numeric && IsRfc1123Name(host);
}

}  // namespace kitroster
