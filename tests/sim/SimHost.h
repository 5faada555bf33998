#pragma once
// A bare host for engine tests: discovery pulses and one exchange at a time over SimPorts, the way
// the program's link drives the line, without the program's run-wide state.

#include <cstdint>
#include <string>
#include <vector>

#include "sim/SimPorts.h"
#include "sim/VirtualClock.h"

namespace vostrel::sim::test {

struct SimHost {
    VirtualClock clock;
    SimPorts ports{clock};

    // Opens the port, sends the two discovery pulses, waits 40 ms and answers what has arrived.
    std::vector<std::uint8_t> Discover(const std::string& name) {
        if (!ports.Open(name)) return {};
        for (int i = 0; i < 2; ++i) {
            ports.SetBreak(true);
            clock.SleepMs(1);
            ports.SetBreak(false);
            clock.SleepMs(i == 0 ? 1 : 40);
        }
        return Drain();
    }

    std::vector<std::uint8_t> Drain() {
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(ports.BytesWaiting()));
        ports.Read(bytes.data(), static_cast<int>(bytes.size()));
        return bytes;
    }

    // Attention pulse, packet out, then waits (1 ms steps, at most 4 s) for `awaited` bytes and
    // answers everything that is waiting then.
    std::vector<std::uint8_t> Exchange(const std::vector<std::uint8_t>& packet, int awaited) {
        ports.SetBreak(true);
        clock.SleepMs(1);
        ports.SetBreak(false);
        clock.SleepMs(1);
        Drain();
        ports.Write(packet.data(), static_cast<int>(packet.size()));
        for (int budget = 4000; ports.BytesWaiting() < awaited && budget > 0; --budget) clock.SleepMs(1);
        return Drain();
    }
    // Awaits the reply size the program expects: one byte per bit for a Read, else 16, plus 4.
    std::vector<std::uint8_t> Send(const std::vector<std::uint8_t>& packet) {
        const int data = packet[0] == 5 && packet.size() > 2 ? packet[2] : 16;
        return Exchange(packet, data + 4);
    }
};

inline std::string Printable(const std::vector<std::uint8_t>& bytes) {
    std::string text;
    for (auto b : bytes)
        if (b != 0) text.push_back(static_cast<char>(b));
    return text;
}

}  // namespace vostrel::sim::test
