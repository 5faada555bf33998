#pragma once
// The Info command's package drawing with the output-cell modes decoded from FuseMap.

#include <string>

namespace vostrel {

struct RunState;

void DrawPinout(RunState& state);
// The output-cell text of one output pin; for a V8 family's first output pin it also logs the mode line.
std::string OlmcModeText(RunState& state, int pin);

}  // namespace vostrel
