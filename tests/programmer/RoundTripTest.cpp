// Every device type through the whole cycle on the simulated unit: program a random design, verify,
// read it back, erase, verify again.

#include "Bench.h"
#include "programmer/DeviceOperations.h"

namespace vostrel::test {
namespace {

struct TypeCase {
    const char* chip;
    DeviceCode code;
};

const TypeCase kTypes[] = {
    {"GAL16V8", 0},     {"GAL16V8AZ", 26},  {"ATF16V8B", 128},  {"ATF16V8C", 129},  {"GAL20V8", 32},
    {"GAL20V8AZ", 58},  {"ATF20V8", 130},   {"GAL6001", 64},    {"GAL6001B", 65},   {"GAL6002B", 68},
    {"GAL22V10", 72},   {"GAL22V10AZ", 73}, {"ATF22V10B", 131}, {"ATF22V10C", 132}, {"GAL18V10", 80},
    {"GAL26CV12", 88},  {"GAL26CV12B", 89}, {"GAL26V12C", 93},  {"GAL20RA10", 96},  {"GAL20RA10B", 97},
    {"GAL20XV10", 101}, {"GAL20XV10B", 102},
};

class RoundTrip : public ::testing::TestWithParam<TypeCase> {};

TEST_P(RoundTrip, ProgramVerifyReadEraseVerify) {
    const TypeCase& type = GetParam();
    Bench bench(type.chip);
    RunState& state = bench.state;
    bench.LoadRandomDesign(type.code, 1000u + type.code);
    const auto design = state.FuseMap;

    ProgramDevice(state);
    EXPECT_EQ(state.profile.code, type.code);
    EXPECT_TRUE(bench.Logged("*** SUCCESS ***")) << bench.window.LogText();
    EXPECT_FALSE(bench.Logged("PES not valid"));
    EXPECT_TRUE(bench.window.tones.empty());
    EXPECT_EQ(bench.window.progress, 0);
    bench.ExpectCleanEnd();
    const int fuseCount = state.profile.fuseCount;
    // What the chip holds now is the design, fuse for fuse, whatever the host believes.
    const auto cells = bench.unit.Socket()->Fuses();
    for (int f = 0; f < fuseCount; ++f) ASSERT_EQ(cells[f], design[f]) << "fuse " << f;

    bench.NextCommand();
    state.FuseMap.fill(0);
    state.loadedFuseCount = 0;
    ReadOrVerifyDevice(state, false, true);
    EXPECT_TRUE(std::equal(design.begin(), design.begin() + fuseCount, state.FuseMap.begin()));
    EXPECT_EQ(state.loadedFuseCount, fuseCount);
    EXPECT_EQ(state.viewFuseCount, fuseCount);
    bench.ExpectCleanEnd();

    bench.NextCommand();
    EraseDevice(state, false);
    bench.ExpectCleanEnd();

    bench.NextCommand();
    ReadOrVerifyDevice(state, true, true);
    // Erased cells read 1: the first programmed (0) fuse is where the verify must stop.
    const int firstZero = static_cast<int>(std::find(design.begin(), design.end(), 0) - design.begin());
    EXPECT_TRUE(bench.Logged("VERIFY failed @ fuse #" + std::to_string(firstZero))) << bench.window.LogText();
    EXPECT_FALSE(bench.Logged("*** SUCCESS ***"));
    EXPECT_EQ(bench.window.tones, (std::vector<std::pair<int, int>>{{440, 300}}));
    bench.ExpectCleanEnd();
}

INSTANTIATE_TEST_SUITE_P(AllTypes, RoundTrip, ::testing::ValuesIn(kTypes),
                         [](const auto& info) { return std::string(info.param.chip); });

}  // namespace
}  // namespace vostrel::test
