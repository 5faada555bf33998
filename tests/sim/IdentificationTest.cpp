// The chip models answer the program's identification so that it picks each type as intended,
// and the chips that must fail do. Runs the program's own identification over the in-process port.

#include <gtest/gtest.h>

#include <algorithm>

#include "app/RunState.h"
#include "device/Identification.h"
#include "device/Signature.h"
#include "programmer/Packets.h"
#include "sim/SimPorts.h"
#include "support/RecordingWindow.h"

namespace vostrel::sim::test {
namespace {

struct Expect {
    const char* chip;  // "" = empty socket
    int code;          // -1 = identification fails
    const char* name;
    bool pesNotValid;
};

const Expect kCases[] = {
    {"GAL16V8", 0, "GAL16V8", false},        {"GAL16V8AZ", 26, "GAL16V8AZ", false},
    {"ATF16V8B", 128, "ATF16V8B", false},    {"ATF16V8C", 129, "ATF16V8C", false},
    {"GAL20V8", 32, "GAL20V8", false},       {"GAL20V8AZ", 58, "GAL20V8AZ", false},
    {"ATF20V8", 130, "ATF20V8B", false},     {"GAL6001", 64, "GAL6001", false},
    {"GAL6001B", 65, "GAL6001B", false},     {"GAL6002B", 68, "GAL6002B", false},
    {"GAL22V10", 72, "GAL22V10", false},     {"GAL22V10AZ", 73, "GAL22V10AZ", false},
    {"ATF22V10B", 131, "ATF22V10B", false},  {"ATF22V10C", 132, "ATF22V10C", false},
    {"GAL18V10", 80, "GAL18V10", false},     {"GAL26CV12", 88, "GAL26CV12", false},
    {"GAL26CV12B", 89, "GAL26CV12B", false}, {"GAL26V12C", 93, "GAL26V12C", false},
    {"GAL20RA10", 96, "GAL20RA10", false},   {"GAL20RA10B", 97, "GAL20RA10B", false},
    {"GAL20XV10", 101, "GAL20XV10", false},  {"GAL20XV10B", 102, "GAL20XV10B", false},
    {"ATF16V8Z", 128, "ATF16V8Z", false},    {"ATF22V10Z", 132, "ATF22V10Z", false},
    {"PES-MISMATCH", 80, "GAL18V10", true},  {"UNKNOWN-DETECT", -1, "", false},
    {"ATMEL-UNKNOWN-SUB", -1, "", false},    {"", -1, "", false},
};

bool Logged(const vostrel::test::RecordingWindow& w, const std::string& text) {
    return std::find(w.logLines.begin(), w.logLines.end(), text) != w.logLines.end();
}

TEST(Identification, EachChipIsFoundAsItsType) {
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.chip);
        VirtualClock clock;
        SimPorts ports(clock);
        Unit& unit = ports.AttachUnit(0);
        if (*c.chip) unit.Insert(MakeChip(c.chip));
        ASSERT_TRUE(ports.Open("COM0"));
        vostrel::test::RecordingWindow window;
        RunState state(window, ports, clock);

        const bool found = IdentifyAndReport(state);
        SendPowerOff(state);
        EXPECT_EQ(found, c.code >= 0);
        EXPECT_EQ(Logged(window, "No GAL found!"), c.code < 0);
        EXPECT_EQ(Logged(window, "PES not valid"), c.pesNotValid);
        EXPECT_TRUE(unit.FindingTexts().empty()) << unit.FindingTexts().front();
        if (!found) continue;
        EXPECT_EQ(state.profile.code, c.code);
        EXPECT_EQ(state.profile.name, c.name);
        // What the program derives from the signature is what the part needs.
        const ChipSpec& spec = unit.Socket()->Spec();
        EXPECT_EQ(state.profile.eraseTimeMs, spec.eraseMs);
        EXPECT_LE(VoltsFromVppSetting(state.profile.vppProgram), spec.vppMaxVolts);
        EXPECT_GE(VoltsFromVppSetting(state.profile.vppProgram), spec.vppMaxVolts - 0.35f);
    }
}

}  // namespace
}  // namespace vostrel::sim::test
