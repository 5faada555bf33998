#pragma once
// The 22 device types, written once as data, and the selection that copies one into the profile.

#include <cstdint>
#include <string>
#include <vector>

#include "device/DeviceProfile.h"

namespace vostrel {

inline constexpr std::uint8_t powerDownRow = 59;  // the ATMEL power-down disable request's row

// Pin function codes held in DeviceProfile::pinFunctions.
enum PinFunction : std::int32_t {
    PinInput = 36,        // "I"
    PinGround = 37,       // "GND"
    PinSupply = 38,       // "VCC"
    PinClockInput = 39,   // "I_CLK"
    PinClock2Input = 40,  // "I_CLK2"
    PinInOut = 41,        // "I/O"
    PinEnableInput = 42,  // "I_/OE"
    PinEnable = 43,       // "/OE"
    PinPreload = 44,      // "/PL"
    PinOutputClock = 45,  // "OCLK"
};

// Fills profile from the table and answers true; answers false, touching nothing, for a code outside
// the table. Leaves manufacturer and the programming parameters (eraseTimeMs, progPulseMs,
// vppProgram, vppRead) as they were, and cfgFuseIndex beyond cfgBits and pinFunctions beyond
// pinCount as well.
bool SelectDevice(DeviceProfile& profile, DeviceCode code);

// The 22 codes of the table, in table order.
std::vector<DeviceCode> DeviceCodes();
// The table's name of a code ("GAL16V8"), or "" for a code outside the table.
std::string DeviceName(DeviceCode code);
// The code of a table name, ignoring letter case ("gal22v10" finds 72). False, code untouched, for a
// name the table does not hold.
bool DeviceCodeFromName(const std::string& name, DeviceCode& code);

}  // namespace vostrel
