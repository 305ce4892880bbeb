#include "editor_ui/WebAddress.h"

#include "platform/process/HostName.h"

namespace NResourceItem {
namespace {

bool IsPort(const std::string& text) {
    if (text.empty() || text.size() > 5)
        return false;
    long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    return value >= 1 && value <= 65535;
}

}  // namespace

bool IsBrowsableAddress(const CString& address) {
    const std::string& text = address.str();
    std::string host = text;
    std::string port;
    bool hasPort = false;
    if (!text.empty() && text.front() == '[') {
        const size_t close = text.find(']');
        if (close == std::string::npos)
            return false;
        host = text.substr(0, close + 1);
        const std::string rest = text.substr(close + 1);
        if (!rest.empty()) {
            if (rest.front() != ':')
                return false;
            hasPort = true;
            port = rest.substr(1);
        }
        // Brackets hold an IPv6 address only; the grammar check below also takes a bare one.
        if (host.size() < 3 || host.find(':') == std::string::npos)
            return false;
    } else {
        const size_t colon = text.find(':');
        if (colon != std::string::npos) {
            // More than one colon is an IPv6 address without brackets: its port is ambiguous.
            if (text.find(':', colon + 1) != std::string::npos)
                return false;
            host = text.substr(0, colon);
            port = text.substr(colon + 1);
            hasPort = true;
        }
    }
    if (hasPort && !IsPort(port))
        return false;
    return kitroster::IsValidHostName(host);
}

}  // namespace NResourceItem
