// A unit that stops answering, or answers wrongly, in the middle of a command: the command ends,
// the log says what happened, nothing is reported as a success, and the next command works.

#include "Bench.h"
#include "programmer/DeviceOperations.h"

namespace vostrel::test {
namespace {

TEST(LinkFaults, SilenceAtEveryPacketOfAProgramCommand) {
    int packets = 0;
    std::int64_t cleanMs = 0;
    {
        Bench bench("GAL16V8");
        bench.LoadRandomDesign(0, 3);
        const std::int64_t start = bench.clock.NowMs();
        ProgramDevice(bench.state);
        cleanMs = bench.clock.NowMs() - start;
        packets = static_cast<int>(bench.Transcript().size());
    }
    ASSERT_GT(packets, 70);
    for (int silentFrom = 0; silentFrom < packets; ++silentFrom) {
        SCOPED_TRACE("silent from packet " + std::to_string(silentFrom));
        Bench bench("GAL16V8");
        bench.LoadRandomDesign(0, 3);
        bench.unit.FailAfter(silentFrom, sim::ReplyFault::Silent);
        const std::int64_t start = bench.clock.NowMs();
        ProgramDevice(bench.state);
        // One wait of 4 s; every later exchange of the command goes on without waiting.
        EXPECT_LE(bench.clock.NowMs() - start, cleanMs + 4000 + 2 * packets);
        EXPECT_EQ(bench.state.linkFailure, 2);
        EXPECT_EQ(bench.CountLogged("Connection Timeout"), 1);
        // A stale reply is no ground for a verdict on the chip.
        EXPECT_FALSE(bench.Logged("No GAL found!"));
        EXPECT_FALSE(bench.Logged("PES not valid"));
        // Only the closing PowerOff comes after the verify has read every row.
        EXPECT_EQ(bench.Logged("*** SUCCESS ***"), silentFrom == packets - 1);

        // What the main loop does next: a fresh start on the link, then the user tries again.
        bench.unit.ClearFaults();
        bench.NextCommand();
        bench.Connect();
        ProgramDevice(bench.state);
        EXPECT_TRUE(bench.Logged("*** SUCCESS ***")) << bench.window.LogText();
        EXPECT_FALSE(bench.Logged("Connection Timeout"));
        bench.ExpectCleanEnd();
    }
}

// A GAL22V10 answers only the fourth probe; silence at the second leaves the first probe's "no chip"
// reply behind, which must not become a "No GAL found!".
TEST(LinkFaults, SilenceBetweenProbesGivesNoVerdict) {
    Bench bench("GAL22V10");
    bench.unit.FailAfter(2, sim::ReplyFault::Silent);
    EraseDevice(bench.state, false);
    EXPECT_EQ(bench.window.logLines, (std::vector<std::string>{"Connection Timeout"}));
    EXPECT_EQ(bench.PacketsOf(3).size(), 1u);  // probing stopped
    EXPECT_TRUE(bench.PacketsOf(7).empty());
}

TEST(LinkFaults, UnplugDuringProgramEndsTheCommand) {
    Bench bench("GAL22V10");
    bench.LoadRandomDesign(72, 4);
    bench.unit.FailAfter(20, sim::ReplyFault::Unplug);
    ProgramDevice(bench.state);
    EXPECT_EQ(bench.state.linkFailure, 2);
    EXPECT_EQ(bench.CountLogged("Connection Timeout"), 1);
    EXPECT_FALSE(bench.Logged("*** SUCCESS ***"));
    EXPECT_FALSE(bench.unit.Plugged());
}

// An all-zero design in a chip that holds it: a reply that went wrong and was padded or replaced
// with zeros would compare equal, so only the check of what arrived keeps the verify honest.
TEST(LinkFaults, BadRepliesNeverPassAVerifyNorReplaceTheWorkingData) {
    struct Case {
        sim::ReplyFault fault;
        const char* what;
        const char* extraLine;  // what the exchange itself logs
    };
    const Case cases[] = {
        {sim::ReplyFault::WrongEcho, "wrong echo", "Response Error"},
        {sim::ReplyFault::ShortReply, "short reply", nullptr},
        {sim::ReplyFault::TruncatedReply, "two bytes", "Connection Timeout"},
        {sim::ReplyFault::OversizedReply, "oversized reply", nullptr},
    };
    constexpr int kThirdRowRead = 4 + 2;  // after the probe, the PES read and two good rows
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bench bench("GAL16V8");
        bench.state.FuseMap.fill(0);
        bench.state.loadedFuseCount = 2194;
        ProgramDevice(bench.state);
        ASSERT_TRUE(bench.Logged("*** SUCCESS ***"));

        bench.NextCommand();
        bench.unit.FailAfter(kThirdRowRead, c.fault, 1);
        ReadOrVerifyDevice(bench.state, true, true);
        EXPECT_FALSE(bench.Logged("*** SUCCESS ***")) << bench.window.LogText();
        EXPECT_TRUE(bench.Logged("VERIFY failed: incomplete replies from the programmer"));
        EXPECT_EQ(bench.window.tones.size(), 1u);
        if (c.extraLine) {
            EXPECT_TRUE(bench.Logged(c.extraLine));
        }

        bench.NextCommand();
        bench.Connect();
        bench.state.FuseMap.fill(1);
        bench.state.FuseMap[5] = 0;
        const auto before = bench.state.FuseMap;
        bench.window.fuseLines = {"L00000 shown before"};
        bench.unit.FailAfter(kThirdRowRead, c.fault, 1);
        ReadOrVerifyDevice(bench.state, false, true);
        EXPECT_TRUE(bench.Logged("Read incomplete, the working data are unchanged"));
        EXPECT_EQ(bench.state.FuseMap, before);
        EXPECT_EQ(bench.window.fuseLines, (std::vector<std::string>{"L00000 shown before"}));
        EXPECT_EQ(bench.window.progress, 0);
    }
}

}  // namespace
}  // namespace vostrel::test
