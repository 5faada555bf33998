#pragma once
// The fuse view: FuseMap as "L<index> <fuses>" lines of rowCount fuses. The lines are a contract: the
// JEDEC writer saves them back and the UES editor takes an empty view to mean "nothing loaded".

#include <string>

namespace vostrel {

struct RunState;

// Refills the fuse pane with n fuses, sets viewFuseCount to n, the UES text into status field 1 and
// the device name into status field 0. n must not exceed the size of FuseMap.
void ShowFuses(RunState& state, int n);

// The UES of FuseMap as text, uesBytes characters, a zero byte shown as a blank.
std::string UesText(const RunState& state);

}  // namespace vostrel
