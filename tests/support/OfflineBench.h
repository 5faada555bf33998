#pragma once
// What most tests need around the operations: a RunState on the window recorder with a port that has
// no unit behind it and a clock that stands still, and a scratch folder of the test's own.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "app/RunState.h"
#include "platform/Clock.h"
#include "platform/SerialPort.h"
#include "support/RecordingWindow.h"

namespace vostrel::test {

// Every port is absent.
struct NoPort : SerialPort {
    bool Open(const std::string&) override { return false; }
    bool IsOpen() const override { return false; }
    void Close() override {}
    void SetBreak(bool) override {}
    int BytesWaiting() override { return 0; }
    int Read(std::uint8_t*, int) override { return 0; }
    int Write(const std::uint8_t*, int) override { return 0; }
};

struct StillClock : Clock {
    void SleepMs(int) override {}
    std::int64_t NowMs() override { return 0; }
};

struct OfflineBench {
    RecordingWindow window;
    NoPort port;
    StillClock clock;
    RunState state{window, port, clock};
};

// A folder under the temp dir, removed again afterwards. The name carries a random part, so
// parallel runs never share one.
class ScratchDir {
public:
    explicit ScratchDir(const std::string& stem = "vostrel-test") {
        std::random_device random;
        path_ = std::filesystem::temp_directory_path() /
                (stem + "-" + std::to_string(random()) + std::to_string(random()));
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~ScratchDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string Dir() const { return path_.string() + "/"; }
    std::string Path(const std::string& name) const { return (path_ / name).string(); }
    std::string Write(const std::string& name, const std::string& bytes) const {
        const std::string p = Path(name);
        std::ofstream(p, std::ios::binary) << bytes;
        return p;
    }
    // Every entry of the folder, so that a leftover temporary file shows up.
    std::size_t EntryCount() const {
        return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(path_),
                                                      std::filesystem::directory_iterator()));
    }

private:
    std::filesystem::path path_;
};

inline std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace vostrel::test
