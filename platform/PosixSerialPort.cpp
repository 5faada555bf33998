#include "platform/PosixSerialPort.h"

#include "platform/FdWrite.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

namespace vostrel::platform {

namespace {

// Raw bytes both ways: no line editing, no echo, no CR/LF translation, no XON/XOFF or RTS/CTS, and
// CLOCAL so that a unit without modem lines neither blocks the open nor hangs the port up.
bool ConfigureRaw(int fd) {
    termios tio {};
    if (::tcgetattr(fd, &tio) != 0) return false;
    ::cfmakeraw(&tio);
    tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY | INPCK | ISTRIP);
    tio.c_iflag |= IGNPAR;
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS | HUPCL);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    if (::cfsetispeed(&tio, B115200) != 0 || ::cfsetospeed(&tio, B115200) != 0) return false;
    return ::tcsetattr(fd, TCSANOW, &tio) == 0;
}

// A packet is at most 1001 bytes and the kernel queue is larger, so a write normally goes out at
// once; this bound only keeps a wedged device from hanging the program.
constexpr int kWriteStallMs = 500;

}  // namespace

PosixSerialPort::~PosixSerialPort() { Close(); }

bool PosixSerialPort::Open(const std::string& name) {
    Close();
    const int n = ParseComName(name);
    if (n < 0) return false;
    const std::string path = ResolveComPort(n, env_);
    if (path.empty()) return false;

    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    // Another program talking to the unit would garble both conversations; leave such a port alone.
    // Bytes that arrived before we came are not the unit's answer to anything we sent.
    if (!::isatty(fd) || ::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::tcflush(fd, TCIOFLUSH) != 0 ||
        !ConfigureRaw(fd)) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    path_ = path;
    return true;
}

void PosixSerialPort::Close() {
    if (fd_ < 0) return;
    ::ioctl(fd_, TIOCCBRK);
    ::close(fd_);
    fd_ = -1;
    path_.clear();
}

void PosixSerialPort::SetBreak(bool on) {
    if (fd_ < 0) return;
    // A pseudo-terminal has no BREAK; the simulated unit does without, so a failure here is no error.
    ::ioctl(fd_, on ? TIOCSBRK : TIOCCBRK);
}

int PosixSerialPort::BytesWaiting() {
    if (fd_ < 0) return 0;
    int waiting = 0;
    // A unit that went away (unplugged adapter, closed pty) answers with an error: nothing waiting,
    // so the reply wait runs into its time-out and the link is searched anew.
    if (::ioctl(fd_, FIONREAD, &waiting) != 0 || waiting < 0) return 0;
    return waiting;
}

int PosixSerialPort::Read(std::uint8_t* dst, int count) {
    if (fd_ < 0 || dst == nullptr || count <= 0) return 0;
    for (;;) {
        const ssize_t got = ::read(fd_, dst, static_cast<size_t>(count));
        if (got >= 0) return static_cast<int>(got);
        if (errno != EINTR) return 0;
    }
}

int PosixSerialPort::Write(const std::uint8_t* src, int count) {
    return WriteWithStallLimit(fd_, src, count, kWriteStallMs);
}

}  // namespace vostrel::platform
