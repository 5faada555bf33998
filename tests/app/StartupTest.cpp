#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/RunState.h"
#include "app/Startup.h"
#include "sim/SimPorts.h"
#include "sim/VirtualClock.h"
#include "support/RecordingWindow.h"

namespace vostrel {
namespace {

using Lines = std::vector<std::string>;

struct Bench {
    test::RecordingWindow window;
    sim::VirtualClock clock;
    sim::SimPorts ports{clock};
    RunState state{window, ports, clock};
};

// What the scan does to one port that shows no banner.
Lines Probed(int n) {
    const std::string name = "COM" + std::to_string(n);
    return {"open " + name, "break on", "break off", "break on", "break off", "close " + name};
}

Lines Join(std::initializer_list<Lines> parts) {
    Lines all;
    for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

TEST(FindProgrammer, SilentPortsAreOpenedPulsedAndClosedInOrderTheUnitsPortStaysOpen) {
    Bench b;
    for (int n = 0; n < 5; ++n) b.ports.AttachSilent(n);
    b.ports.AttachUnit(5);

    EXPECT_TRUE(FindProgrammer(b.state));

    const Lines unit = {"open COM5", "break on", "break off", "break on", "break off"};
    EXPECT_EQ(b.ports.PortEvents(), Join({Probed(0), Probed(1), Probed(2), Probed(3), Probed(4), unit}));
    EXPECT_EQ(b.ports.OpenCom(), 5);
    EXPECT_EQ(b.window.logLines, Lines{"Vostrel_V1.0 found @ COM5"});
    // Two 1 ms pulses with 1 ms between them, then 40 ms for the banner: 43 ms a port.
    EXPECT_EQ(b.clock.sleptMs(), 6 * 43);
}

TEST(FindProgrammer, LastPortIsCOM32AndNothingAboveIsTried) {
    Bench b;
    b.ports.AttachUnit(32);
    EXPECT_TRUE(FindProgrammer(b.state));
    EXPECT_EQ(b.window.logLines, Lines{"Vostrel_V1.0 found @ COM32"});

    Bench none;
    EXPECT_FALSE(FindProgrammer(none.state));
    const Lines events = none.ports.PortEvents();
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.front(), "open COM0 failed");
    EXPECT_EQ(events.back(), "open COM32 failed");
    EXPECT_EQ(std::count_if(events.begin(), events.end(), [](const std::string& e) { return e.find("COM33") != std::string::npos; }), 0);
    EXPECT_TRUE(none.window.logLines.empty());
}

TEST(FindProgrammer, BannerFaults) {
    struct Case {
        const char* what;
        sim::BannerFault fault;
        int foundOn;
    };
    // The faulty unit sits on COM1, a sound one on COM3.
    const Case cases[] = {
        {"one byte only is skipped", sim::BannerFault::OneByte, 3},
        {"no banner at all is skipped", sim::BannerFault::Silent, 3},
        {"zeros inside the banner are found", sim::BannerFault::ZerosInside, 1},
    };
    for (const Case& c : cases) {
        Bench b;
        b.ports.AttachUnit(1).SetBannerFault(c.fault);
        b.ports.AttachUnit(3);
        EXPECT_TRUE(FindProgrammer(b.state)) << c.what;
        EXPECT_EQ(b.ports.OpenCom(), c.foundOn) << c.what;
        EXPECT_EQ(b.window.logLines, Lines{"Vostrel_V1.0 found @ COM" + std::to_string(c.foundOn)}) << c.what;
    }
}

TEST(CheckHardware, EmptiesBothPanesAndNamesThePort) {
    Bench b;
    b.ports.AttachUnit(0);
    b.window.fuseLines = {"L0000 0000"};
    b.window.logLines = {"old"};
    EXPECT_TRUE(CheckHardware(b.state));
    EXPECT_TRUE(b.window.fuseLines.empty());
    EXPECT_EQ(b.window.logLines, Lines{"Vostrel_V1.0 found @ COM0"});
    EXPECT_TRUE(b.window.boxes.empty());
}

TEST(CheckHardware, WithoutAUnitShowsTheBoxAndLeavesNoPortOpen) {
    Bench b;
    b.ports.AttachSilent(7);
    EXPECT_FALSE(CheckHardware(b.state));
    ASSERT_EQ(b.window.boxes.size(), 1u);
    EXPECT_EQ(b.window.boxes[0].kind, "message");
    EXPECT_EQ(b.window.boxes[0].title, "Vostrel");
    EXPECT_EQ(b.window.boxes[0].text, "Hardware not present!");
    EXPECT_FALSE(b.ports.IsOpen());
}

TEST(ResetAfterLinkFailure, NothingHappensWithoutAFailure) {
    Bench b;
    b.ports.AttachUnit(2);
    b.window.logLines = {">>> done <<<"};
    EXPECT_TRUE(ResetAfterLinkFailure(b.state));
    EXPECT_EQ(b.window.logLines, Lines{">>> done <<<"});
    EXPECT_TRUE(b.ports.PortEvents().empty());
    EXPECT_EQ(b.clock.sleptMs(), 0);
}

TEST(ResetAfterLinkFailure, WritesResettingWaitsAndFindsTheUnitAgain) {
    Bench b;
    b.ports.AttachUnit(2);
    ASSERT_TRUE(FindProgrammer(b.state));
    b.ports.ClearPortEvents();
    const auto before = b.clock.sleptMs();
    b.state.linkFailure = 2;
    b.window.logLines = {"Connection Timeout", "-- aborted --"};
    Lines seenAtFirstService;
    b.window.onService = [&] {
        if (seenAtFirstService.empty()) seenAtFirstService = b.window.logLines;
    };

    EXPECT_TRUE(ResetAfterLinkFailure(b.state));

    EXPECT_EQ(seenAtFirstService, (Lines{"Connection Timeout", "-- aborted --", "Resetting..."}));
    EXPECT_EQ(b.window.logLines, Lines{"Vostrel_V1.0 found @ COM2"});
    // The old link port is closed before the scan starts over.
    ASSERT_FALSE(b.ports.PortEvents().empty());
    EXPECT_EQ(b.ports.PortEvents().front(), "close COM2");
    // COM0 and COM1 do not exist, so only COM2 is pulsed.
    EXPECT_EQ(b.clock.sleptMs() - before, 600 + 43);
}

TEST(ResetAfterLinkFailure, AnsweredFalseWhenTheUnitIsGone) {
    Bench b;
    b.ports.AttachUnit(2);
    ASSERT_TRUE(FindProgrammer(b.state));
    b.ports.Detach(2);
    b.state.linkFailure = 2;
    EXPECT_FALSE(ResetAfterLinkFailure(b.state));
    ASSERT_EQ(b.window.boxes.size(), 1u);
    EXPECT_EQ(b.window.boxes[0].text, "Hardware not present!");
}

}  // namespace
}  // namespace vostrel
