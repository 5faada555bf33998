#pragma once
// JEDEC fuse files: reading into FuseMap, the fuse checksum, and saving the fuse view.

#include <string>

namespace vostrel {

struct RunState;

// Clears FuseMap, reads the file and answers its fuse count (0: nothing usable).
int ReadJedecFile(RunState& state, const std::string& path);
// The standard JEDEC fuse checksum over FuseMap[0 .. count-1]; count is clamped to FuseMap.
int JedecChecksum(const RunState& state, int count);
// The Save command.
void SaveJedecFile(RunState& state);
// The complete file SaveJedecFile writes for the fuse view as it stands, dated now.
std::string JedecFileText(const RunState& state);

}  // namespace vostrel
