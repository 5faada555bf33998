#pragma once
// The unit's end of a pseudo-terminal, for the simulated programmer unit. The host opens the other
// end (the slave path) as an ordinary serial port.

#include <cstdint>
#include <string>

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
    // Never blocks; answers the number of bytes read (0 when nothing is there or the host is gone).
    int Read(std::uint8_t* dst, int count);
    // Answers the number of bytes accepted; waits a bounded time when the host is slow to read.
    int Write(const std::uint8_t* src, int count);

private:
    int fd_ = -1;
    std::string slavePath_;
};

}  // namespace vostrel::platform
