#pragma once
// A run-wide state around a window recorder, inside a temporary current directory that holds an
// emulator folder. Stand-in emulators are shell scripts the tests write at vDosPlus/vDosPlus.exe.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "app/RunState.h"
#include "platform/Clock.h"
#include "platform/SerialPort.h"
#include "support/OfflineBench.h"

namespace vostrel::test {

namespace fs = std::filesystem;

inline void WriteFile(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

inline std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

inline void WriteScript(const fs::path& path, const std::string& body) {
    WriteFile(path, "#!/bin/sh\n" + body);
    fs::permissions(path, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
}

class CompileBench {
public:
    RecordingWindow window;
    NoPort port;
    StillClock clock;
    RunState state{window, port, clock};
    fs::path root;  // removed afterwards
    fs::path cwd;   // the current directory while the bench lives

    explicit CompileBench(const std::string& cwdName = "cwd") {
        std::random_device random;
        root = fs::temp_directory_path() / ("vostrel-compile-" + std::to_string(random()) + std::to_string(random()));
        cwd = root / cwdName;
        fs::create_directories(cwd / "vDosPlus" / "abel");
        saved_ = fs::current_path();
        fs::current_path(cwd);
    }
    ~CompileBench() {
        std::error_code ignored;
        fs::current_path(saved_, ignored);
        fs::remove_all(root, ignored);
    }
    CompileBench(const CompileBench&) = delete;
    CompileBench& operator=(const CompileBench&) = delete;

    fs::path Emulator() const { return cwd / "vDosPlus" / "vDosPlus.exe"; }
    fs::path Work(const std::string& extension) const { return cwd / "vDosPlus" / "abel" / ("abelcpl" + extension); }
    void SetEmulator(const std::string& body) const { WriteScript(Emulator(), body); }

private:
    fs::path saved_;
};

}  // namespace vostrel::test
