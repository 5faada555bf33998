#pragma once
// Menu and toolbar commands by id, each run to its end and closed with its log line.

namespace vostrel {

struct RunState;

void DispatchCommand(RunState& state, int id);

}  // namespace vostrel
