// Program's refusal of data for another chip, the special operations and the supply test.

#include "Bench.h"
#include "programmer/DeviceOperations.h"

namespace vostrel::test {
namespace {

// Command codes of a transcript from packet `from` on.
std::vector<int> Codes(const Bench& bench, std::size_t from = 0) {
    std::vector<int> codes;
    for (std::size_t i = from; i < bench.Transcript().size(); ++i) codes.push_back(bench.Transcript()[i][0]);
    return codes;
}

constexpr std::size_t kGal16V8Identification = 4;  // PowerUp, Identify, PowerUp, PES read

TEST(Program, RefusesDataOfAnotherGeometry) {
    struct Case {
        const char* what;
        const char* chip;
        int loadedType;  // -1: nothing loaded
        const char* errorLine;
    };
    const Case cases[] = {
        {"GAL22V10 data, GAL16V8 chip", "GAL16V8", 72,
         "5892 fuses don't match GAL16V8 (2194 fuses), the chip was not programmed"},
        {"GAL6002B data, GAL6001 chip", "GAL6001", 68,
         "8330 fuses don't match GAL6001 (8294 fuses), the chip was not programmed"},
        {"nothing loaded", "GAL22V10", -1, "No fuse data loaded, the chip was not programmed"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bench bench(c.chip);
        if (c.loadedType >= 0) bench.LoadRandomDesign(static_cast<DeviceCode>(c.loadedType), 5);
        const auto before = bench.unit.Socket()->Fuses();
        ProgramDevice(bench.state);
        const auto& log = bench.window.logLines;
        ASSERT_GE(log.size(), 2u);
        EXPECT_EQ(log[log.size() - 2], "ERROR!");
        EXPECT_EQ(log.back(), c.errorLine);
        EXPECT_TRUE(bench.PacketsOf(7).empty());
        EXPECT_EQ(bench.unit.Socket()->Fuses(), before);
        bench.ExpectCleanEnd();
    }
}

TEST(Program, SameGeometryOfAnotherTypeStillPrograms) {
    for (const char* chip : {"ATF16V8B", "GAL16V8AZ"}) {
        SCOPED_TRACE(chip);
        Bench bench(chip);
        bench.LoadRandomDesign(0, 6);  // a GAL16V8 file
        ProgramDevice(bench.state);
        EXPECT_TRUE(bench.Logged("*** SUCCESS ***")) << bench.window.LogText();
    }
}

TEST(Program, GAL16V8SequenceAndLog) {
    Bench bench("GAL16V8");
    bench.LoadRandomDesign(0, 8);
    ProgramDevice(bench.state);
    std::vector<int> want = {2, 1, 7};               // off, program-form power, erase
    want.insert(want.end(), 32 + 2, 7);              // rows, configuration, UES
    want.insert(want.end(), 32 + 2, 5);              // the verify's reads
    want.push_back(2);
    EXPECT_EQ(Codes(bench, kGal16V8Identification), want);
    const auto& t = bench.Transcript();
    EXPECT_EQ(t[kGal16V8Identification + 1][1], 8);  // program form
    const auto& log = bench.window.logLines;
    EXPECT_EQ(std::vector<std::string>(log.end() - 4, log.end()),
              (std::vector<std::string>{"->erase", "->programm", "->verify", "*** SUCCESS ***"}));
    // Row r carries fuses r, r + 32, .., r + 2016.
    const Packet& row3 = t[kGal16V8Identification + 3 + 3];
    for (int k = 0; k < 64; ++k) ASSERT_EQ(row3[10 + k], bench.state.FuseMap[3 + 32 * k]) << k;
    EXPECT_EQ(bench.window.progressHistory[31], 100);
}

TEST(Program, AtmelPowerDownFollowsTheFileBit) {
    struct Case {
        const char* chip;
        DeviceCode type;
        std::uint8_t powerDownFuse;
        bool disabled;
    };
    const Case cases[] = {
        {"ATF16V8C", 129, 0, true},
        {"ATF16V8C", 129, 1, false},
        {"ATF22V10C", 132, 0, true},
        {"ATF16V8B", 128, 0, false},
        {"ATF22V10B", 131, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.chip) + " bit " + std::to_string(c.powerDownFuse));
        Bench bench(c.chip);
        bench.LoadRandomDesign(c.type, 9);
        bench.state.FuseMap[bench.state.loadedFuseCount] = c.powerDownFuse;
        ProgramDevice(bench.state);
        EXPECT_EQ(bench.Logged("->disable ATMEL power-down"), c.disabled);
        EXPECT_EQ(bench.unit.Socket()->PowerDownDisabled(), c.disabled);
        EXPECT_TRUE(bench.Logged("*** SUCCESS ***"));
        if (c.disabled) {
            // The request follows the UES write and precedes its log line.
            const auto writes = bench.PacketsOf(7);
            EXPECT_EQ(Head(writes.back(), 4), (Packet{7, 11, 1, static_cast<std::uint8_t>(c.type == 129 ? 59 : 0)}));
            const auto& log = bench.window.logLines;
            const auto at = std::find(log.begin(), log.end(), "->disable ATMEL power-down");
            EXPECT_EQ(*(at + 1), "->verify");
        }
        bench.ExpectCleanEnd();
    }
}

TEST(Erase, EraseAllOnAtmelSendsOnlyPower) {
    Bench bench("ATF22V10C");
    EXPECT_TRUE(EraseDevice(bench.state, true));
    EXPECT_EQ(bench.window.logLines.back(), "ATMEL devices do not support this feature");
    EXPECT_TRUE(bench.PacketsOf(7).empty());
    EXPECT_EQ(Codes(bench).back(), 2);
    bench.ExpectCleanEnd();
}

TEST(SpecialOperations, FeatureCells) {
    Bench bench("GAL16V8");
    EXPECT_TRUE(SetDeviceFeature(bench.state, Security));
    const auto& t = bench.Transcript();
    ASSERT_EQ(t.size(), kGal16V8Identification + 3);
    EXPECT_EQ(t[4], (Packet{1, 6, 180, 103, 0, 20}));
    EXPECT_EQ(t[5], (Packet{7, 11, 64, 61, 255, 0, 0, 100, 0, 0, 1}));
    EXPECT_EQ(t[6], (Packet{2, 2}));
    EXPECT_TRUE(bench.unit.Socket()->Secured());
    bench.ExpectCleanEnd();

    // Sent to any identified chip, ATMEL or not.
    bench.NextCommand();
    EXPECT_TRUE(SetDeviceFeature(bench.state, PowerDownOff));
    EXPECT_EQ(Head(bench.Transcript()[5], 5), (Packet{7, 11, 1, 59, 255}));

    Bench atmel("ATF16V8C");
    EXPECT_TRUE(SetDeviceFeature(atmel.state, PowerDownOff));
    EXPECT_TRUE(atmel.unit.Socket()->PowerDownDisabled());
    atmel.ExpectCleanEnd();

    Bench empty;
    EXPECT_FALSE(SetDeviceFeature(empty.state, Security));
    EXPECT_TRUE(empty.PacketsOf(7).empty());
    empty.ExpectCleanEnd();
}

TEST(SpecialOperations, ConditioningSequence) {
    Bench bench("GAL16V8");
    bench.LoadRandomDesign(0, 10);
    bench.unit.Socket()->SetFuses(std::vector<std::uint8_t>(bench.state.FuseMap.begin(),
                                                              bench.state.FuseMap.begin() + 2194));
    ConditionDevice(bench.state);
    const auto& t = bench.Transcript();
    ASSERT_EQ(t.size(), kGal16V8Identification + 2 + 2 * 4 + 1);
    EXPECT_EQ(t[4], (Packet{2, 2}));
    EXPECT_EQ(Head(t[5], 2), (Packet{1, 8}));
    for (int pass = 0; pass < 2; ++pass) {
        const std::size_t at = 6 + 4 * pass;
        EXPECT_EQ(t[at], (Packet{7, 11, 1, 63, 255, 0, 0, 100, 0, 0, 1}));
        EXPECT_EQ(Head(t[at + 1], 10), (Packet{7, 74, 64, 0, 255, 0, 0, 1, 0, 32}));
        EXPECT_EQ(Head(t[at + 2], 10), (Packet{7, 92, 82, 60, 255, 0, 0, 1, 0, 0}));
        EXPECT_EQ(Head(t[at + 3], 10), (Packet{7, 74, 64, 32, 255, 0, 0, 1, 0, 0}));
        for (std::size_t k = at + 1; k <= at + 3; ++k)
            EXPECT_TRUE(std::all_of(t[k].begin() + 10, t[k].end(), [](std::uint8_t b) { return b == 0; }));
    }
    EXPECT_EQ(t.back(), (Packet{2, 2}));
    const auto& log = bench.window.logLines;
    EXPECT_EQ(std::vector<std::string>(log.end() - 4, log.end()),
              (std::vector<std::string>{"->erase", "->conditioning", "->erase", "->conditioning"}));
    EXPECT_EQ(bench.state.profile.progPulseMs, 1);
    const auto cells = bench.unit.Socket()->Fuses();
    EXPECT_TRUE(std::all_of(cells.begin(), cells.begin() + 2194, [](std::uint8_t b) { return b == 0; }));
    bench.ExpectCleanEnd();
}

struct CopyBench : Bench {
    std::unique_ptr<sim::Chip> destination;
    explicit CopyBench(const char* source, std::unique_ptr<sim::Chip> dest) : Bench(source), destination(std::move(dest)) {
        window.onMessageBox = [this](const RecordedBox& box) {
            if (box.text.rfind("Insert destination GAL", 0) != 0) return;
            if (destination) unit.Insert(std::move(destination));
            else unit.Remove();
        };
    }
};

std::unique_ptr<sim::Chip> ChipWithPes(const char* name, std::uint8_t byte0) {
    sim::ChipSpec spec;
    EXPECT_TRUE(sim::FactorySpec(name, spec));
    spec.pes[0] = byte0;
    return std::make_unique<sim::Chip>(spec);
}

TEST(SpecialOperations, CopyPesBetweenTwoGal16V8) {
    CopyBench bench("GAL16V8", ChipWithPes("GAL16V8", 0x5A));
    const auto sourcePes = bench.unit.Socket()->PesBytes();
    CopyPes(bench.state);
    ASSERT_EQ(bench.window.boxes.size(), 2u);
    EXPECT_EQ(bench.window.boxes[0].title, "Copy PES");
    EXPECT_EQ(bench.window.boxes[0].text, "Insert source GAL");
    EXPECT_EQ(bench.window.boxes[1].title, "Copy PES");
    EXPECT_EQ(bench.window.boxes[1].text, "Insert destination GALGAL16V8");
    EXPECT_EQ(bench.unit.Socket()->PesBytes(), sourcePes);
    EXPECT_EQ(Codes(bench), (std::vector<int>{1, 3, 1, 5, 2, 1, 3, 1, 5, 1, 7, 2, 1, 7, 2}));
    EXPECT_EQ(Head(bench.Transcript()[10], 4), (Packet{7, 11, 1, 62}));  // erase with the PES
    EXPECT_EQ(Head(bench.Transcript()[13], 5), (Packet{7, 74, 64, 58, 255}));
    bench.ExpectCleanEnd();
}

TEST(SpecialOperations, CopyPesWritesNothingWhereItCannotTakeHold) {
    struct Case {
        const char* what;
        const char* source;
        const char* destination;  // nullptr: the socket is left empty
        int boxes;
        const char* lastLine;
    };
    const Case cases[] = {
        {"no destination chip", "GAL16V8", nullptr, 2, "No GAL found!"},
        {"ATMEL destination", "GAL16V8", "ATF16V8B", 2, "ATMEL devices do not support this feature"},
        {"ATMEL source", "ATF22V10C", "GAL22V10", 1, "ATMEL devices do not support this feature"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::unique_ptr<sim::Chip> dest = c.destination ? sim::MakeChip(c.destination) : nullptr;
        const auto destPes = dest ? dest->PesBytes() : std::vector<std::uint8_t>{};
        CopyBench bench(c.source, std::move(dest));
        CopyPes(bench.state);
        EXPECT_EQ(static_cast<int>(bench.window.boxes.size()), c.boxes);
        EXPECT_EQ(bench.window.logLines.back(), c.lastLine);
        EXPECT_TRUE(bench.PacketsOf(7).empty());
        if (c.destination && c.boxes == 2) {
            EXPECT_EQ(bench.unit.Socket()->PesBytes(), destPes);
        }
        bench.ExpectCleanEnd();
    }
}

TEST(SupplyTest, TypedVoltagesBecomeSettings) {
    struct Case {
        const char* typed;
        const char* vccLine;
        const char* vppLine;
        const char* vccSet;
        const char* vppSet;
        std::uint8_t vcc, vpp;
    };
    const Case cases[] = {
        {"5, 12.5", "Vcc: 5V", "Vpp:  12.5V", "Vcc @ pin24  = 5.03", "Vpp @ pin2   = 12.49", 180, 199},
        {"3.3,12", "Vcc: 3.3V", "Vpp: 12V", "Vcc @ pin24  = 3.32", "Vpp @ pin2   = 12.01", 119, 213},
        {"5", "Vcc: 5V", "Vpp: V", "Vcc @ pin24  = 5.03", "Vpp @ pin2   = 10.58", 180, 255},
        {"7.2, 12", "Vcc: 7.2V", "Vpp:  12V", "Vcc @ pin24  = 0.06", "Vpp @ pin2   = 12.01", 2, 213},
        {"x, 12, 3", "Vcc: xV", "Vpp:  12V", "Vcc @ pin24  = 0.00", "Vpp @ pin2   = 12.01", 0, 213},
        // Far outside any supply: held to a bound before conversion, so the setting stays defined.
        {"99999999999999999999999, -5", "Vcc: 99999999999999999999999V", "Vpp:  -5V", "Vcc @ pin24  = 1.01",
         "Vpp @ pin2   = 10.58", 36, 255},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        Bench bench;
        bench.window.inputAnswers = {c.typed};
        std::size_t packetsAtBox = 0;
        bench.window.onMessageBox = [&](const RecordedBox&) { packetsAtBox = bench.Transcript().size(); };
        RunSupplyTest(bench.state);
        EXPECT_EQ(bench.window.logLines,
                  (std::vector<std::string>{"", "Supply test", "Given values:", c.vccLine, c.vppLine,
                                            "Calculated set values:", c.vccSet, c.vppSet, "GND @ pin12"}));
        ASSERT_EQ(bench.Transcript().size(), 2u);
        EXPECT_EQ(bench.Transcript()[0], (Packet{1, 7, c.vcc, c.vpp, 0, 24, 0}));
        EXPECT_EQ(bench.Transcript()[1], (Packet{2, 2}));
        EXPECT_EQ(packetsAtBox, 1u);  // the supplies stay on until the box is closed
        ASSERT_EQ(bench.window.boxes.size(), 2u);
        EXPECT_EQ(bench.window.boxes[0].kind, "input");
        EXPECT_EQ(bench.window.boxes[0].title, "Supply test");
        EXPECT_EQ(bench.window.boxes[0].text, "Input [VCC>3.3V],[VPP>11V]; e.g. '5, 12.5'");
        EXPECT_EQ(bench.window.boxes[1].title, "Supply test");
        EXPECT_EQ(bench.window.boxes[1].text, "Click OK to end the test");
        EXPECT_FALSE(bench.unit.SocketPowered());
    }
}

TEST(SupplyTest, CancelSendsNothing) {
    Bench bench;
    RunSupplyTest(bench.state);
    EXPECT_TRUE(bench.window.logLines.empty());
    EXPECT_TRUE(bench.Transcript().empty());
    EXPECT_EQ(bench.window.boxes.size(), 1u);
}

}  // namespace
}  // namespace vostrel::test
