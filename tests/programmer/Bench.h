#pragma once
// A host and a simulated unit wired together on the virtual clock: the recording window, the run
// state, and a unit on COM1 that has been through discovery, so its banner is out of the way.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "app/RunState.h"
#include "device/DeviceTable.h"
#include "sim/Chip.h"
#include "sim/SimPorts.h"
#include "sim/Unit.h"
#include "sim/VirtualClock.h"
#include "support/RecordingWindow.h"

namespace vostrel::test {

using Packet = std::vector<std::uint8_t>;

struct Bench {
    sim::VirtualClock clock;
    sim::SimPorts ports{clock};
    RecordingWindow window;
    RunState state{window, ports, clock};
    sim::Unit& unit = ports.AttachUnit(1);

    explicit Bench(const std::string& chip = "") {
        if (!chip.empty()) Insert(chip);
        Connect();
    }

    // What the hardware check does before the first command: open, two pulses, take the banner.
    void Connect() {
        ports.Close();
        EXPECT_TRUE(ports.Open("COM1"));
        for (int pulse = 0; pulse < 2; ++pulse) {
            ports.SetBreak(true);
            clock.SleepMs(1);
            ports.SetBreak(false);
            clock.SleepMs(40);
        }
        std::uint8_t scratch[256];
        while (ports.BytesWaiting() > 0) ports.Read(scratch, sizeof scratch);
        unit.ClearTranscript();
    }

    void Insert(const std::string& name) {
        auto chip = sim::MakeChip(name);
        ASSERT_TRUE(chip) << name;
        unit.Insert(std::move(chip));
    }
    void Insert(const sim::ChipSpec& spec) { unit.Insert(std::make_unique<sim::Chip>(spec)); }

    // What the main loop does between two commands.
    void NextCommand() {
        state.linkFailure = 0;
        unit.ClearTranscript();
        unit.ClearFindings();
        window.logLines.clear();
        window.tones.clear();
    }

    // Loads a random design for the type, as opening a file of that type would leave it.
    void LoadRandomDesign(DeviceCode code, unsigned seed) {
        DeviceProfile p;
        ASSERT_TRUE(SelectDevice(p, code));
        std::mt19937 rng(seed);
        state.FuseMap.fill(0);
        for (int f = 0; f < p.fuseCount; ++f) state.FuseMap[f] = static_cast<std::uint8_t>(rng() & 1);
        state.loadedFuseCount = p.fuseCount;
    }

    const std::vector<Packet>& Transcript() const { return unit.Transcript(); }
    // The packets of one command code, in order.
    std::vector<Packet> PacketsOf(std::uint8_t command) const {
        std::vector<Packet> out;
        for (const auto& p : unit.Transcript())
            if (!p.empty() && p[0] == command) out.push_back(p);
        return out;
    }
    bool Logged(const std::string& line) const {
        return std::find(window.logLines.begin(), window.logLines.end(), line) != window.logLines.end();
    }
    int CountLogged(const std::string& line) const {
        return static_cast<int>(std::count(window.logLines.begin(), window.logLines.end(), line));
    }

    // Every command must leave the socket off and the checker quiet.
    void ExpectCleanEnd() {
        unit.NoteSequenceEnd();
        EXPECT_FALSE(unit.SocketPowered());
        EXPECT_TRUE(unit.FindingTexts().empty()) << ::testing::PrintToString(unit.FindingTexts());
    }
};

// The first bytes of a packet, for comparing headers.
inline Packet Head(const Packet& p, std::size_t n) { return Packet(p.begin(), p.begin() + std::min(n, p.size())); }

}  // namespace vostrel::test
