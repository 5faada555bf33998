// Faults on demand, loading and dumping chips as JEDEC, and the text control commands.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <random>

#include "SimHost.h"
#include "sim/Control.h"
#include "sim/SimJedec.h"

namespace vostrel::sim::test {
namespace {

using Bytes = std::vector<std::uint8_t>;
const Bytes kPowerOff{2, 2};
const Bytes kReadRow5{5, 8, 64, 5, 255, 0, 0, 0};

TEST(Faults, RepliesGoWrongFromTheChosenPacketOn) {
    struct Case {
        ReplyFault fault;
        std::size_t bytes;  // what is waiting after the host's 4 s wait
        bool echo;
    };
    const Case cases[] = {
        {ReplyFault::Silent, 0, false},          {ReplyFault::WrongEcho, 20, false},
        {ReplyFault::ShortReply, 12, true},      {ReplyFault::TruncatedReply, 2, false},
        {ReplyFault::OversizedReply, 1204, true},
    };
    for (const auto& c : cases) {
        SimHost host;
        Unit& unit = host.ports.AttachUnit(0);
        unit.Insert(MakeChip("GAL16V8"));
        host.Discover("COM0");
        unit.FailAfter(1, c.fault, 1);
        EXPECT_EQ(host.Send(kPowerOff).size(), 20u);
        const auto start = host.clock.NowMs();
        const auto bad = host.Send(kPowerOff);
        EXPECT_EQ(bad.size(), c.bytes);
        EXPECT_EQ(!bad.empty() && bad.back() == 2, c.echo);
        if (c.bytes < 20) {
            EXPECT_GE(host.clock.NowMs() - start, 4000);
        }
        if (c.fault == ReplyFault::ShortReply) {
            EXPECT_EQ(bad[8], 8) << "the count says what came";
        }
        EXPECT_EQ(host.Send(kPowerOff).size(), 20u) << "one bad reply, then healthy again";
    }
}

TEST(Faults, UnplugAfterAPacketTakesThePortAway) {
    SimHost host;
    Unit& unit = host.ports.AttachUnit(0);
    host.Discover("COM0");
    unit.FailAfter(2, ReplyFault::Unplug, 1);
    EXPECT_EQ(host.Send(kPowerOff).size(), 20u);
    EXPECT_EQ(host.Send(kPowerOff).size(), 20u);
    EXPECT_TRUE(host.Send(kPowerOff).empty());
    EXPECT_FALSE(unit.Plugged());
    host.ports.Close();
    EXPECT_TRUE(host.Discover("COM0").empty());
    unit.Replug();
    EXPECT_FALSE(host.Discover("COM0").empty());
    EXPECT_EQ(host.Send(kPowerOff).size(), 20u);
}

Bytes RandomFuses(std::size_t count) {
    std::mt19937 rng(7);
    Bytes f(count);
    for (auto& b : f) b = static_cast<std::uint8_t>(rng() & 1);
    return f;
}

TEST(Jedec, DumpThenLoadGivesTheSameChip) {
    const auto path = (std::filesystem::temp_directory_path() / "vostrel-sim-dump.jed").string();
    for (const char* name : {"GAL22V10", "ATF16V8C", "GAL6002B"}) {
        auto chip = MakeChip(name);
        chip->SetFuses(RandomFuses(static_cast<std::size_t>(chip->JedecFuseCount())));
        chip->SetSecured();
        ASSERT_EQ(DumpChip(*chip, path), "");
        auto copy = MakeChip(name);
        ASSERT_EQ(LoadChip(*copy, path), "") << name;
        EXPECT_EQ(copy->Fuses(), chip->Fuses()) << name;
        EXPECT_TRUE(copy->Secured());
    }
    auto small = MakeChip("GAL16V8");
    EXPECT_NE(LoadChip(*small, path).find("holds 8330 fuses, the GAL16V8 2194"), std::string::npos);
    std::remove(path.c_str());
}

TEST(Jedec, ReadsAHandWrittenFile) {
    auto chip = MakeChip("GAL16V8");
    ASSERT_EQ(LoadChip(*chip, VOSTREL_FIXTURES "/sim/gal16v8-hand.jed"), "");
    const auto fuses = chip->Fuses();
    EXPECT_EQ(std::count(fuses.begin(), fuses.end(), 1), 32 + 8 + 2);
    EXPECT_EQ(fuses[32], 1);
    EXPECT_EQ(fuses[63], 1);
    EXPECT_EQ(fuses[64], 0);
    EXPECT_EQ(fuses[2193], 1);
}

TEST(Jedec, RefusesBadFiles) {
    const std::pair<const char*, const char*> cases[] = {
        {"\x02head*F0*L0 1*\x03", "no QF field"},
        {"\x02head*QF8*L4 11111*\x03", "runs past fuse 7"},
        {"\x02head*QF8*L0 1x*\x03", "holds 'x'"},
        {"\x02head*QF8*F0*L0 1*C0002*\x03", "checksum"},
        {"\x02head*QF999999999*F0*\x03", "bad QF"},
        {"", "no QF"},
    };
    for (const auto& [text, reason] : cases) {
        JedecData data;
        std::string error;
        EXPECT_FALSE(ParseJedec(text, data, error)) << text;
        EXPECT_NE(error.find(reason), std::string::npos) << error;
    }
}

TEST(Control, CommandsAndTheirRefusals) {
    Unit unit;
    EXPECT_EQ(RunControl(unit, "insert", "gal20v8"), "inserted GAL20V8");
    EXPECT_EQ(RunControl(unit, "swap", "ATF22V10C"), "swapped GAL20V8 for ATF22V10C");
    EXPECT_EQ(RunControl(unit, "insert", "GAL99"), "error: unknown chip \"GAL99\" (see: chips)");
    EXPECT_EQ(RunControl(unit, "fault", "short 3 1"), "fault short after 3 packets");
    EXPECT_EQ(RunControl(unit, "fault", "sulky").rfind("error: ", 0), 0u);
    EXPECT_EQ(RunControl(unit, "fault", "silent -1").rfind("error: ", 0), 0u);
    EXPECT_EQ(RunControl(unit, "load", " /nonexistent/x.jed").rfind("error: cannot open", 0), 0u);
    EXPECT_EQ(RunControl(unit, "remove", ""), "removed ATF22V10C");
    EXPECT_EQ(RunControl(unit, "dump", "/tmp/x.jed"), "error: no chip in the socket");
    EXPECT_EQ(RunControl(unit, "unplug", ""), "unplugged");
    EXPECT_NE(RunControl(unit, "status", "").find("socket: empty; powered: no; plugged: no"), std::string::npos);
    EXPECT_EQ(RunControl(unit, "frobnicate", "").rfind("error: ", 0), 0u);
}

}  // namespace
}  // namespace vostrel::sim::test
