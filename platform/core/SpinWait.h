#pragma once
// Waiting awake for a moment. A thread whose next piece of work usually comes
// within microseconds waits for it spinning, for a bounded time, before it
// sleeps: waking a sleeping thread costs the one that hands the work over a
// system call, and on a virtual machine a good deal more than the wait.

#include <chrono>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace tv {

// How long a thread that is handed a stream of small jobs waits awake for the
// next before it sleeps: longer than the gap between such jobs, short enough
// that an idle thread soon sleeps.
constexpr std::chrono::microseconds kLookOutForWork{200};

// Spins until `ready()` holds or `time` has passed; returns ready().
template <typename Ready>
bool spinUntil(Ready&& ready, std::chrono::microseconds time)
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point until = Clock::now() + time;
    for (;;) {
        // The clock is read once in a while: a read costs more than a look.
        for (int i = 0; i < 64; ++i) {
            if (ready())
                return true;
#if defined(__x86_64__) || defined(__i386__)
            _mm_pause();
#endif
        }
        if (Clock::now() >= until)
            return ready();
    }
}

} // namespace tv
