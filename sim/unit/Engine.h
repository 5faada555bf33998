#pragma once
// The protocol engine set up as the command line asks: chip, its contents, timing, faults.

#include <memory>
#include <string>

#include "sim/Unit.h"
#include "sim/unit/Options.h"

namespace vostrel::unit {

// Null with the reason in *error for an unknown chip, an unreadable or unfitting file, a bad fault.
std::unique_ptr<sim::Unit> MakeUnit(const Options& options, std::string* error);

// What the socket holds, for messages: "GAL16V8" or "empty socket".
std::string SocketText(const sim::Unit& unit);

}  // namespace vostrel::unit
