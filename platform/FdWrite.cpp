#include "platform/FdWrite.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>

namespace vostrel::platform {

int WriteWithStallLimit(int fd, const std::uint8_t* src, int count, int stallMs) {
    if (fd < 0 || src == nullptr || count <= 0) return 0;
    int sent = 0;
    while (sent < count) {
        const ssize_t put = ::write(fd, src + sent, static_cast<size_t>(count - sent));
        if (put > 0) {
            sent += static_cast<int>(put);
            continue;
        }
        if (put < 0 && errno == EINTR) continue;
        if (put < 0 && errno != EAGAIN && errno != EWOULDBLOCK) break;
        pollfd pfd {fd, POLLOUT, 0};
        if (::poll(&pfd, 1, stallMs) <= 0 || (pfd.revents & (POLLERR | POLLHUP | POLLNVAL))) break;
    }
    return sent;
}

}  // namespace vostrel::platform
