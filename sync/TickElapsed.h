// Elapsed time on the wrapping 32-bit millisecond tick counter.
#pragma once

#include <cstdint>

namespace ZRSYNC {

// now - start; when the counter wrapped in between (start > now), one less, as the
// system's time-outs have always counted it.
inline uint32_t TickElapsed(uint32_t start, uint32_t now) {
    return start > now ? now - start - 1 : now - start;
}

}  // namespace ZRSYNC
