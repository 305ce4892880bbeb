#include "platform/zrping/PingProbe.h"

namespace zrping {

SocketOpener SystemSocketOpener() {
    return [](int domain, int type, int protocol) { return ::socket(domain, type, protocol); };
}

int RemainingMs(Clock::time_point deadline) {
    const auto left = deadline - Clock::now();
    if (left <= Clock::duration::zero())
        return 0;
    return static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(left).count());
}

}  // namespace zrping
