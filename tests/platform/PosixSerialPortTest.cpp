// The real serial port code against a pseudo-terminal linked into a port map of the test's own.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/OfflineBench.h"

using vostrel::test::ScratchDir;
#include "platform/PosixSerialPort.h"
#include "platform/Pty.h"
#include "platform/SystemClock.h"

namespace fs = std::filesystem;
using namespace vostrel::platform;

namespace {

class PtyOnCom3 : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = scratch_.path();
        fs::create_directories(root_ / "vostrel/ports");
        std::string error;
        ASSERT_TRUE(unit_.Create(&error)) << error;
        fs::create_symlink(unit_.slavePath(), root_ / "vostrel/ports/COM3");
        env_.runtimeDir = root_.string();
        env_.devDir = (root_ / "nodev").string();
    }
    // Bytes cross a pty through a kernel work queue, so give them a moment.
    template <typename Ready>
    bool Within(int ms, Ready ready) {
        const auto end = clock_.NowMs() + ms;
        while (!ready()) {
            if (clock_.NowMs() > end) return false;
            clock_.SleepMs(1);
        }
        return true;
    }

    ScratchDir scratch_ {"vostrel-serial"};
    fs::path root_;
    PtyMaster unit_;
    PortMapEnv env_;
    SystemClock clock_;
};

}  // namespace

TEST_F(PtyOnCom3, ExchangesBytesBothWays) {
    PosixSerialPort port(env_);
    ASSERT_TRUE(port.Open("COM3"));
    EXPECT_TRUE(port.IsOpen());
    EXPECT_TRUE(Within(500, [&] { return unit_.HostAttached(); }));
    EXPECT_EQ(port.BytesWaiting(), 0);

    port.SetBreak(true);  // a pty has no BREAK; this must neither fail loudly nor send anything
    port.SetBreak(false);

    const std::vector<std::uint8_t> packet = {2, 2};
    EXPECT_EQ(port.Write(packet.data(), 2), 2);
    std::vector<std::uint8_t> got(8);
    int n = 0;
    ASSERT_TRUE(Within(500, [&] { return (n += unit_.Read(got.data() + n, 8 - n)) >= 2; }));
    EXPECT_EQ(n, 2) << "the pty echoed or added bytes";
    EXPECT_EQ(got[0], 2);

    // Every byte value, including the ones a cooked tty would eat or translate.
    std::vector<std::uint8_t> reply(256);
    for (int i = 0; i < 256; ++i) reply[i] = static_cast<std::uint8_t>(i);
    ASSERT_EQ(unit_.Write(reply.data(), 256), 256);
    ASSERT_TRUE(Within(500, [&] { return port.BytesWaiting() == 256; }));
    std::vector<std::uint8_t> back(300);
    EXPECT_EQ(port.Read(back.data(), 300), 256);
    back.resize(256);
    EXPECT_EQ(back, reply);
    EXPECT_EQ(port.Read(back.data(), 10), 0) << "a read with nothing waiting must not block";

    port.Close();
    EXPECT_FALSE(port.IsOpen());
    EXPECT_TRUE(Within(500, [&] { return !unit_.HostAttached(); }));
}

TEST_F(PtyOnCom3, PortsThatCannotBeOpenedAnswerFalse) {
    PosixSerialPort port(env_);
    fs::create_symlink(root_ / "gone", root_ / "vostrel/ports/COM4");
    std::ofstream(root_ / "plain").put('x');
    fs::create_symlink(root_ / "plain", root_ / "vostrel/ports/COM5");
    for (const char* name : {"COM2", "COM4", "COM5", "COM33", "COM03", "ttyS0", ""}) {
        EXPECT_FALSE(port.Open(name)) << name;
        EXPECT_FALSE(port.IsOpen()) << name;
    }
    // A failed open also closes what was open before: at most one port at a time.
    ASSERT_TRUE(port.Open("COM3"));
    EXPECT_FALSE(port.Open("COM4"));
    EXPECT_FALSE(port.IsOpen());
}

TEST_F(PtyOnCom3, SecondProgramCannotShareTheUnit) {
    PosixSerialPort first(env_);
    PosixSerialPort second(env_);
    ASSERT_TRUE(first.Open("COM3"));
    EXPECT_FALSE(second.Open("COM3"));
    first.Close();
    EXPECT_TRUE(second.Open("COM3"));
}

TEST_F(PtyOnCom3, UnitGoneMeansNothingWaitingNotAnError) {
    PosixSerialPort port(env_);
    ASSERT_TRUE(port.Open("COM3"));
    unit_.Close();
    std::uint8_t b[4] = {5, 8, 64, 5};
    EXPECT_EQ(port.BytesWaiting(), 0);
    EXPECT_EQ(port.Read(b, 4), 0);
    port.Write(b, 4);  // may accept or refuse, but must return
    EXPECT_TRUE(port.IsOpen());
}

TEST(SystemClock, SleepsAtLeastAsLongAsAsked) {
    SystemClock clock;
    const auto start = clock.NowMs();
    for (int i = 0; i < 5; ++i) clock.SleepMs(1);
    EXPECT_GE(clock.NowMs() - start, 5);
    clock.SleepMs(0);
    clock.SleepMs(-3);
}
