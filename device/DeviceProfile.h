#pragma once
// The one run-wide record of the selected device type and the chip's programming parameters.
// SelectDevice fills the geometry; signature decoding fills the programming parameters.

#include <array>
#include <cstdint>
#include <string>

namespace vostrel {

using DeviceCode = std::uint8_t;

struct DeviceProfile {
    std::int32_t code = 0;
    std::string name;
    std::string manufacturer;
    std::uint8_t addressBits = 0;   // 0: rows addressed in parallel, else serially with this many bits
    std::uint8_t variantFlag = 0;   // 1 only for ATF22V10C
    std::uint8_t pinCount = 0;      // 0: no type selected yet
    std::int32_t fuseCount = 0;
    std::uint8_t rowCount = 0;
    std::uint8_t rowBits = 0;
    std::uint8_t uesRow = 0;
    std::int32_t uesRowSerial = 0;
    std::int32_t uesFuse = 0;
    std::uint8_t uesBytes = 0;
    std::uint8_t uesReadOffset = 0;
    std::uint8_t pesRow = 0;
    std::int32_t pesRowSerial = 0;
    std::uint8_t pesReadOffset = 0;
    std::uint8_t cfgRow = 0;
    std::int32_t cfgRowSerial = 0;
    std::uint8_t cfgBits = 0;
    std::array<std::int32_t, 256> cfgFuseIndex{};  // JEDEC index of configuration bit k, shift order
    std::uint8_t securityRow = 0;
    std::int32_t securityRowSerial = 0;
    std::uint8_t securityBit = 0;
    std::uint8_t eraseRow = 0;
    std::uint8_t eraseBit = 0;
    std::uint8_t eraseAllRow = 0;
    std::uint8_t eraseAllBit = 0;
    std::int32_t eraseTimeMs = 0;
    std::uint8_t progPulseMs = 0;
    std::uint8_t vppProgram = 0;
    std::uint8_t vppRead = 0;
    std::array<std::int32_t, 29> pinFunctions{};  // PinFunction code by pin number 1 .. pinCount

    bool operator==(const DeviceProfile&) const = default;
};

}  // namespace vostrel
