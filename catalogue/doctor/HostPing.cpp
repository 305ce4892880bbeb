#include "catalogue/doctor/HostPing.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

#include "platform/app/KitrosterApp.h"

namespace NResourceItem {

std::vector<bool> PingHosts(const std::vector<std::string>& hosts, int waitMs, int maxParallel,
                            const std::function<void(int done)>& onAnswer) {
    const size_t count = hosts.size();
    std::vector<char> answered(count, 0);
    if (count == 0)
        return {};
    std::mutex mutex;
    std::condition_variable changed;
    size_t next = 0, done = 0;
    // Each worker takes the next host until none is left: never more pings at once than
    // workers.
    auto work = [&] {
        for (;;) {
            size_t index;
            {
                std::lock_guard<std::mutex> lock(mutex);
                if (next == count)
                    return;
                index = next++;
            }
            const bool reachable = GetKitrosterApp().Ping(hosts[index].c_str(), waitMs);
            {
                std::lock_guard<std::mutex> lock(mutex);
                answered[index] = reachable ? 1 : 0;
                ++done;
            }
            changed.notify_one();
        }
    };
    const size_t workers = std::min(count, static_cast<size_t>(std::max(1, maxParallel)));
    std::vector<std::thread> threads;
    threads.reserve(workers);
    try {
        for (size_t i = 0; i < workers; ++i)
            threads.emplace_back(work);
    } catch (const std::system_error&) {
        // Out of threads: the ones started do all the work, or this thread does.
        if (threads.empty())
            threads.emplace_back();  // placeholder, never joinable
    }
    if (!threads.front().joinable()) {
        work();
        threads.clear();
    }
    {
        std::unique_lock<std::mutex> lock(mutex);
        size_t reported = 0;
        while (reported < count) {
            changed.wait(lock, [&] { return done > reported; });
            reported = done;
            if (onAnswer) {
                lock.unlock();
                onAnswer(static_cast<int>(reported));
                lock.lock();
            }
        }
    }
    for (std::thread& thread : threads)
        thread.join();
    return std::vector<bool>(answered.begin(), answered.end());
}

}  // namespace NResourceItem
