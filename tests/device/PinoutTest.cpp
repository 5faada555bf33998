#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/OfflineBench.h"
#include "device/DeviceTable.h"
#include "device/Pinout.h"

namespace vostrel {
namespace {

struct Drawn {
    std::vector<std::string> modeLines;  // lines before the outline
    std::vector<std::string> outline;
    // The name shown for a pin, as the drawing gives it (left names without their padding).
    std::string Pin(int pin) const {
        const int pins = static_cast<int>(outline.size() - 3) * 2;
        const bool left = pin <= pins / 2;
        const std::string& line = outline.at(static_cast<std::size_t>(1 + (left ? pin : pins - pin + 1)));
        if (!left) return line.substr(25);
        const std::string name = line.substr(0, 6);
        return name.substr(name.find_first_not_of(' '));
    }
};

Drawn Draw(DeviceCode code, const std::vector<std::pair<int, int>>& fuses) {
    test::OfflineBench bench;
    EXPECT_TRUE(SelectDevice(bench.state.profile, code));
    for (auto [index, value] : fuses) bench.state.FuseMap[static_cast<std::size_t>(index)] = static_cast<std::uint8_t>(value);
    DrawPinout(bench.state);
    Drawn drawn;
    const auto& log = bench.window.logLines;
    std::size_t i = 0;
    while (i < log.size() && log[i] != "        _____     _____") drawn.modeLines.push_back(log[i++]);
    drawn.outline.assign(log.begin() + static_cast<std::ptrdiff_t>(i), log.end());
    return drawn;
}

std::vector<std::pair<int, int>> AllAc1(int first, int last, int value) {
    std::vector<std::pair<int, int>> fuses;
    for (int f = first; f <= last; ++f) fuses.emplace_back(f, value);
    return fuses;
}

std::vector<std::pair<int, int>> With(std::vector<std::pair<int, int>> fuses, int syn, int synValue, int ac0,
                                      int ac0Value) {
    fuses.emplace_back(syn, synValue);
    fuses.emplace_back(ac0, ac0Value);
    return fuses;
}

TEST(DrawPinout, Gal16V8ComplexModeDrawing) {
    const Drawn drawn = Draw(0, With(AllAc1(2120, 2127, 1), 2192, 1, 2193, 1));
    std::vector<std::string> all = drawn.modeLines;
    all.insert(all.end(), drawn.outline.begin(), drawn.outline.end());
    const std::vector<std::string> expected = {
        "Complex Mode; SYN=1, AC0=1",
        "        _____     _____",
        "       |     \\___/     |",
        " I_CLK |  1         20 | VCC",
        "     I |  2         19 | TRI-STATE (NO feedback!) by Product Term",
        "     I |  3         18 | TRI-STATE by Product Term",
        "     I |  4         17 | TRI-STATE by Product Term",
        "     I |  5         16 | TRI-STATE by Product Term",
        "     I |  6         15 | TRI-STATE by Product Term",
        "     I |  7         14 | TRI-STATE by Product Term",
        "     I |  8         13 | TRI-STATE by Product Term",
        "     I |  9         12 | TRI-STATE (NO feedback!) by Product Term",
        "   GND | 10         11 | I_/OE",
        "       |_______________|",
    };
    EXPECT_EQ(all, expected);
}

TEST(DrawPinout, TwentyEightPinTypeHasPlainNames) {
    const Drawn drawn = Draw(93, {});
    EXPECT_TRUE(drawn.modeLines.empty());
    const std::vector<std::string> expected = {
        "        _____     _____",
        "       |     \\___/     |",
        " I_CLK |  1         28 | I",
        "     I |  2         27 | I/O",
        "     I |  3         26 | I/O",
        "I_CLK2 |  4         25 | I/O",
        "     I |  5         24 | I/O",
        "     I |  6         23 | I/O",
        "   VCC |  7         22 | I/O",
        "     I |  8         21 | GND",
        "     I |  9         20 | I/O",
        "     I | 10         19 | I/O",
        "     I | 11         18 | I/O",
        "     I | 12         17 | I/O",
        "     I | 13         16 | I/O",
        "     I | 14         15 | I/O",
        "       |_______________|",
    };
    EXPECT_EQ(drawn.outline, expected);
}

TEST(DrawPinout, NothingWithoutAType) {
    test::OfflineBench bench;
    DrawPinout(bench.state);
    EXPECT_TRUE(bench.window.logLines.empty());
}

TEST(DrawPinout, V8ModesAndCells) {
    // Registered mode: each cell by its own AC1 fuse (pin 12 by 2127, pin 19 by 2120); the clock and
    // enable pins are shown as dedicated.
    Drawn drawn = Draw(0, With({{2127, 1}, {2120, 0}}, 2192, 0, 2193, 1));
    EXPECT_EQ(drawn.modeLines,
              (std::vector<std::string>{"Registered Mode; SYN=0, AC0=1; /OE & CLK are dedicated inputs"}));
    EXPECT_EQ(drawn.Pin(1), "CLK");
    EXPECT_EQ(drawn.Pin(11), "/OE");
    EXPECT_EQ(drawn.Pin(12), "TRI-STATE by Product Term");
    EXPECT_EQ(drawn.Pin(19), "REGISTER; TRI-STATE by /OE");

    // Simple mode, AC1 all 0: the early GAL16V8 has no feedback anywhere, the AZ only in the middle.
    drawn = Draw(0, With({}, 2192, 1, 2193, 0));
    EXPECT_EQ(drawn.modeLines, (std::vector<std::string>{"Simple Mode; SYN=1, AC0=0",
                                                         "CAUTION! Early GAL revision. All outputs without feedback!"}));
    for (int pin = 12; pin <= 19; ++pin) EXPECT_EQ(drawn.Pin(pin), "OUTPUT (NO feedback!)") << pin;
    EXPECT_EQ(drawn.Pin(1), "I_CLK");
    drawn = Draw(26, With({}, 2192, 1, 2193, 0));
    EXPECT_EQ(drawn.modeLines, (std::vector<std::string>{"Simple Mode; SYN=1, AC0=0"}));
    for (int pin = 12; pin <= 19; ++pin) {
        EXPECT_EQ(drawn.Pin(pin), pin == 15 || pin == 16 ? "OUTPUT (NO feedback!)" : "OUTPUT") << pin;
    }

    // Simple mode, AC1 all 1: inputs, except the two middle cells, which cannot be inputs.
    drawn = Draw(128, With(AllAc1(2120, 2127, 1), 2192, 1, 2193, 0));
    for (int pin = 12; pin <= 19; ++pin) {
        EXPECT_EQ(drawn.Pin(pin), pin == 15 || pin == 16 ? "not defined!" : "INPUT") << pin;
    }

    // No mode: every cell undefined.
    drawn = Draw(129, AllAc1(2120, 2127, 1));
    EXPECT_EQ(drawn.modeLines, (std::vector<std::string>{"Mode not defined!; SYN=0, AC0=0"}));
    EXPECT_EQ(drawn.Pin(17), "not defined!");

    // The 24-pin V8: cells on pins 15 to 22, enable on 13.
    drawn = Draw(32, With(AllAc1(2632, 2639, 1), 2704, 1, 2705, 1));
    EXPECT_EQ(drawn.modeLines, (std::vector<std::string>{"Complex Mode; SYN=1, AC0=1"}));
    EXPECT_EQ(drawn.Pin(15), "TRI-STATE (NO feedback!) by Product Term");
    EXPECT_EQ(drawn.Pin(22), "TRI-STATE (NO feedback!) by Product Term");
    for (int pin = 16; pin <= 21; ++pin) EXPECT_EQ(drawn.Pin(pin), "TRI-STATE by Product Term") << pin;
    EXPECT_EQ(drawn.Pin(13), "I_/OE");
    EXPECT_EQ(drawn.Pin(14), "I");
    EXPECT_EQ(drawn.Pin(23), "I");

    drawn = Draw(130, With({{2639, 1}}, 2704, 0, 2705, 1));
    EXPECT_EQ(drawn.Pin(13), "/OE");
    EXPECT_EQ(drawn.Pin(15), "TRI-STATE by Product Term");
    EXPECT_EQ(drawn.Pin(16), "REGISTER; TRI-STATE by /OE");
}

TEST(DrawPinout, V10CellsFollowTheirOddFuse) {
    const Drawn drawn = Draw(132, {{5809, 0}, {5827, 1}, {5808, 1}});
    EXPECT_TRUE(drawn.modeLines.empty());
    EXPECT_EQ(drawn.Pin(23), "REGISTERED");
    EXPECT_EQ(drawn.Pin(14), "COMBINATORIAL");
    EXPECT_EQ(drawn.Pin(13), "I");
    EXPECT_EQ(drawn.Pin(1), "I_CLK");
}

TEST(OlmcModeText, OnlyForOutputCellsOfTheThreeFamilies) {
    test::OfflineBench bench;
    RunState& state = bench.state;
    ASSERT_TRUE(SelectDevice(state.profile, 80));
    EXPECT_EQ(OlmcModeText(state, 14), "");
    ASSERT_TRUE(SelectDevice(state.profile, 0));
    EXPECT_EQ(OlmcModeText(state, 11), "");
    EXPECT_EQ(OlmcModeText(state, 20), "");
    EXPECT_EQ(OlmcModeText(state, 13), "not defined!");
    EXPECT_TRUE(bench.window.logLines.empty());  // the mode line belongs to the first cell only
}

}  // namespace
}  // namespace vostrel
