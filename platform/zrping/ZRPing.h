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
