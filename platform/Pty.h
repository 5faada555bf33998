#pragma once
// The unit's end of a pseudo-terminal, for the simulated programmer unit. The host opens the other
// end (the slave path) as an ordinary serial port.

#include <cstdint>
#include <string>
#include <vector>

namespace vostrel::platform {

class PtyMaster {
public:
    PtyMaster() = default;
    ~PtyMaster();
    PtyMaster(const PtyMaster&) = delete;
    PtyMaster& operator=(const PtyMaster&) = delete;

    // A new pty in raw mode. On failure answers false with the reason in *error.
    bool Create(std::string* error);
    void Close();
    bool IsOpen() const { return fd_ >= 0; }
    const std::string& slavePath() const { return slavePath_; }
    // For WaitForInput.
    int handle() const { return fd_; }

    // True while some program holds the slave end open.
    bool HostAttached() const;
    // How many times a program opened the slave end since the last call. A host that closes and at
    // once reopens the port (as a new port search does) never shows as detached, but it counts here.
    int TakeHostOpens();
    // How many times the host flushed its input (tcflush) since the last call. A host flushes right
    // after opening, and throws away what the unit sent before: a banner must follow the flush.
    int TakeHostFlushes();
    // Becomes ready (for WaitForInput) when the slave end is opened or closed.
    int eventHandle() const { return watchFd_; }
    // Never blocks; answers the number of bytes read (0 when nothing is there or the host is gone).
    int Read(std::uint8_t* dst, int count);
    // Answers the number of bytes accepted; waits a bounded time when the host is slow to read.
    int Write(const std::uint8_t* src, int count);

private:
    // Takes everything the master has to tell: the host's bytes into pending_, flushes counted.
    void Pump();

    int fd_ = -1;
    int flushes_ = 0;
    std::vector<std::uint8_t> pending_;
    int watchFd_ = -1;
    std::string slavePath_;
};

}  // namespace vostrel::platform
