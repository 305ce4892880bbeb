#include "platform/zrping/ZRPing.h"

#include "platform/zrping/HostResolver.h"
#include "platform/zrping/PingProber.h"

bool IsHostReachable(const char* host, int waitMs) {
    return zrping::CPingProber::Default().IsReachable(host, waitMs);
}

bool IsHostWellFormed(const char* host) {
    return host != nullptr && zrping::IsWellFormedHost(host);
}
