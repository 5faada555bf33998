#pragma once
// The Open and Save dialogs with the program's patterns, and opening a JEDEC file into the view.

#include <string>

namespace vostrel {

struct RunState;

inline constexpr const char* kFilePatterns =
    "JEDEC file (*.jed)|*.jed|ABEL file (*.abl)|*.abl|all files (*.*)|*.*";

// mode 0: Open dialog, 1: Save dialog. Answers the chosen path, or "" when the user gave up.
std::string SelectFile(RunState& state, int mode, int patternIndex, const std::string& defaultName);
// Does nothing for an empty path.
void OpenJedecFile(RunState& state, const std::string& path);
// The UES command.
void EditUes(RunState& state);

}  // namespace vostrel
