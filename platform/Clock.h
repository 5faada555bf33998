#pragma once
// Millisecond time. The real clock sleeps at 1 ms resolution; the simulated unit's virtual clock only
// advances, so a 4 s reply time-out costs a test nothing.

#include <cstdint>

namespace vostrel {

class Clock {
public:
    virtual ~Clock() = default;
    virtual void SleepMs(int ms) = 0;
    // Monotonic milliseconds since an arbitrary start.
    virtual std::int64_t NowMs() = 0;
};

}  // namespace vostrel
