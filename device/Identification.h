#pragma once
// Which chip sits in the socket: probing, the PES check and the device report.

#include <cstdint>

namespace vostrel {

struct RunState;

bool IdentifyAndReport(RunState& state);
bool IdentifyDevice(RunState& state);
void ProbeDevice(RunState& state, std::uint8_t code);
void ReportPullUps(RunState& state);

}  // namespace vostrel
