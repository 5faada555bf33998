#pragma once

#include "sim/unit/Options.h"

namespace vostrel::unit {

// Serves the unit on a pty linked into the port map until stopped; answers the exit code.
int RunDaemon(const Options& options);
// Sends options.send to a running unit and prints its answer; answers the exit code.
int RunClient(const Options& options);

}  // namespace vostrel::unit
