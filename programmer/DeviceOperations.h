#pragma once
// The chip operations of the toolbar and the Device and Tools menus.

#include "programmer/Packets.h"

namespace vostrel {

struct RunState;

bool ReadOrVerifyDevice(RunState& state, bool verify, bool identifyFirst);
bool ProgramDevice(RunState& state);
bool EraseDevice(RunState& state, bool eraseAll);
bool SetDeviceFeature(RunState& state, RequestKind kind);  // Security or PowerDownOff
void ConditionDevice(RunState& state);
void CopyPes(RunState& state);
void RunSupplyTest(RunState& state);

}  // namespace vostrel
