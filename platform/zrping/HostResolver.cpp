#include "platform/zrping/HostResolver.h"

#include <arpa/inet.h>
#include <net/if.h>
#include <netdb.h>

#include <atomic>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

namespace zrping {

namespace {

std::atomic<int> s_outstanding{0};
std::atomic<int> s_abandoned{0};

bool IsNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_';
}

bool IsHostName(std::string name) {
    if (!name.empty() && name.back() == '.')
        name.pop_back();
    if (name.empty() || name.size() > 253)
        return false;
    size_t start = 0;
    for (;;) {
        size_t end = name.find('.', start);
        if (end == std::string::npos)
            end = name.size();
        if (end == start || end - start > 63 || name[start] == '-')
            return false;
        for (size_t i = start; i < end; ++i)
            if (!IsNameChar(name[i]))
                return false;
        if (end == name.size())
            return true;
        start = end + 1;
    }
}

bool CollectAddresses(const std::string& host, int flags, std::vector<HostAddress>* addresses) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    // One entry per address instead of one per socket type.
    hints.ai_socktype = SOCK_STREAM;
    // No AI_ADDRCONFIG: it hides loopback answers on a machine without other interfaces.
    hints.ai_flags = flags;
    addrinfo* list = nullptr;
    if (getaddrinfo(host.c_str(), nullptr, &hints, &list) != 0 || !list)
        return false;
    for (const addrinfo* ai = list; ai; ai = ai->ai_next) {
        if (ai->ai_family != AF_INET && ai->ai_family != AF_INET6)
            continue;
        if (ai->ai_addrlen > sizeof(sockaddr_storage))
            continue;
        HostAddress address;
        std::memcpy(&address.storage, ai->ai_addr, ai->ai_addrlen);
        address.length = ai->ai_addrlen;
        addresses->push_back(address);
    }
    freeaddrinfo(list);
    return !addresses->empty();
}

// The state a lookup shares between the waiting caller and the helper thread.
struct Lookup {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    bool abandoned = false;  // the caller stopped waiting; counted in s_abandoned
    bool found = false;
    std::vector<HostAddress> addresses;
};

}  // namespace

bool SystemLookup(const std::string& host, std::vector<HostAddress>* addresses) {
    return CollectAddresses(host, 0, addresses);
}

bool ParseNumericAddress(const std::string& host, std::vector<HostAddress>* addresses) {
    return CollectAddresses(host, AI_NUMERICHOST, addresses);
}

bool IsWellFormedHost(const std::string& host) {
    unsigned char buffer[16];
    if (host.find(':') != std::string::npos) {
        const size_t percent = host.find('%');
        const std::string address = host.substr(0, percent);
        if (inet_pton(AF_INET6, address.c_str(), buffer) != 1)
            return false;
        if (percent == std::string::npos)
            return true;
        const std::string zone = host.substr(percent + 1);
        if (zone.empty() || zone.size() >= IF_NAMESIZE)
            return false;
        for (char c : zone)
            if (!IsNameChar(c) && c != '.')
                return false;
        return true;
    }
    bool numeric = !host.empty();
    for (char c : host)
        numeric = numeric && ((c >= '0' && c <= '9') || c == '.');
    if (numeric)
        return inet_pton(AF_INET, host.c_str(), buffer) == 1;
    return IsHostName(host);
}

int OutstandingLookups() {
    return s_outstanding.load();
}

int AbandonedLookups() {
    return s_abandoned.load();
}

ResolveResult ResolveHost(const std::string& host, Clock::time_point deadline,
                          std::vector<HostAddress>* addresses, const BlockingLookup& lookup) {
    addresses->clear();
    if (host.empty())
        return ResolveResult::kNotFound;
    if (!IsWellFormedHost(host))
        return ResolveResult::kMalformed;
    if (ParseNumericAddress(host, addresses))
        return ResolveResult::kResolved;

    if (s_abandoned.load() >= kMaxAbandonedLookups)
        return ResolveResult::kTimedOut;
    s_outstanding.fetch_add(1);
    auto state = std::make_shared<Lookup>();
    try {
        std::thread([state, host, lookup] {
            std::vector<HostAddress> found;
            const bool ok = lookup(host, &found);
            {
                std::lock_guard<std::mutex> lock(state->mutex);
                state->found = ok;
                state->addresses = std::move(found);
                state->finished = true;
                s_outstanding.fetch_sub(1);
                if (state->abandoned)
                    s_abandoned.fetch_sub(1);
            }
            state->done.notify_all();
        }).detach();
    } catch (const std::system_error&) {
        s_outstanding.fetch_sub(1);
        return ResolveResult::kTimedOut;
    }

    std::unique_lock<std::mutex> lock(state->mutex);
    if (!state->done.wait_until(lock, deadline, [&] { return state->finished; })) {
        // Counted under the lock that the helper takes to finish, so that it is uncounted
        // exactly once.
        state->abandoned = true;
        s_abandoned.fetch_add(1);
        return ResolveResult::kTimedOut;
    }
    if (!state->found)
        return ResolveResult::kNotFound;
    *addresses = std::move(state->addresses);
    return ResolveResult::kResolved;
}

}  // namespace zrping
