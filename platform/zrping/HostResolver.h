// Name resolution with a deadline.
//
// getaddrinfo has no timeout of its own and can block for many seconds when a name server
// does not answer. A lookup therefore runs on a helper thread; the caller waits on a
// condition variable until the deadline and then abandons the lookup. The helper thread
// owns its share of the request (a shared_ptr) and frees it when getaddrinfo finally
// returns, so nothing dangles. (getaddrinfo_a was considered: its request block must stay
// valid until the lookup ends even after gai_cancel fails, which needs the same ownership
// dance plus signal or thread notification, for no gain.)
//
// Once kMaxAbandonedLookups abandoned lookups are outstanding, new lookups fail at once
// instead of piling up threads behind a dead name server. Only abandoned lookups count: any
// number of lookups may be in flight while their callers still wait for them (a doctor run
// resolves dozens of names at once, each answered from /etc/hosts in a moment). Lookups that
// started before the cap was reached may still be abandoned, so the bound is the cap plus
// the callers waiting at that moment.
// The library is linked with -z nodelete so that an abandoned thread never outlives the
// code it runs.
//
// Numeric addresses are converted on the calling thread and never block. Text that is
// neither an address nor a host name is refused before any lookup (IsWellFormedHost).
//
// Thread-safety: safe for concurrent use.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/zrping/PingProbe.h"

namespace zrping {

enum class ResolveResult {
    kResolved,   // `addresses` holds at least one address
    kNotFound,   // the name does not exist or has no address
    kTimedOut,   // no result before the deadline (or too many lookups already hanging)
    kMalformed,  // the text is neither an address nor a host name
};

// A blocking lookup: fills `addresses` and returns true, or returns false.
using BlockingLookup =
    std::function<bool(const std::string& host, std::vector<HostAddress>* addresses)>;

// The system resolver (getaddrinfo, IPv4 and IPv6, one entry per address).
bool SystemLookup(const std::string& host, std::vector<HostAddress>* addresses);

// Converts a dotted IPv4 or textual IPv6 address without any lookup; false for names.
bool ParseNumericAddress(const std::string& host, std::vector<HostAddress>* addresses);

// Whether `host` may be resolved: a dotted IPv4 address (four decimal parts), an IPv6
// address, optionally with a zone ("fe80::1%eth0", the zone kept as given: interface names
// are case-sensitive), or a host name of dot-separated labels of 1 to 63 letters, digits,
// '-' and '_' (Windows machine names allow it), none starting with '-', at most 253
// characters and one trailing dot. Blanks, control bytes, brackets, ports and shell
// characters are refused: getaddrinfo would read "127.0.0.1 ;rm" as 127.0.0.1.
bool IsWellFormedHost(const std::string& host);

constexpr int kMaxAbandonedLookups = 8;

// Resolves `host` before `deadline` using `lookup` on a helper thread.
ResolveResult ResolveHost(const std::string& host, Clock::time_point deadline,
                          std::vector<HostAddress>* addresses,
                          const BlockingLookup& lookup = SystemLookup);

// Lookups started on helper threads that have not yet returned, and those of them whose
// caller gave up waiting (tests).
int OutstandingLookups();
int AbandonedLookups();

}  // namespace zrping
