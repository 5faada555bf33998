#pragma once
// The chip's electronic signature (PES) and the programming parameters derived from it, with the
// conversions between volts and the unit's 8-bit supply settings.

#include <cstdint>
#include <string>

namespace vostrel {

struct RunState;

inline constexpr std::uint8_t vccSetting5V = 180;

// Rebuilds PesBytes, pesHex and pesText from the PES-row reply in ResponseBuffer (one entry per row
// bit). pesText holds one char per PES byte (0 .. 255, see app/Text.h), not UTF-8. Reply bits beyond
// the end of ResponseBuffer count as 0.
void DecodePes(RunState& state);
// The ATMEL name spelled by pesText ("ATF16V8B", ...), also stored as the profile's name; or "".
std::string AtfNameFromPes(RunState& state);
// manufacturer, progPulseMs, eraseTimeMs, vppProgram and (coded PES) vppRead. PES bytes beyond the
// end of PesBytes count as 0.
void DecodeProgrammingParameters(RunState& state);

// Clamps to 0 .. 255; NaN gives 255, the lowest voltage.
std::uint8_t VppSettingFromVolts(float volts);
float VoltsFromVppSetting(std::uint8_t setting);
// Does not clamp to 8 bits (only 0 .. 7.12 V fit); saturates at the int range, NaN gives 0.
int VccSettingFromVolts(float volts);
float VoltsFromVccSetting(std::uint8_t setting);

}  // namespace vostrel
