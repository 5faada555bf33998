// The real serial port against the real vostrel-unit, each run in a runtime dir of its own: the
// port map, the banner on open, one exchange, unplug and replug, and a clean port map afterwards.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/OfflineBench.h"

using vostrel::test::ScratchDir;
#include "platform/BackgroundProcess.h"
#include "platform/PosixSerialPort.h"
#include "platform/SystemClock.h"

namespace fs = std::filesystem;
using namespace vostrel::platform;

namespace {

const std::string kUnit = std::string(VOSTREL_BIN_DIR) + "/vostrel-unit";

class UnitDaemon : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(fs::exists(kUnit)) << kUnit << " is not built";
        env_.runtimeDir = scratch_.path().string();
        env_.devDir = (scratch_.path() / "nodev").string();
    }

    fs::path Map() const { return scratch_.path() / "vostrel/ports"; }

    void Start(BackgroundProcess& unit, const std::vector<std::string>& args, const std::string& port = "COM0") {
        std::string error;
        ASSERT_TRUE(unit.Start(kUnit, args, {{"XDG_RUNTIME_DIR", env_.runtimeDir}}, &error)) << error;
        ASSERT_TRUE(unit.WaitForStderrLine(" on " + port + " (", 5000)) << unit.err();
    }

    // What the program's discovery does on a pty: open, wait out the pulses, gather the banner.
    std::string Banner(PosixSerialPort& port, const std::string& name) {
        if (!port.Open(name)) return "<cannot open>";
        clock_.SleepMs(45);
        std::string text;
        std::uint8_t b;
        while (port.BytesWaiting() > 0 && port.Read(&b, 1) == 1)
            if (b != 0) text += static_cast<char>(b);
        return text;
    }

    // The client mode, as a script would use it.
    std::string Send(const std::string& command, int* code = nullptr) {
        BackgroundProcess client;
        std::string error;
        EXPECT_TRUE(client.Start(kUnit, {"--send", command}, {{"XDG_RUNTIME_DIR", env_.runtimeDir}}, &error));
        const int rc = client.Wait(5000);
        if (code) *code = rc;
        return client.out() + client.err();
    }

    std::vector<std::uint8_t> Exchange(PosixSerialPort& port, std::vector<std::uint8_t> packet, int replyBytes,
                                       int waitMs = 2000) {
        std::uint8_t stale[64];
        while (port.Read(stale, sizeof stale) > 0) {
        }
        port.Write(packet.data(), static_cast<int>(packet.size()));
        const auto end = clock_.NowMs() + waitMs;
        while (port.BytesWaiting() < replyBytes && clock_.NowMs() < end) clock_.SleepMs(1);
        std::vector<std::uint8_t> reply(static_cast<std::size_t>(port.BytesWaiting()));
        reply.resize(static_cast<std::size_t>(port.Read(reply.data(), static_cast<int>(reply.size()))));
        return reply;
    }

    ScratchDir scratch_ {"vostrel-unit-test"};
    PortMapEnv env_;
    SystemClock clock_;
};

}  // namespace

TEST_F(UnitDaemon, ServesThePortAndCleansUpWhenStopped) {
    BackgroundProcess unit;
    Start(unit, {});
    EXPECT_TRUE(fs::is_symlink(Map() / "COM0"));

    PosixSerialPort port(env_);
    EXPECT_NE(Banner(port, "COM0").find("Vostrel_V1.0"), std::string::npos);
    const auto reply = Exchange(port, {2, 2}, 20);  // PowerOff
    ASSERT_EQ(reply.size(), 20u);
    EXPECT_EQ(reply[16], 16);
    EXPECT_EQ(reply[17], 0);
    EXPECT_EQ(reply[19], 2);

    // Closing and opening again is a new discovery: a new banner.
    port.Close();
    EXPECT_NE(Banner(port, "COM0").find("Vostrel_V1.0"), std::string::npos);
    port.Close();

    for (bool interrupt : {false, true}) {
        if (interrupt) Start(unit, {});
        interrupt ? unit.Interrupt() : unit.Terminate();
        EXPECT_EQ(unit.Wait(5000), 0) << unit.err();
        EXPECT_FALSE(fs::exists(scratch_.path() / "vostrel")) << "link, lock, socket and folders must go";
        EXPECT_FALSE(port.Open("COM0"));
    }
}

TEST_F(UnitDaemon, UnplugKillsTheLinkAndReplugComesBack) {
    BackgroundProcess unit;
    Start(unit, {"--port", "COM7"}, "COM7");
    PosixSerialPort port(env_);
    ASSERT_NE(Banner(port, "COM7").find("Vostrel_V1.0"), std::string::npos);

    BackgroundProcess client;
    std::string error;
    ASSERT_TRUE(client.Start(kUnit, {"--port", "COM7", "--send", "unplug"}, {{"XDG_RUNTIME_DIR", env_.runtimeDir}},
                             &error));
    EXPECT_EQ(client.Wait(5000), 0) << client.out() << client.err();
    EXPECT_FALSE(fs::exists(Map() / "COM7"));
    // The open port is dead: nothing ever arrives, so the program's reply wait runs out.
    EXPECT_TRUE(Exchange(port, {2, 2}, 20, 300).empty());
    port.Close();
    EXPECT_FALSE(port.Open("COM7"));

    BackgroundProcess again;
    ASSERT_TRUE(again.Start(kUnit, {"--port", "COM7", "--send", "replug"}, {{"XDG_RUNTIME_DIR", env_.runtimeDir}},
                            &error));
    EXPECT_EQ(again.Wait(5000), 0) << again.out() << again.err();
    EXPECT_NE(Banner(port, "COM7").find("Vostrel_V1.0"), std::string::npos);
    EXPECT_EQ(Exchange(port, {2, 2}, 20).size(), 20u);
}

