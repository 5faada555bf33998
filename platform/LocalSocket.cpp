#include "platform/LocalSocket.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

namespace vostrel::platform {

namespace {

constexpr int kSendStallMs = 1000;

std::string Reason(const std::string& what) { return what + ": " + std::strerror(errno); }

bool MakeAddress(const std::string& path, sockaddr_un* addr, std::string* error) {
    *addr = {};
    addr->sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof addr->sun_path) {
        if (error) *error = "control socket path is empty or longer than " +
                            std::to_string(sizeof addr->sun_path - 1) + " bytes: " + path;
        return false;
    }
    std::memcpy(addr->sun_path, path.c_str(), path.size() + 1);
    return true;
}

std::int64_t NowMs() {
    timespec now {};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

int ConnectTo(const sockaddr_un& addr) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
        const int saved = errno;
        ::close(fd);
        errno = saved;
        return -1;
    }
    return fd;
}

}  // namespace

LocalServer::~LocalServer() { Close(); }

bool LocalServer::Listen(const std::string& path, std::string* error) {
    Close();
    sockaddr_un addr {};
    if (!MakeAddress(path, &addr, error)) return false;

    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0) {
        if (!S_ISSOCK(st.st_mode)) {
            if (error) *error = path + " exists and is not a socket";
            return false;
        }
        if (const int probe = ConnectTo(addr); probe >= 0) {
            ::close(probe);
            if (error) *error = path + " is in use by another process";
            return false;
        }
        ::unlink(path.c_str());
    }

    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        if (error) *error = Reason("socket");
        return false;
    }
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 8) != 0) {
        if (error) *error = Reason(path);
        ::close(fd);
        return false;
    }
    fd_ = fd;
    path_ = path;
    return true;
}

void LocalServer::Close() {
    if (fd_ < 0) return;
    ::close(fd_);
    ::unlink(path_.c_str());
    fd_ = -1;
    path_.clear();
}

int LocalServer::Accept() {
    if (fd_ < 0) return -1;
    const int c = ::accept4(fd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    return c >= 0 ? c : -1;
}

bool ReceiveAvailable(int connection, std::string* buffer) {
    char chunk[512];
    for (;;) {
        const ssize_t got = ::recv(connection, chunk, sizeof chunk, 0);
        if (got > 0) {
            buffer->append(chunk, static_cast<size_t>(got));
            continue;
        }
        if (got == 0) return false;
        if (errno == EINTR) continue;
        return errno == EAGAIN || errno == EWOULDBLOCK;
    }
}

bool SendAll(int connection, const std::string& text) {
    size_t sent = 0;
    while (sent < text.size()) {
        const ssize_t put = ::send(connection, text.data() + sent, text.size() - sent, MSG_NOSIGNAL);
        if (put > 0) {
            sent += static_cast<size_t>(put);
            continue;
        }
        if (put < 0 && errno == EINTR) continue;
        if (put < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return false;
        pollfd pfd {connection, POLLOUT, 0};
        if (::poll(&pfd, 1, kSendStallMs) <= 0) return false;
    }
    return true;
}

void CloseConnection(int connection) {
    if (connection >= 0) ::close(connection);
}

bool SendLocalRequest(const std::string& path, const std::string& line, int timeoutMs, std::string* reply,
                      std::string* error) {
    sockaddr_un addr {};
    if (!MakeAddress(path, &addr, error)) return false;
    const int fd = ConnectTo(addr);
    if (fd < 0) {
        if (error) *error = Reason(path);
        return false;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    if (!SendAll(fd, line + "\n")) {
        if (error) *error = Reason("sending to " + path);
        ::close(fd);
        return false;
    }
    ::shutdown(fd, SHUT_WR);
    const std::int64_t deadline = NowMs() + timeoutMs;
    bool open = true;
    while (open) {
        const std::int64_t left = deadline - NowMs();
        if (left <= 0) {
            if (error) *error = "no complete answer from " + path + " within " + std::to_string(timeoutMs) + " ms";
            ::close(fd);
            return false;
        }
        pollfd pfd {fd, POLLIN, 0};
        if (::poll(&pfd, 1, static_cast<int>(left)) < 0 && errno != EINTR) break;
        open = ReceiveAvailable(fd, reply);
    }
    ::close(fd);
    return true;
}

}  // namespace vostrel::platform
