// Packets byte for byte, read off the unit's transcript. Each case identifies the chip (which sets
// the profile and programming parameters the packet is built from), sends one request and compares
// the packet the unit received.

#include <functional>

#include "Bench.h"
#include "device/Identification.h"
#include "programmer/DeviceOperations.h"
#include "programmer/Packets.h"

namespace vostrel::test {
namespace {

struct PacketCase {
    const char* what;
    const char* chip;
    std::function<void(RunState&)> send;
    Packet head;        // the packet's first bytes
    std::size_t length; // the whole packet
};

TEST(Packets, HeadersAsTheUnitReceivesThem) {
    const PacketCase cases[] = {
        {"GAL16V8 program-form PowerUp", "GAL16V8", [](RunState& s) { SendPowerUp(s, PowerUpForm::Program); },
         {1, 8, 180, 103, 0, 20, 1, 213}, 8},
        {"GAL16V8 read-form PowerUp", "GAL16V8", [](RunState& s) { SendPowerUp(s, PowerUpForm::Read); },
         {1, 7, 180, 213, 0, 20, 0}, 7},
        {"GAL16V8 short-form PowerUp", "GAL16V8", [](RunState& s) { SendPowerUp(s, PowerUpForm::Short); },
         {1, 6, 180, 103, 0, 20}, 6},
        {"PowerOff", "GAL16V8", [](RunState& s) { SendPowerOff(s); }, {2, 2}, 2},
        {"Identify", "GAL16V8", [](RunState& s) { SendIdentify(s); }, {3, 2}, 2},
        {"GAL16V8 FuseRow read of row 5", "GAL16V8", [](RunState& s) { SendReadRequest(s, FuseRow, 5); },
         {5, 8, 64, 5, 255, 0, 0, 0}, 8},
        {"GAL16V8 ConfigRow read", "GAL16V8", [](RunState& s) { SendReadRequest(s, ConfigRow, 0); },
         {5, 8, 82, 60, 255, 0, 0, 0}, 8},
        {"GAL22V10 UesRow read", "GAL22V10", [](RunState& s) { SendReadRequest(s, UesRow, 0); },
         {5, 8, 132, 0, 44, 6, 0, 0}, 8},
        {"GAL22V10 FuseRow write of row 5", "GAL22V10", [](RunState& s) { SendWriteRequest(s, FuseRow, 5, 0); },
         {7, 142, 132, 0, 5, 6, 0, 10, 0, 0}, 142},
        {"ATF22V10C FuseRow read", "ATF22V10C", [](RunState& s) { SendReadRequest(s, FuseRow, 3); },
         {5, 8, 132, 0, 3, 6, 1, 0}, 8},
        {"ATF22V10C ConfigRow write", "ATF22V10C", [](RunState& s) { SendWriteRequest(s, ConfigRow, 0, 0); },
         {7, 30, 20, 16, 255, 6, 1, 20, 0, 0}, 30},
        {"GAL16V8 Erase", "GAL16V8", [](RunState& s) { SendWriteRequest(s, Erase, 0, 0); },
         {7, 11, 1, 63, 255, 0, 0, 100, 0, 0, 1}, 11},
        {"GAL16V8 EraseAll of 600 ms", "GAL16V8",
         [](RunState& s) {
             s.profile.eraseTimeMs = 600;
             SendWriteRequest(s, EraseAll, 0, 0);
         },
         {7, 11, 1, 62, 255, 0, 0, 88, 2, 0, 1}, 11},
        {"GAL16V8 Security", "GAL16V8", [](RunState& s) { SendWriteRequest(s, Security, 0, 0); },
         {7, 11, 64, 61, 255, 0, 0, 100, 0, 0, 1}, 11},
        {"ATF16V8C PowerDownOff", "ATF16V8C", [](RunState& s) { SendWriteRequest(s, PowerDownOff, 0, 0); },
         {7, 11, 1, 59, 255, 0, 0, 20, 0, 0, 0}, 11},
        {"ATF22V10C PowerDownOff", "ATF22V10C", [](RunState& s) { SendWriteRequest(s, PowerDownOff, 0, 0); },
         {7, 11, 1, 0, 59, 6, 1, 20, 0, 0, 0}, 11},
        {"conditioning span", "GAL16V8", [](RunState& s) { SendWriteRequest(s, FuseRow, 0, 32); },
         {7, 74, 64, 0, 255, 0, 0, 100, 0, 32}, 74},
    };
    for (const PacketCase& c : cases) {
        SCOPED_TRACE(c.what);
        Bench bench(c.chip);
        ASSERT_TRUE(IdentifyAndReport(bench.state));
        bench.unit.ClearTranscript();
        c.send(bench.state);
        ASSERT_EQ(bench.Transcript().size(), 1u);
        const Packet& sent = bench.Transcript()[0];
        EXPECT_EQ(Head(sent, c.head.size()), c.head);
        EXPECT_EQ(sent.size(), c.length);
    }
}

// Bytes a request does not write go out as earlier packets left them: the GAL6001 line reads carry
// the last column read's address in bytes 3 and 4 and whatever sat in bytes 8 and 9.
TEST(Packets, PatternRowReadKeepsWhatEarlierPacketsLeft) {
    Bench bench("GAL6001");
    bench.state.CommandPacket[8] = 0xAB;
    bench.state.CommandPacket[9] = 0xCD;
    ReadOrVerifyDevice(bench.state, false, true);
    const auto reads = bench.PacketsOf(5);
    const auto first = std::find_if(reads.begin(), reads.end(), [](const Packet& p) { return p[2] == 119; });
    ASSERT_NE(first, reads.end());
    EXPECT_EQ(Head(*first, 10), (Packet{5, 129, 119, 0, 155, 24, 0, 119, 0xAB, 0xCD}));
    ASSERT_EQ(first->size(), 129u);
    for (int k = 0; k < 119; ++k) EXPECT_EQ((*first)[10 + k], k >= 32 && k <= 94 ? 1 : 0) << "position " << k;
    // The column reads before it: rows 1, 3, .., 155 shifted in serially.
    EXPECT_EQ(Head(*(first - 1), 8), (Packet{5, 8, 95, 0, 155, 24, 0, 0}));
    EXPECT_EQ(Head(reads[1], 8), (Packet{5, 8, 95, 0, 1, 24, 0, 0}));  // right after the PES read

    // Progress runs to 100 over the 78 columns, again over the 64 lines, and ends at 0.
    const auto& progress = bench.window.progressHistory;
    ASSERT_EQ(progress.size(), 78u + 64u + 1u);
    EXPECT_EQ(progress[0], 1);
    EXPECT_EQ(progress[77], 100);
    EXPECT_EQ(progress[78], 1);
    EXPECT_EQ(progress[141], 100);
    EXPECT_EQ(progress.back(), 0);
}

TEST(Packets, Gal6001LineWriteCarriesSelectPatternAndFuses) {
    Bench bench("GAL6001");
    bench.LoadRandomDesign(64, 7);
    ProgramDevice(bench.state);
    const auto writes = bench.PacketsOf(7);
    const auto line0 = std::find_if(writes.begin(), writes.end(), [](const Packet& p) { return p[2] == 119; });
    ASSERT_NE(line0, writes.end());
    const auto& fuses = bench.state.FuseMap;
    EXPECT_EQ(Head(*line0, 10), (Packet{7, 129, 119, 0, 255, 24, 0, bench.state.profile.progPulseMs, 128, 0}));
    for (int k = 0; k < 119; ++k) {
        std::uint8_t want = 0;
        if (k < 20) want = fuses[78 + k];
        else if (k >= 32 && k <= 94) want = 1;
        else if (k >= 103) want = fuses[98 + k - 103];
        EXPECT_EQ((*line0)[10 + k], want) << "position " << k;
    }
}

}  // namespace
}  // namespace vostrel::test
