#pragma once
// ABEL designs through the DOS emulator, and the compiler's chip drawing.

#include <string>

namespace vostrel {

struct RunState;

// Answers 1 when the new JEDEC file was copied next to the design, else 0.
int CompileAbel(RunState& state, const std::string& designPath);
// Prints the chip drawing of the ".doc" beside currentDesignPath, if there is one.
void ShowDesignDocumentation(RunState& state);

// The design's directory and file name without its extension: "/d/x.abl" -> "/d/x". The compiler's
// outputs lie beside the design as this base + ".jed", ".doc", ".out" and ".sim". A name that only
// starts with a dot (".abl") has no extension.
std::string DesignBase(const std::string& designPath);

}  // namespace vostrel
