#pragma once
// Writing to a non-blocking tty: both ends of the link (our serial port and the simulated unit's
// pty) must give up on a device that stops taking bytes instead of hanging the one thread.

#include <cstdint>

namespace vostrel::platform {

// Writes count bytes to fd, waiting at most stallMs for room each time the device is full.
// Answers the number of bytes written; fewer than count when the device stalled or failed.
int WriteWithStallLimit(int fd, const std::uint8_t* src, int count, int stallMs);

}  // namespace vostrel::platform
