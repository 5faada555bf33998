#pragma once
// The machine's monotonic clock, sleeping at 1 ms resolution.

#include "platform/Clock.h"

namespace vostrel::platform {

class SystemClock : public Clock {
public:
    void SleepMs(int ms) override;
    std::int64_t NowMs() override;
    // The same clock in microseconds, for pacing bytes at wire speed.
    static std::int64_t NowUs();
};

}  // namespace vostrel::platform
