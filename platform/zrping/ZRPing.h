// The ping component: does a host answer on the network?
#pragma once

#include <cstdint>

#define KR_ZRPING_API __attribute__((visibility("default")))

// True when `host` (a name or a dotted address) answers within `waitMs` milliseconds.
// Resolves the name, then tries in turn an unprivileged ICMP echo (SOCK_DGRAM/IPPROTO_ICMP),
// a raw-socket ICMP echo when the process holds the privilege, and a TCP connect probe
// (a refused connection also proves the host is up). A probe that cannot be used
// (permission, unsupported) passes the question to the next one. Never needs root; returns
// within the wait.
KR_ZRPING_API bool IsHostReachable(const char* host, int waitMs);

// Whether `host` is text the ping can resolve at all: an IPv4 or IPv6 address (with an
// optional zone) or a host name. A null or empty host, blanks, brackets, a port or any other
// character gives false; IsHostReachable answers false for such text without a lookup.
KR_ZRPING_API bool IsHostWellFormed(const char* host);
