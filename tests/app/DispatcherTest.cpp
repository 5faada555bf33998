#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "app/Dispatcher.h"
#include "app/RunState.h"
#include "app/Startup.h"
#include "compile/CompileBench.h"
#include "sim/SimPorts.h"
#include "sim/VirtualClock.h"
#include "support/RecordingWindow.h"

namespace vostrel {
namespace {

using Lines = std::vector<std::string>;
namespace fs = std::filesystem;

struct Bench {
    test::RecordingWindow window;
    sim::VirtualClock clock;
    sim::SimPorts ports{clock};
    RunState state{window, ports, clock};
};

std::string LastLine(const test::RecordingWindow& w) { return w.logLines.empty() ? "" : w.logLines.back(); }

TEST(DispatchCommand, AboutShowsVersionAndBuildDate) {
    Bench b;
    DispatchCommand(b.state, 25);
    ASSERT_EQ(b.window.boxes.size(), 1u);
    EXPECT_EQ(b.window.boxes[0].title, "Vostrel");
    EXPECT_TRUE(std::regex_match(b.window.boxes[0].text, std::regex("Version 1\\.1\r\nBuilt: \\d\\d\\.\\d\\d\\.\\d{4}")))
        << b.window.boxes[0].text;
    EXPECT_EQ(b.window.logLines, Lines{">>> done <<<"});
}

TEST(DispatchCommand, SupportedDevicesListsTheThirteenLines) {
    Bench b;
    DispatchCommand(b.state, 26);
    ASSERT_EQ(b.window.boxes.size(), 1u);
    EXPECT_EQ(b.window.boxes[0].title, "Devices");
    EXPECT_EQ(b.window.boxes[0].text,
              "GAL16V8\r\nGAL18V10\r\nGAL20V8\r\nGAL20XV10\r\nGAL20RA10\r\nGAL22V10\r\nATF16V8\r\nATF20V8\r\n"
              "ATF22V10\r\nGAL26V12\r\nGAL26CV12\r\nGAL6001 (GAL39V18)\r\nGAL6002");
    EXPECT_EQ(b.window.logLines, Lines{">>> done <<<"});
}

TEST(DispatchCommand, EveryCommandEndsWithItsClosingLine) {
    struct Case {
        int id;
        int linkFailure;
        const char* closing;
    };
    const Case cases[] = {
        {99, 0, ">>> done <<<"},   // an id the window never sends
        {0, 0, ">>> done <<<"},
        {17, 0, ">>> done <<<"},   // Save with nothing loaded
        {99, 2, "-- aborted --"},  // a transaction of the command timed out
        {25, 1, "-- aborted --"},
    };
    for (const Case& c : cases) {
        Bench b;
        b.state.linkFailure = c.linkFailure;
        DispatchCommand(b.state, c.id);
        EXPECT_EQ(LastLine(b.window), c.closing) << "id " << c.id;
    }
}

TEST(DispatchCommand, OpenCancelledForgetsTheDesignFromMenuAndButtonAlike) {
    for (int id : {16, 27}) {
        Bench b;
        b.state.currentDesignPath = "/designs/x.jed";
        DispatchCommand(b.state, id);
        ASSERT_EQ(b.window.boxes.size(), 1u) << id;
        EXPECT_EQ(b.window.boxes[0].kind, "open");
        EXPECT_EQ(b.window.boxes[0].patternIndex, 0);
        EXPECT_EQ(b.state.currentDesignPath, "");
        EXPECT_EQ(b.window.logLines, Lines{">>> done <<<"});
    }
}

TEST(DispatchCommand, CompileCancelledKeepsTheDesign) {
    Bench b;
    b.state.currentDesignPath = "/designs/x.jed";
    DispatchCommand(b.state, 29);
    ASSERT_EQ(b.window.boxes.size(), 1u);
    EXPECT_EQ(b.window.boxes[0].kind, "open");
    EXPECT_EQ(b.window.boxes[0].patternIndex, 1);
    EXPECT_EQ(b.state.currentDesignPath, "/designs/x.jed");
    EXPECT_EQ(b.window.logLines, Lines{">>> done <<<"});
}

TEST(DispatchCommand, CompileOpensTheFuseFileBesideTheDesignThenItsDrawing) {
    test::CompileBench b;
    const fs::path fixture = fs::path(VOSTREL_FIXTURES) / "fuses" / "gal16v8_tool_crlf.jed";
    b.SetEmulator("cd abel || exit 1\nprintf 'listing\\n' > abelcpl.out\ncp '" + fixture.string() +
                  "' abelcpl.jed\nprintf '%s\\n' '|           -----           |' ' in |  1   20 | vcc' "
                  "'|                           |' '`---' > abelcpl.doc\n");
    // A dot in a folder name must not be taken for the design's extension.
    const fs::path design = b.root / "my.designs" / "counter.abl";
    test::WriteFile(design, "MODULE m\nEND\n");
    b.state.currentDesignPath = "/earlier.jed";
    b.window.openAnswers.push_back({design.string(), 1});

    DispatchCommand(b.state, 29);

    EXPECT_EQ(b.state.currentDesignPath, design.string());
    const std::string log = b.window.LogText();
    EXPECT_NE(log.find("Parsing file: counter.jed"), std::string::npos) << log;
    EXPECT_NE(log.find("Path: " + (b.root / "my.designs").string() + "/"), std::string::npos) << log;
    EXPECT_NE(log.find(" in |  1   20 | vcc"), std::string::npos) << log;
    EXPECT_LT(log.find("Parsing file:"), log.find(" in |  1   20 | vcc"));
    EXPECT_FALSE(b.window.fuseLines.empty());
    EXPECT_EQ(LastLine(b.window), ">>> done <<<");
}

TEST(DispatchCommand, ReadForgetsTheDesignAndATimeoutAbortsIt) {
    Bench b;
    sim::Unit& unit = b.ports.AttachUnit(0);
    ASSERT_TRUE(FindProgrammer(b.state));
    unit.FailAfter(0, sim::ReplyFault::Silent);
    b.state.currentDesignPath = "/designs/x.jed";

    DispatchCommand(b.state, 30);

    EXPECT_EQ(b.state.currentDesignPath, "");
    const std::string log = b.window.LogText();
    EXPECT_NE(log.find("Connection Timeout"), std::string::npos) << log;
    EXPECT_EQ(LastLine(b.window), "-- aborted --");
    EXPECT_GE(b.state.linkFailure, 2);
}

}  // namespace
}  // namespace vostrel

