#pragma once
// Time for the in-process unit: sleeping only moves the clock on, so a 4 s reply time-out costs a
// test nothing. Listeners run as time passes (the unit uses this to let its reply bytes arrive).

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/Clock.h"

namespace vostrel::sim {

class VirtualClock : public Clock {
public:
    void SleepMs(int ms) override;
    std::int64_t NowMs() override { return now_; }
    // Called with the new time after every advance.
    void OnAdvance(std::function<void(std::int64_t)> listener) { listeners_.push_back(std::move(listener)); }
    std::int64_t sleptMs() const { return slept_; }

private:
    std::int64_t now_ = 0;
    std::int64_t slept_ = 0;
    std::vector<std::function<void(std::int64_t)>> listeners_;
};

}  // namespace vostrel::sim
