// Which chip sits in the socket: the probe order, the decision table, the PES check and the report.

#include <functional>

#include "Bench.h"
#include "device/Identification.h"

namespace vostrel::test {
namespace {

sim::ChipSpec Variant(const char* name, const std::function<void(sim::ChipSpec&)>& change) {
    sim::ChipSpec spec;
    EXPECT_TRUE(sim::FactorySpec(name, spec)) << name;
    change(spec);
    return spec;
}

struct IdCase {
    const char* what;
    std::function<void(Bench&)> insert;
    bool found;
    int code;            // selected type when found
    int probes;          // Identify packets sent
    int pesReads;
    bool pesNotValid;
};

auto Chip(const char* name) {
    return [name](Bench& b) { b.Insert(name); };
}
auto ChipWithDeviceByte(const char* name, std::uint8_t deviceByte) {
    return [=](Bench& b) { b.Insert(Variant(name, [&](sim::ChipSpec& s) { s.pes[2] = deviceByte; })); };
}

TEST(Identification, DecisionTable) {
    const IdCase cases[] = {
        {"GAL16V8 answers the first probe", Chip("GAL16V8"), true, 0, 1, 1, false},
        {"GAL18V10 answers the second", Chip("GAL18V10"), true, 80, 2, 1, false},
        {"GAL6001 by its own code", Chip("GAL6001"), true, 64, 5, 1, false},
        {"GAL20RA10 by detection code 86", Chip("GAL20RA10"), true, 96, 4, 1, false},
        {"GAL26V12C by detection code 156", Chip("GAL26V12C"), true, 93, 4, 1, false},
        {"ATF16V8C on the last probe", Chip("ATF16V8C"), true, 129, 6, 1, false},
        {"GAL22V10AZ: PES refines the probe", Chip("GAL22V10AZ"), true, 73, 4, 1, false},
        {"GAL6002B: same shift length as the probe", Chip("GAL6002B"), true, 68, 5, 1, false},
        {"ATF22V10B: one signature read", Chip("ATF22V10B"), true, 131, 4, 1, false},
        {"ATF22V10C: second read as C", Chip("ATF22V10C"), true, 132, 4, 2, false},
        {"PES of a GAL22V10AZ in a GAL18V10", Chip("PES-MISMATCH"), true, 80, 2, 1, true},
        {"GAL20V8 whose PES says GAL16V8", ChipWithDeviceByte("GAL20V8", 0), true, 58, 3, 1, true},
        {"GAL16V8 whose PES says GAL20V8", ChipWithDeviceByte("GAL16V8", 32), true, 26, 1, 1, true},
        {"PES device byte outside the table", ChipWithDeviceByte("GAL22V10", 200), true, 72, 4, 1, true},
        {"empty socket", [](Bench&) {}, false, 0, 6, 0, false},
        {"unknown detection code", Chip("UNKNOWN-DETECT"), false, 0, 1, 0, false},
        {"code 1 with an unknown sub-code", Chip("ATMEL-UNKNOWN-SUB"), false, 0, 1, 0, false},
    };
    for (const IdCase& c : cases) {
        SCOPED_TRACE(c.what);
        Bench bench;
        c.insert(bench);
        bench.window.logLines = {"left over from before"};
        const bool found = IdentifyAndReport(bench.state);
        EXPECT_EQ(found, c.found);
        if (found) {
            EXPECT_EQ(bench.state.profile.code, c.code);
        }
        EXPECT_EQ(static_cast<int>(bench.PacketsOf(3).size()), c.probes);
        const auto reads = bench.PacketsOf(5);
        EXPECT_EQ(static_cast<int>(reads.size()), c.pesReads);
        EXPECT_EQ(bench.Logged("PES not valid"), c.pesNotValid);
        EXPECT_FALSE(bench.Logged("left over from before"));
        if (!found) {
            EXPECT_EQ(bench.window.logLines, (std::vector<std::string>{"ERROR!", "No GAL found!"}));
            // Giving up must not leave the probe's supplies on the socket.
            bench.ExpectCleanEnd();
        }
        EXPECT_EQ(bench.state.linkFailure, 0);
    }
}

TEST(Identification, ReportLines) {
    Bench bench("GAL16V8");
    ASSERT_TRUE(IdentifyAndReport(bench.state));
    EXPECT_EQ(bench.window.logLines,
              (std::vector<std::string>{"Device: GAL16V8 [LATTICE]", "Device Input & I/O Pull-ups: YES",
                                        "Vpp Supply: \t15.8V (prog.)\t\t12.0V (read)",
                                        "Pulse Timing: \t100ms (prog.)\t\t100ms (erase)",
                                        "PES: 10 00 00 A1 00 00 00 00 "}));
}

TEST(Identification, AtmelNamesAndPullUpKinds) {
    struct Case {
        const char* chip;
        int pullUps;
        const char* firstLine;
        const char* pullUpLine;  // nullptr: no such line
    };
    const Case cases[] = {
        {"ATF22V10C", 2, "Device: ATF22V10C [ATMEL]", "Device Input & I/O Pull-ups: PIN KEEPER"},
        {"ATF22V10Z", 0, "Device: ATF22V10Z [ATMEL]", "Device Input & I/O Pull-ups: NO"},
        {"ATF16V8B", 3, "Device: ATF16V8B [ATMEL]", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.chip);
        Bench bench;
        bench.Insert(Variant(c.chip, [&](sim::ChipSpec& s) { s.pullUps = static_cast<std::uint8_t>(c.pullUps); }));
        ASSERT_TRUE(IdentifyAndReport(bench.state));
        const auto& lines = bench.window.logLines;
        ASSERT_EQ(lines.size(), c.pullUpLine ? 5u : 4u);
        EXPECT_EQ(lines[0], c.firstLine);
        if (c.pullUpLine) {
            EXPECT_EQ(lines[1], c.pullUpLine);
        }
        EXPECT_EQ(lines[c.pullUpLine ? 2 : 1], "Vpp Supply: \t12.0V (prog.)\t\t12.0V (read)");
    }
}

}  // namespace
}  // namespace vostrel::test
