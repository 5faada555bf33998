#pragma once
// What the daemon needs from the protocol engine: the unit's side of one pseudo-terminal, plus the
// chip and fault commands of the control channel. Keeps the transport (pty, control socket, port
// map) apart from the protocol.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sim/unit/Options.h"

namespace vostrel::unit {

struct Outgoing {
    std::vector<std::uint8_t> bytes;
    // How long after the bytes that caused it the unit lets this go out (0 without --timing).
    int delayMs = 0;
};

class Backend {
public:
    virtual ~Backend() = default;
    // What sits in the socket, for the ready line and status: "GAL16V8" or "no chip".
    virtual std::string SocketText() = 0;
    // The host opened the port: what the unit sends by itself (its banner).
    virtual Outgoing HostOpened() = 0;
    // The host closed the port; a packet half received is forgotten.
    virtual void HostClosed() = 0;
    // Bytes from the host; answers whatever the unit sends back because of them.
    virtual std::vector<Outgoing> Receive(const std::uint8_t* bytes, int count) = 0;
    // True when the unit should drop off the line now (a fault such as unplug-after N fired).
    virtual bool WantsUnplug() = 0;
    // A control command other than unplug/replug/stop: its first word and the rest of the line (a
    // path may hold blanks). Answers the text to send back, starting with "error: " when refused.
    virtual std::string Control(const std::string& command, const std::string& argument) = 0;
    // Help lines for the engine's control commands and fault names.
    virtual std::string ControlHelp() = 0;
};

// Builds the engine as the options ask (chip, design, timing, faults). Null with *error on failure.
std::unique_ptr<Backend> MakeBackend(const Options& options, std::string* error);

}  // namespace vostrel::unit
