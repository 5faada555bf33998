#pragma once
// The 22 device types, written once as data, and the selection that copies one into the profile.

#include <cstdint>

#include "device/DeviceProfile.h"

namespace vostrel {

inline constexpr std::uint8_t powerDownRow = 59;  // the ATMEL power-down disable request's row

// Fills profile from the table and answers true; answers false, touching nothing, for a code outside
// the table. Leaves manufacturer and the programming parameters (eraseTimeMs, progPulseMs,
// vppProgram, vppRead) as they were.
bool SelectDevice(DeviceProfile& profile, DeviceCode code);

}  // namespace vostrel
