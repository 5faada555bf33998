#include "platform/Pty.h"

#include "platform/FdWrite.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace vostrel::platform {

namespace {

constexpr int kWriteStallMs = 500;

std::string Reason(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

}  // namespace

PtyMaster::~PtyMaster() { Close(); }

bool PtyMaster::Create(std::string* error) {
    Close();
    const int fd = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (error) *error = Reason("posix_openpt");
        return false;
    }
    char name[128] = {};
    if (::grantpt(fd) != 0 || ::unlockpt(fd) != 0 || ::ptsname_r(fd, name, sizeof name) != 0) {
        if (error) *error = Reason("pty setup");
        ::close(fd);
        return false;
    }
    // Raw on the master sets the line for the slave too, and a pty keeps it across the host's opens:
    // with echo on, the banner would come straight back as if the host had sent it.
    termios tio {};
    if (::tcgetattr(fd, &tio) != 0 || (::cfmakeraw(&tio), ::tcsetattr(fd, TCSANOW, &tio)) != 0) {
        if (error) *error = Reason("raw mode");
        ::close(fd);
        return false;
    }
    // Packet mode: every read starts with a status byte, which tells when the host flushes its input.
    int packetMode = 1;
    if (::ioctl(fd, TIOCPKT, &packetMode) != 0) {
        if (error) *error = Reason("packet mode");
        ::close(fd);
        return false;
    }
    // Until the slave has been opened and closed once, the master cannot tell "nobody there" from
    // "host attached"; afterwards it reports a hang-up whenever no program holds the slave.
    const int slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave < 0) {
        if (error) *error = Reason(name);
        ::close(fd);
        return false;
    }
    ::close(slave);
    const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (watch < 0 || ::inotify_add_watch(watch, name, IN_OPEN | IN_CLOSE) < 0) {
        if (error) *error = Reason("watching the pty");
        if (watch >= 0) ::close(watch);
        ::close(fd);
        return false;
    }
    watchFd_ = watch;
    fd_ = fd;
    slavePath_ = name;
    return true;
}

void PtyMaster::Close() {
    if (fd_ < 0) return;
    ::close(watchFd_);
    ::close(fd_);
    watchFd_ = -1;
    fd_ = -1;
    flushes_ = 0;
    pending_.clear();
    slavePath_.clear();
}

bool PtyMaster::HostAttached() const {
    if (fd_ < 0) return false;
    pollfd pfd {fd_, POLLIN, 0};
    if (::poll(&pfd, 1, 0) < 0) return false;
    return (pfd.revents & (POLLHUP | POLLERR | POLLNVAL)) == 0;
}

int PtyMaster::TakeHostOpens() {
    if (watchFd_ < 0) return 0;
    int opens = 0;
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(watchFd_, buffer, sizeof buffer);
        if (got <= 0) {
            if (got < 0 && errno == EINTR) continue;
            return opens;
        }
        for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= got;) {
            inotify_event event;
            std::memcpy(&event, buffer + at, sizeof event);
            if (event.mask & IN_OPEN) ++opens;
            at += static_cast<ssize_t>(sizeof(inotify_event) + event.len);
        }
    }
}

void PtyMaster::Pump() {
    if (fd_ < 0) return;
    std::uint8_t buffer[4097];
    for (;;) {
        const ssize_t got = ::read(fd_, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return;  // EAGAIN: nothing there; EIO: no host
        if (buffer[0] == TIOCPKT_DATA) {
            pending_.insert(pending_.end(), buffer + 1, buffer + got);
        } else if (buffer[0] & TIOCPKT_FLUSHREAD) {
            ++flushes_;
        }
    }
}

int PtyMaster::TakeHostFlushes() {
    Pump();
    const int flushes = flushes_;
    flushes_ = 0;
    return flushes;
}

int PtyMaster::Read(std::uint8_t* dst, int count) {
    if (fd_ < 0 || dst == nullptr || count <= 0) return 0;
    Pump();
    const int n = std::min(count, static_cast<int>(pending_.size()));
    std::copy_n(pending_.begin(), n, dst);
    pending_.erase(pending_.begin(), pending_.begin() + n);
    return n;
}

int PtyMaster::Write(const std::uint8_t* src, int count) {
    return WriteWithStallLimit(fd_, src, count, kWriteStallMs);
}

}  // namespace vostrel::platform
