// Any bytes as a fuse file: opened as the Open command opens it (reader, fuse-count table, fuse view).
// When a device type is found, the file the Save command would write from that view must read back
// to the same fuses without a checksum warning.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "app/RunState.h"
#include "fuses/FileSelection.h"
#include "fuses/Jedec.h"
#include "support/OfflineBench.h"

namespace {

// One scratch file per fuzzing process: in $TMPDIR when set (the runner points it at a folder it
// removes, since a fuzzer stopped by its time limit skips exit handlers), else on a memory file
// system where there is one.
const std::string& ScratchPath() {
    static const std::string path = [] {
        const bool memory = std::getenv("TMPDIR") == nullptr && std::filesystem::is_directory("/dev/shm");
        std::filesystem::path dir = memory ? std::filesystem::path("/dev/shm") : std::filesystem::temp_directory_path();
        return (dir / ("vostrel-fuzz-jedec-" + std::to_string(std::random_device{}()) + ".jed")).string();
    }();
    return path;
}

void WriteFile(const std::string& path, const std::uint8_t* data, std::size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

bool AnyWarning(const vostrel::test::RecordingWindow& w) {
    for (const auto& line : w.logLines)
        if (line.find("WARNING") != std::string::npos || line.find("ERROR") != std::string::npos) return true;
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    std::atexit([] { std::remove(ScratchPath().c_str()); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vostrel;
    const std::string& path = ScratchPath();
    WriteFile(path, data, size);

    test::OfflineBench first;
    OpenJedecFile(first.state, path);
    if (first.state.loadedFuseCount == 0 || first.window.fuseLines.empty()) return 0;
    const int count = first.state.profile.fuseCount;

    const std::string saved = JedecFileText(first.state);
    WriteFile(path, reinterpret_cast<const std::uint8_t*>(saved.data()), saved.size());
    test::OfflineBench second;
    const int reread = ReadJedecFile(second.state, path);
    if (reread != count || AnyWarning(second.window)) {
        std::fprintf(stderr, "saved file reads back as %d fuses (expected %d):\n%s\n", reread, count,
                     second.window.LogText().c_str());
        std::abort();
    }
    for (int k = 0; k < count; ++k) {
        if (first.state.FuseMap[static_cast<std::size_t>(k)] != second.state.FuseMap[static_cast<std::size_t>(k)]) {
            std::fprintf(stderr, "fuse %d changed on the way through the view and the writer\n", k);
            std::abort();
        }
    }
    return 0;
}
