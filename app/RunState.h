#pragma once
// All run-wide data of one program run, created once at start-up and passed by reference to every
// operation. There are no other globals: a test builds its own RunState around its own window
// recorder, serial ports and clock.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "device/DeviceProfile.h"

namespace vostrel {

class WindowServices;
class SerialPort;
class Clock;

inline constexpr int kFuseMapSize = 10001;
inline constexpr int kCommandPacketSize = 1001;
inline constexpr int kResponseBufferStartSize = 1001;
inline constexpr int kPesBytesStartSize = 256;

struct RunState {
    RunState(WindowServices& windowServices, SerialPort& serialPort, Clock& clockSource)
        : window(windowServices), port(serialPort), clock(clockSource) {}
    RunState(const RunState&) = delete;
    RunState& operator=(const RunState&) = delete;

    std::array<std::uint8_t, kFuseMapSize> FuseMap{};  // JEDEC fuse k, 0 or 1: the working data
    std::array<std::uint8_t, kFuseMapSize> ReadMap{};  // fuses read back from a chip
    std::array<std::uint8_t, kCommandPacketSize> CommandPacket{};  // never cleared between packets
    std::vector<std::uint8_t> ResponseBuffer = std::vector<std::uint8_t>(kResponseBufferStartSize);
    std::vector<std::uint8_t> PesBytes = std::vector<std::uint8_t>(kPesBytesStartSize);

    DeviceProfile profile;
    std::string pesHex;
    std::string pesText;
    std::int32_t pullUps = 0;

    std::int32_t linkFailure = 0;      // 2 after a reply time-out in the current command
    std::int32_t loadedFuseCount = 0;  // fuses of the data in FuseMap
    std::int32_t viewFuseCount = 0;    // fuses the fuse view shows

    std::string currentDesignPath;
    std::string lastOpenDir;
    std::string lastSaveDir;

    WindowServices& window;
    SerialPort& port;
    Clock& clock;
};

}  // namespace vostrel