namespace vostrel {
namespace {

TEST(RunCommandEvent, ClearsAnEarlierFailureAndNeverResetsAfterASoundCommand) {
    Bench b;
    b.ports.AttachUnit(0);
    ASSERT_TRUE(FindProgrammer(b.state));
    b.state.linkFailure = 2;  // left over from an earlier event
    EXPECT_TRUE(RunCommandEvent(b.state, 25));
    EXPECT_EQ(b.state.linkFailure, 0);
    EXPECT_EQ(LastLine(b.window), ">>> done <<<");
    EXPECT_EQ(b.window.LogText().find("Resetting..."), std::string::npos);
}

TEST(RunCommandEvent, ATimeoutAbortsResetsAndFindsTheUnitAgain) {
    Bench b;
    sim::Unit& unit = b.ports.AttachUnit(0);
    ASSERT_TRUE(FindProgrammer(b.state));
    unit.FailAfter(0, sim::ReplyFault::Silent, 1);
    Lines beforeReset;
    b.window.onService = [&] {
        if (LastLine(b.window) == "Resetting...") beforeReset = b.window.logLines;
    };

    EXPECT_TRUE(RunCommandEvent(b.state, 32));

    ASSERT_GE(beforeReset.size(), 3u);
    EXPECT_EQ(beforeReset[beforeReset.size() - 2], "-- aborted --");
    EXPECT_EQ(b.window.logLines, Lines{"Vostrel_V1.0 found @ COM0"});
    EXPECT_TRUE(b.window.fuseLines.empty());
    EXPECT_TRUE(b.window.boxes.empty());
}

TEST(RunCommandEvent, AUnitThatLeftEndsTheProgramAfterTheBox) {
    Bench b;
    sim::Unit& unit = b.ports.AttachUnit(0);
    ASSERT_TRUE(FindProgrammer(b.state));
    unit.FailAfter(0, sim::ReplyFault::Unplug);

    EXPECT_FALSE(RunCommandEvent(b.state, 33));

    ASSERT_EQ(b.window.boxes.size(), 1u);
    EXPECT_EQ(b.window.boxes[0].text, "Hardware not present!");
    EXPECT_FALSE(b.ports.IsOpen());
}

}  // namespace
}  // namespace vostrel
