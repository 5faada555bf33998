// The unit's side of the line: banner, port log, framing, reply sizes and wire time.

#include <gtest/gtest.h>

#include "SimHost.h"

namespace vostrel::sim::test {
namespace {

TEST(Banner, ArrivesWithinFortyMillisecondsOfTheSecondPulseAndNotBefore) {
    SimHost host;
    host.ports.AttachUnit(3);
    ASSERT_TRUE(host.ports.Open("COM3"));
    host.ports.SetBreak(true);
    host.clock.SleepMs(1);
    host.ports.SetBreak(false);
    host.clock.SleepMs(50);
    EXPECT_EQ(host.ports.BytesWaiting(), 0) << "one pulse is attention, not discovery";
    host.ports.SetBreak(true);
    host.clock.SleepMs(1);
    host.ports.SetBreak(false);
    host.clock.SleepMs(40);
    EXPECT_NE(Printable(host.Drain()).find("Vostrel_V1.0"), std::string::npos);
    // Attention pulses, one before each packet, never add up to a discovery.
    for (int i = 0; i < 3; ++i) EXPECT_EQ(host.Send({2, 2}).size(), 20u);

}

TEST(Banner, Faults) {
    struct Case {
        BannerFault fault;
        std::size_t minBytes, maxBytes;
        bool named;
        bool zeros;
    };
    const std::string text = kBannerText;
    const Case cases[] = {
        {BannerFault::None, text.size(), text.size(), true, false},
        {BannerFault::Silent, 0, 0, false, false},
        {BannerFault::OneByte, 1, 1, false, false},
        {BannerFault::ZerosInside, 2 * text.size(), 2 * text.size() + 1, true, true},
    };
    for (const auto& c : cases) {
        SimHost host;
        host.ports.AttachUnit(0).SetBannerFault(c.fault);
        const auto bytes = host.Discover("COM0");
        EXPECT_GE(bytes.size(), c.minBytes);
        EXPECT_LE(bytes.size(), c.maxBytes);
        EXPECT_EQ(Printable(bytes).find("Vostrel_V1.0") != std::string::npos, c.named);
        EXPECT_EQ(std::count(bytes.begin(), bytes.end(), 0) > 0, c.zeros);
    }
}

TEST(Ports, LogOpensPulsesAndClosesInOrder) {
    SimHost host;
    host.ports.AttachSilent(1);
    host.ports.AttachUnit(2);
    EXPECT_TRUE(host.Discover("COM0").empty());
    EXPECT_TRUE(host.Discover("COM1").empty());
    host.ports.Close();
    EXPECT_FALSE(host.Discover("COM2").empty());
    EXPECT_FALSE(host.ports.Open("COM33"));
    const std::vector<std::string> expected = {
        "open COM0 failed", "open COM1", "break on", "break off", "break on", "break off", "close COM1",
        "open COM2", "break on", "break off", "break on", "break off", "close COM2", "open COM33 failed"};
    EXPECT_EQ(host.ports.PortEvents(), expected);
}

TEST(Ports, UnpluggedUnitVanishesUntilReplugged) {
    SimHost host;
    Unit& unit = host.ports.AttachUnit(0);
    ASSERT_FALSE(host.Discover("COM0").empty());
    unit.Unplug();
    EXPECT_EQ(host.Send({2, 2}).size(), 0u);
    EXPECT_EQ(host.ports.Write(std::vector<std::uint8_t>{2, 2}.data(), 2), 0);
    host.ports.Close();
    EXPECT_FALSE(host.ports.Open("COM0"));
    unit.Replug();
    EXPECT_FALSE(host.Discover("COM0").empty());
}

TEST(Framing, ReplySizesAndTrailer) {
    SimHost host;
    host.ports.AttachUnit(0).Insert(MakeChip("GAL16V8"));
    host.Discover("COM0");
    struct Case {
        std::vector<std::uint8_t> packet;
        std::size_t data;
    };
    const Case cases[] = {
        {{1, 7, 180, 213, 0, 20, 0}, 16},
        {{3, 2}, 16},
        {{5, 8, 64, 5, 255, 0, 0, 0}, 64},
        {{5, 8, 82, 60, 255, 0, 0, 0}, 82},
        {{2, 2}, 16},
    };
    for (const auto& c : cases) {
        const auto reply = host.Send(c.packet);
        ASSERT_EQ(reply.size(), c.data + 4) << int(c.packet[0]);
        EXPECT_EQ(reply[c.data] + 256 * reply[c.data + 1], static_cast<int>(c.data));
        EXPECT_EQ(reply.back(), c.packet[0]);
    }
    EXPECT_EQ(host.ports.UnitOn(0)->Transcript().size(), std::size(cases));
}

TEST(Framing, AttentionDropsAHalfPacketAndLengthByteFramesTheRest) {
    SimHost host;
    Unit& unit = host.ports.AttachUnit(0);
    host.Discover("COM0");
    const std::uint8_t half[] = {5, 8, 64};
    host.ports.Write(half, 3);
    // Two packets in one burst are framed by their length bytes.
    const auto reply = host.Exchange({2, 2, 3, 2}, 40);
    EXPECT_EQ(reply.size(), 40u);
    const std::vector<std::vector<std::uint8_t>> packets = {{2, 2}, {3, 2}};
    EXPECT_EQ(unit.Transcript(), packets);
}

TEST(Timing, ReplyArrivesAfterItsWireTime) {
    SimHost host;
    Unit& unit = host.ports.AttachUnit(0);
    unit.Insert(MakeChip("GAL16V8"));
    host.Discover("COM0");
    const std::uint8_t read[] = {5, 8, 64, 5, 255, 0, 0, 0};
    host.ports.Write(read, 8);
    EXPECT_EQ(host.ports.BytesWaiting(), 0);
    // 8 bytes out and 68 back at 86.8 us each: 6.6 ms.
    host.clock.SleepMs(6);
    EXPECT_GT(host.ports.BytesWaiting(), 0);
    EXPECT_LT(host.ports.BytesWaiting(), 68);
    host.clock.SleepMs(1);
    EXPECT_EQ(host.ports.BytesWaiting(), 68);
    EXPECT_EQ(unit.Physical().TotalUs(), WireUs(8) + WireUs(68));
}

TEST(PtyTransport, BannerOnOpenAndFramingByLengthAlone) {
    Unit unit(Transport::Pty);
    unit.PortOpened(0);
    std::string banner;
    for (const auto& b : unit.TakeAll()) banner.push_back(static_cast<char>(b.value));
    EXPECT_EQ(banner, kBannerText);
    // A stray byte, then silence: the next packet still frames once the stray byte has gone stale.
    const std::uint8_t stray = 7;
    unit.Receive(&stray, 1, 1000);
    const std::uint8_t powerOff[] = {2, 2};
    unit.Receive(powerOff, 2, 200000);
    const auto reply = unit.TakeAll();
    ASSERT_EQ(reply.size(), 20u);
    EXPECT_EQ(reply.back().value, 2);
    // Each reply byte is stamped with its arrival: the packet's wire time, then one byte time each.
    EXPECT_EQ(reply.front().atUs, 200000 + WireUs(2) + WireUs(1));
    EXPECT_EQ(reply.back().atUs, 200000 + WireUs(2) + WireUs(20));
}

}  // namespace
}  // namespace vostrel::sim::test
