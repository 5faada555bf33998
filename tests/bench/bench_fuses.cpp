// The fuse-file path on the largest type (GAL6002B, 8330 fuses): reading a file, writing one, and
// the whole Open -> fuse view -> Save as a user does it, against the recording window.

#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "app/FuseView.h"
#include "device/DeviceTable.h"
#include "fuses/FileSelection.h"
#include "fuses/Jedec.h"
#include "support/OfflineBench.h"

namespace vostrel::bench {
namespace {

constexpr DeviceCode kLargest = 68;  // GAL6002B

// A random GAL6002B design in the view, as after opening its file.
void LoadLargest(test::OfflineBench& b) {
    SelectDevice(b.state.profile, kLargest);
    std::mt19937 rng(6002);
    for (int f = 0; f < b.state.profile.fuseCount; ++f) b.state.FuseMap[static_cast<std::size_t>(f)] = rng() & 1;
    b.state.loadedFuseCount = b.state.profile.fuseCount;
    ShowFuses(b.state, b.state.profile.fuseCount);
}

// A GAL6002B file written by the program itself, shared by the benchmarks of one run.
struct LargestFile {
    test::ScratchDir dir{"vostrel-bench"};
    std::string path;
    LargestFile() {
        test::OfflineBench b;
        LoadLargest(b);
        path = dir.Write("gal6002b.jed", JedecFileText(b.state));
    }
};

LargestFile& Largest() {
    static LargestFile file;
    return file;
}

void SaveAs(test::OfflineBench& b, const std::string& path) {
    b.window.saveAnswers.push_back({path, 0});
    b.window.questionAnswers.push_back(true);  // replace the file of the last round
    SaveJedecFile(b.state);
    b.window.boxes.clear();
}

void JedecRead(benchmark::State& st) {
    const std::string& path = Largest().path;
    test::OfflineBench b;
    for (auto _ : st) benchmark::DoNotOptimize(ReadJedecFile(b.state, path));
    if (b.state.loadedFuseCount != 8330 || !b.window.logLines.empty()) st.SkipWithError("file did not read cleanly");
    st.SetBytesProcessed(st.iterations() * static_cast<std::int64_t>(test::ReadBytes(path).size()));
}
BENCHMARK(JedecRead)->Unit(benchmark::kMicrosecond);

void JedecWrite(benchmark::State& st) {
    test::OfflineBench b;
    LoadLargest(b);
    const std::string target = Largest().dir.Path("written.jed");
    for (auto _ : st) SaveAs(b, target);
    if (!b.window.logLines.empty() && b.window.logLines.back().find("ERROR") != std::string::npos)
        st.SkipWithError("save failed");
}
BENCHMARK(JedecWrite)->Unit(benchmark::kMicrosecond);

void OpenShowSave(benchmark::State& st) {
    const std::string& path = Largest().path;
    const std::string target = Largest().dir.Path("saved.jed");
    test::OfflineBench b;
    for (auto _ : st) {
        OpenJedecFile(b.state, path);
        SaveAs(b, target);
    }
    if (b.state.viewFuseCount != 8330) st.SkipWithError("the file did not open as a GAL6002B");
}
BENCHMARK(OpenShowSave)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace vostrel::bench

BENCHMARK_MAIN();
