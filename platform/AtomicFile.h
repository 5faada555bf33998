#pragma once
// Replacing a file all or nothing, so that a failed save never costs the user the file they had.

#include <cstdint>
#include <string>
#include <string_view>

namespace vostrel {

// Writes bytes to a new temporary file beside path, flushes it to the disk and only then renames it
// over path (through a symbolic link, the file it points to). On any failure (folder missing or not
// writable, disk full, path naming a folder) answers false, removes the temporary and leaves
// whatever was at path untouched. A replaced file keeps its permission bits.
bool ReplaceFileContents(const std::string& path, std::string_view bytes);

// For tests of the failure path: the next ReplaceFileContents call fails like a full disk once it has
// written failAfterBytes bytes of the temporary. The fault fires once; a negative value disarms it.
void InjectFileWriteFault(std::int64_t failAfterBytes);

}  // namespace vostrel
