#pragma once
// The unit's control commands as text, for a control channel: one command word and the rest of the
// line as its argument (a path may hold blanks). Answers the reply text, starting with "error: "
// when the command is refused. Unplug and replug only change the engine's state; the transport
// makes the port vanish and come back (see Unit.h).

#include <string>

#include "sim/Unit.h"

namespace vostrel::sim {

std::string RunControl(Unit& unit, const std::string& command, const std::string& argument);
// One line per command, for a help text.
std::string ControlHelp();

// Loads a JEDEC file into the chip in the socket, or dumps that chip to one. The file's fuse count
// must be the chip's (with or without the ATMEL power-down fuse). Answers "" or the reason.
std::string LoadChip(Chip& chip, const std::string& path);
std::string DumpChip(const Chip& chip, const std::string& path);

}  // namespace vostrel::sim
