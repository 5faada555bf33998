#pragma once
// Finding the programmer unit: at start-up and after a link failure.

namespace vostrel {

struct RunState;

// Empties both panes and looks for the unit. Answers true with the link port open; otherwise shows
// "Hardware not present!" and answers false: the caller ends the program (exit code 0).
bool CheckHardware(RunState& state);
// Scans COM0 .. COM32 for the banner; true leaves that port open.
bool FindProgrammer(RunState& state);
// After each event of the main loop: when the command's link failed (linkFailure 2 or more), logs
// "Resetting...", waits 600 ms and runs CheckHardware. Answers false when the program must end.
bool ResetAfterLinkFailure(RunState& state);

}  // namespace vostrel