TEST_F(UnitDaemon, RefusesTakenNamesAndReplacesStaleLinks) {
    fs::create_directories(Map());
    // Left by a unit that was killed: replaced.
    fs::create_symlink("/dev/pts/999999", Map() / "COM0");
    // The user's own mapping: never touched.
    std::ofstream(scratch_.path() / "adapter").put('x');
    fs::create_symlink(scratch_.path() / "adapter", Map() / "COM1");

    BackgroundProcess first;
    Start(first, {});
    EXPECT_NE(fs::read_symlink(Map() / "COM0").string(), "/dev/pts/999999");

    BackgroundProcess second;
    std::string error;
    ASSERT_TRUE(second.Start(kUnit, {}, {{"XDG_RUNTIME_DIR", env_.runtimeDir}}, &error));
    EXPECT_EQ(second.Wait(5000), 1);
    EXPECT_NE(second.err().find("already served"), std::string::npos) << second.err();

    BackgroundProcess third;
    ASSERT_TRUE(third.Start(kUnit, {"--port", "COM1"}, {{"XDG_RUNTIME_DIR", env_.runtimeDir}}, &error));
    EXPECT_EQ(third.Wait(5000), 1);
    EXPECT_NE(third.err().find("something else"), std::string::npos) << third.err();
    EXPECT_TRUE(fs::is_symlink(Map() / "COM1"));

    first.Terminate();
    EXPECT_EQ(first.Wait(5000), 0);
    EXPECT_FALSE(fs::exists(Map() / "COM0"));
    EXPECT_TRUE(fs::is_symlink(Map() / "COM1")) << "a map still in use stays";
}

TEST_F(UnitDaemon, CommandLineAndClientErrors) {
    struct Case {
        std::vector<std::string> args;
        int code;
        const char* says;
    };
    const std::vector<Case> cases = {
        {{"--help"}, 0, "--control PATH"},
        {{"--port", "COM33"}, 2, "COM0 to COM32"},
        {{"--port"}, 2, "needs a value"},
        {{"--frobnicate"}, 2, "unknown option"},
        {{"--send", "status"}, 1, "no unit answers"},
        {{"--chip", "GAL99V99"}, 1, "unknown chip"},
        {{"--chip", "none", "--load", "x.jed"}, 1, "needs a chip"},
        {{"--load", "/nonexistent/x.jed"}, 1, "x.jed"},
        {{"--fault", "sideways=2"}, 1, "fault NAME"},
        {{"--banner", "loud"}, 1, "banner"},
    };
    for (const auto& c : cases) {
        BackgroundProcess run;
        std::string error;
        ASSERT_TRUE(run.Start(kUnit, c.args, {{"XDG_RUNTIME_DIR", env_.runtimeDir}}, &error));
        EXPECT_EQ(run.Wait(5000), c.code) << c.args[0];
        EXPECT_NE((run.out() + run.err()).find(c.says), std::string::npos) << c.args[0] << ": " << run.out() << run.err();
    }
    EXPECT_FALSE(fs::exists(scratch_.path() / "vostrel")) << "a unit that did not start leaves nothing behind";
}

TEST_F(UnitDaemon, ControlChannelSwapsDumpsAndLoadsChips) {
    BackgroundProcess unit;
    Start(unit, {});
    const std::string design = (scratch_.path() / "design 16v8.jed").string();
    int code = -1;
    EXPECT_NE(Send("dump " + design, &code).find("dumped GAL16V8"), std::string::npos);
    EXPECT_EQ(code, 0);
    ASSERT_TRUE(fs::exists(design));

    EXPECT_NE(Send("insert GAL22V10").find("GAL22V10"), std::string::npos);
    EXPECT_NE(Send("status").find("socket: GAL22V10"), std::string::npos);
    // A GAL16V8 file does not fit a GAL22V10: refused, and said so through the exit code.
    EXPECT_NE(Send("load " + design, &code).find("error: "), std::string::npos);
    EXPECT_EQ(code, 1);

    EXPECT_NE(Send("insert GAL16V8").find("GAL16V8"), std::string::npos);
    EXPECT_NE(Send("load " + design, &code).find("loaded GAL16V8"), std::string::npos);
    const std::string again = (scratch_.path() / "again.jed").string();
    Send("dump " + again);
    std::ifstream a(design), b(again);
    const std::string first((std::istreambuf_iterator<char>(a)), {}), second((std::istreambuf_iterator<char>(b)), {});
    EXPECT_EQ(first, second);

    EXPECT_EQ(Send("stop", &code), "stopping\n");
    EXPECT_EQ(unit.Wait(5000), 0);
    EXPECT_FALSE(fs::exists(scratch_.path() / "vostrel"));
}

TEST_F(UnitDaemon, UnplugFaultTakesThePortAway) {
    BackgroundProcess unit;
    Start(unit, {"--fault", "unplug=1"});
    PosixSerialPort port(env_);
    ASSERT_NE(Banner(port, "COM0").find("Vostrel_V1.0"), std::string::npos);
    EXPECT_EQ(Exchange(port, {2, 2}, 20).size(), 20u);
    EXPECT_TRUE(Exchange(port, {2, 2}, 20, 300).empty());
    EXPECT_TRUE(unit.WaitForStderrLine("unplugged", 2000)) << unit.err();
    EXPECT_FALSE(fs::exists(Map() / "COM0"));
    EXPECT_NE(Send("replug").find("replugged"), std::string::npos);
    port.Close();
    EXPECT_NE(Banner(port, "COM0").find("Vostrel_V1.0"), std::string::npos);
}
