#pragma once
// ABEL designs through the DOS emulator, and the compiler's chip drawing.

#include <string>

namespace vostrel {

struct RunState;

// Answers 1 when the new JEDEC file was copied next to the design, else 0.
int CompileAbel(RunState& state, const std::string& designPath);
// Prints the chip drawing of the ".doc" beside currentDesignPath, if there is one.
void ShowDesignDocumentation(RunState& state);

}  // namespace vostrel
