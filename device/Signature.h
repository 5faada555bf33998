#pragma once
// The chip's electronic signature (PES) and the programming parameters derived from it, with the
// conversions between volts and the unit's 8-bit supply settings.

#include <cstdint>
#include <string>

namespace vostrel {

struct RunState;

inline constexpr std::uint8_t vccSetting5V = 180;

// Rebuilds PesBytes, pesHex and pesText from the PES-row reply in ResponseBuffer.
void DecodePes(RunState& state);
// The ATMEL name spelled by pesText ("ATF16V8B", ...), also stored as the profile's name; or "".
std::string AtfNameFromPes(RunState& state);
// manufacturer, progPulseMs, eraseTimeMs, vppProgram and (coded PES) vppRead.
void DecodeProgrammingParameters(RunState& state);

std::uint8_t VppSettingFromVolts(float volts);
float VoltsFromVppSetting(std::uint8_t setting);
int VccSettingFromVolts(float volts);
float VoltsFromVccSetting(std::uint8_t setting);

}  // namespace vostrel
