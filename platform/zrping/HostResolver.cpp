#include "platform/zrping/HostResolver.h"

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

int OutstandingLookups() {
    return s_outstanding.load();
}

ResolveResult ResolveHost(const std::string& host, Clock::time_point deadline,
                          std::vector<HostAddress>* addresses, const BlockingLookup& lookup) {
    addresses->clear();
    if (host.empty())
        return ResolveResult::kNotFound;
    if (ParseNumericAddress(host, addresses))
        return ResolveResult::kResolved;

    if (s_outstanding.fetch_add(1) >= kMaxAbandonedLookups) {
        s_outstanding.fetch_sub(1);
        return ResolveResult::kTimedOut;
    }
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
            }
            state->done.notify_all();
        }).detach();
    } catch (const std::system_error&) {
        s_outstanding.fetch_sub(1);
        return ResolveResult::kTimedOut;
    }

    std::unique_lock<std::mutex> lock(state->mutex);
    if (!state->done.wait_until(lock, deadline, [&] { return state->finished; })) {
        return ResolveResult::kTimedOut;
    }
    if (!state->found)
        return ResolveResult::kNotFound;
    *addresses = std::move(state->addresses);
    return ResolveResult::kResolved;
}

}  // namespace zrping
