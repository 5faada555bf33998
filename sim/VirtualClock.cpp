#include "sim/VirtualClock.h"

namespace vostrel::sim {

void VirtualClock::SleepMs(int ms) {
    if (ms <= 0) return;
    now_ += ms;
    slept_ += ms;
    for (auto& listener : listeners_) listener(now_);
}

}  // namespace vostrel::sim
