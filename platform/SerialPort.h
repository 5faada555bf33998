#pragma once
// The serial facility the program talks to the programmer unit through. At most one port is open at a
// time (the link port). Real ports live in platform/, the simulated unit's in-process ports in sim/.

#include <cstdint>
#include <string>

namespace vostrel {

class SerialPort {
public:
    virtual ~SerialPort() = default;

    // Opens "COM0" .. "COM32" at 115200 baud, 8N1, no handshake, 1000-byte queues.
    // A port that does not exist or cannot be opened answers false and leaves nothing open.
    virtual bool Open(const std::string& name) = 0;
    virtual bool IsOpen() const = 0;
    virtual void Close() = 0;

    // BREAK on the transmit line: the unit's attention signal.
    virtual void SetBreak(bool on) = 0;
    // Bytes received and not yet read.
    virtual int BytesWaiting() = 0;
    // Reads at most count bytes that are already waiting; never blocks. Answers the number read.
    virtual int Read(std::uint8_t* dst, int count) = 0;
    // Answers the number of bytes accepted.
    virtual int Write(const std::uint8_t* src, int count) = 0;
};

}  // namespace vostrel
