// Pings many hosts through the application object's ping, a bounded number at once.
//
// Thread-safety: call from one thread; the pings run on helper threads, joined before the
// call returns.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "base/KitrosterExport.h"

namespace NResourceItem {

// Whether each of `hosts` answered within `waitMs`; at most `maxParallel` (at least 1)
// pings run at once. `onAnswer` (may be empty) is called on the calling thread with the
// number of answers so far, as they come.
KITROSTER_API std::vector<bool> PingHosts(const std::vector<std::string>& hosts, int waitMs,
                                          int maxParallel,
                                          const std::function<void(int done)>& onAnswer);

}  // namespace NResourceItem
