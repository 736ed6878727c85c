#pragma once
// The yield of the dictionary readers and the writer, once per step. On a
// worker it is the ordinary yield, which gives up the turn only once its slice
// is used. On the main side a yield runs a ready worker for a whole slice, so
// a yield per byte or per line would stretch the opening of a dictionary
// during a pass to seconds; there it yields at most once per slice of its own
// work, sharing the time evenly.

#include <chrono>

#include "platform/core/Thread.h"

namespace tv {

inline void yieldStep()
{
    if (onWorker()) {
        yieldToOthers();
        return;
    }
    using Clock = std::chrono::steady_clock;
    static Clock::time_point last = Clock::now();
    const Clock::time_point now = Clock::now();
    if (now - last >= std::chrono::milliseconds(10)) {
        yieldToOthers();
        last = Clock::now();
    }
}

} // namespace tv
