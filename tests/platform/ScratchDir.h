#pragma once
// A folder of a test's own under the temp dir, removed again afterwards. The name carries a random
// part, so parallel runs (and other people's runs on the same machine) never share one.

#include <filesystem>
#include <random>
#include <string>

class ScratchDir {
public:
    explicit ScratchDir(const std::string& stem = "vostrel-test") {
        std::random_device random;
        path_ = std::filesystem::temp_directory_path() / (stem + "-" + std::to_string(random()));
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

private:
    std::filesystem::path path_;
};
