#include "platform/SystemClock.h"

#include <time.h>

#include <cerrno>

namespace vostrel::platform {

void SystemClock::SleepMs(int ms) {
    if (ms <= 0) return;
    // An absolute deadline, so that a signal in the middle does not stretch the sleep on resuming.
    timespec deadline {};
    ::clock_gettime(CLOCK_MONOTONIC, &deadline);
    deadline.tv_sec += ms / 1000;
    deadline.tv_nsec += static_cast<long>(ms % 1000) * 1000000L;
    if (deadline.tv_nsec >= 1000000000L) {
        deadline.tv_sec += 1;
        deadline.tv_nsec -= 1000000000L;
    }
    while (::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr) == EINTR) {
    }
}

std::int64_t SystemClock::NowMs() {
    timespec now {};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

}  // namespace vostrel::platform

namespace vostrel::platform {

std::int64_t SystemClock::NowUs() {
    timespec now {};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}

}  // namespace vostrel::platform
