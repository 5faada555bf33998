#pragma once
// The link port on a POSIX tty: raw 115200 8N1 without flow control, reads that never block, and
// BREAK as the unit's attention signal. Port names resolve through PortNames.h.

#include <string>

#include "platform/PortNames.h"
#include "platform/SerialPort.h"

namespace vostrel::platform {

class PosixSerialPort : public SerialPort {
public:
    PosixSerialPort() : env_(PortMapEnv::FromEnvironment()) {}
    explicit PosixSerialPort(PortMapEnv env) : env_(std::move(env)) {}
    ~PosixSerialPort() override;
    PosixSerialPort(const PosixSerialPort&) = delete;
    PosixSerialPort& operator=(const PosixSerialPort&) = delete;

    bool Open(const std::string& name) override;
    bool IsOpen() const override { return fd_ >= 0; }
    void Close() override;
    void SetBreak(bool on) override;
    int BytesWaiting() override;
    int Read(std::uint8_t* dst, int count) override;
    int Write(const std::uint8_t* src, int count) override;

    // The device the open port resolved to ("" when closed); for messages and tests.
    const std::string& devicePath() const { return path_; }

private:
    PortMapEnv env_;
    int fd_ = -1;
    std::string path_;
};

}  // namespace vostrel::platform
