#pragma once
// Menu and toolbar commands by id, each run to its end and closed with its log line.

namespace vostrel {

struct RunState;

void DispatchCommand(RunState& state, int id);

// One command event of the main loop: clears linkFailure, runs the command to its end, then resets
// the link if it failed. Answers false when the program must end (the unit is gone).
bool RunCommandEvent(RunState& state, int id);

}  // namespace vostrel
