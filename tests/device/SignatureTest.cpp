#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "support/OfflineBench.h"
#include "device/DeviceTable.h"
#include "device/Signature.h"

namespace vostrel {
namespace {

std::string OneDecimal(float volts) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", static_cast<double>(volts));
    return text;
}

// Puts the PES-row reply of a chip whose PES is `bytes` into ResponseBuffer: one entry per row bit,
// least significant bit first, the PES starting at the type's pesReadOffset.
void LoadPesReply(RunState& state, const std::vector<std::uint8_t>& bytes) {
    std::fill(state.ResponseBuffer.begin(), state.ResponseBuffer.end(), 0);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        for (int j = 0; j < 8; ++j) {
            state.ResponseBuffer.at(state.profile.pesReadOffset + 8 * i + j) = (bytes[i] >> j) & 1;
        }
    }
}

TEST(SupplySettings, VppScaleGivesTheSettingsInUse) {
    struct Case { float volts; int setting; const char* shown; };
    const Case cases[] = {
        {12.0f, 213, "12.0"}, {14.0f, 155, "14.0"}, {14.5f, 140, "14.5"},
        {15.0f, 125, "15.0"}, {15.75f, 103, "15.8"}, {16.5f, 81, "16.5"},
        {19.3f, 0, "19.3"},   {10.0f, 255, "10.6"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(VppSettingFromVolts(c.volts), c.setting) << c.volts;
        EXPECT_EQ(OneDecimal(VoltsFromVppSetting(static_cast<std::uint8_t>(c.setting))), c.shown) << c.volts;
    }
    EXPECT_NEAR(VoltsFromVppSetting(213), 12.0098f, 0.00005f);
}

TEST(SupplySettings, CodedPesVoltagesComeOutAsTheUnitExpects) {
    // Coded-PES voltage code k asks for 5.0 + 0.5 k volts.
    const int middle[] = {243, 228, 213, 199, 184, 169, 155, 140, 125, 110, 96, 81, 66, 52, 37, 22, 8};
    for (int code = 0; code < 32; ++code) {
        const float volts = 5.0f + 0.5f * static_cast<float>(code);
        int expected = 0;
        std::string shown;
        if (code <= 11) {
            expected = 255;
            shown = "10.6";
        } else if (code >= 29) {
            expected = 0;
            shown = "19.3";
        } else {
            expected = middle[code - 12];
            shown = OneDecimal(volts);
        }
        EXPECT_EQ(VppSettingFromVolts(volts), expected) << "code " << code;
        EXPECT_EQ(OneDecimal(VoltsFromVppSetting(static_cast<std::uint8_t>(expected))), shown) << "code " << code;
    }
}

TEST(SupplySettings, VccScaleAndNonsenseInput) {
    EXPECT_EQ(VccSettingFromVolts(5.0f), vccSetting5V);
    EXPECT_NEAR(VoltsFromVccSetting(vccSetting5V), 5.03f, 0.005f);
    EXPECT_EQ(VccSettingFromVolts(0.0f), 0);
    EXPECT_EQ(VccSettingFromVolts(7.12f), 255);
    EXPECT_EQ(VccSettingFromVolts(8.0f), 287);  // not clamped: the supply test checks its own range
    EXPECT_EQ(VccSettingFromVolts(std::numeric_limits<float>::quiet_NaN()), 0);
    EXPECT_EQ(VccSettingFromVolts(std::numeric_limits<float>::infinity()), std::numeric_limits<int>::max());
    EXPECT_EQ(VppSettingFromVolts(std::numeric_limits<float>::quiet_NaN()), 255);
    EXPECT_EQ(VppSettingFromVolts(-std::numeric_limits<float>::infinity()), 255);
    EXPECT_EQ(VppSettingFromVolts(std::numeric_limits<float>::infinity()), 0);
}

TEST(DecodePes, PesLengthFollowsTheRowAndTheOffset) {
    struct Case { DeviceCode code; std::size_t bytes; };
    const Case cases[] = {{0, 8}, {58, 8}, {72, 16}, {132, 16}, {80, 12}, {88, 15},
                          {93, 18}, {96, 10}, {101, 5}, {64, 9}, {68, 9}};
    for (const Case& c : cases) {
        test::OfflineBench bench;
        ASSERT_TRUE(SelectDevice(bench.state.profile, c.code));
        std::vector<std::uint8_t> pes(c.bytes, 0x5A);
        LoadPesReply(bench.state, pes);
        DecodePes(bench.state);
        pes.push_back(0);
        EXPECT_EQ(bench.state.PesBytes, pes) << int(c.code);
    }
}

TEST(DecodePes, HexAndTextOfAGal6001) {
    test::OfflineBench bench;
    RunState& state = bench.state;
    ASSERT_TRUE(SelectDevice(state.profile, 64));  // PES from bit 20 of a 95-bit row
    LoadPesReply(state, {0x41, 0x00, 0x42, 0xA1, 0xFF, 0x0A, 0x43, 0xE9, 0x01});
    // Bits before the offset must not leak into the PES.
    std::fill(state.ResponseBuffer.begin(), state.ResponseBuffer.begin() + 20, 1);
    DecodePes(state);
    EXPECT_EQ(state.pesHex, "41 00 42 A1 FF 0A 43 E9 01 ");
    // Reversed, without the 0 and 255 bytes, one char per byte.
    EXPECT_EQ(state.pesText, std::string("\x01\xE9" "C\x0A\xA1" "BA"));
    ASSERT_EQ(state.PesBytes.size(), 10u);
    EXPECT_EQ(state.PesBytes[9], 0);
}

TEST(DecodePes, ShortReplyReadsAsZeroBits) {
    test::OfflineBench bench;
    RunState& state = bench.state;
    ASSERT_TRUE(SelectDevice(state.profile, 93));  // 150-bit row
    state.ResponseBuffer.assign(12, 1);
    DecodePes(state);
    ASSERT_EQ(state.PesBytes.size(), 19u);
    EXPECT_EQ(state.PesBytes[0], 0xFF);
    EXPECT_EQ(state.PesBytes[1], 0x0F);
    EXPECT_EQ(state.PesBytes[2], 0);
    EXPECT_EQ(state.pesText, "\x0F");

    state.ResponseBuffer.clear();
    DecodePes(state);
    EXPECT_EQ(state.pesHex.substr(0, 6), "00 00 ");
    EXPECT_EQ(state.pesText, "");
}

TEST(AtfNameFromPes, NamesOnlyTheAtmelPatterns) {
    struct Case { std::string spelled; std::string name; };
    const Case cases[] = {
        {"1F16V8Bx", "ATF16V8B"},   {"1F16V8C\xA0", "ATF16V8C"}, {"1F16V8Zq", "ATF16V8Z"},
        {"1F20V8B1", "ATF20V8B"},   {"1F22V10Cx", "ATF22V10C"},  {"1F22V10Zx", "ATF22V10Z"},
        {"1F22V10Bx", "ATF22V10B"}, {"1F16V8B", ""},             {"x1F16V8Bx", ""},
        {"1F16V8Bxy", ""},          {"", ""},                    {"\xFF\xFF", ""},
    };
    for (const Case& c : cases) {
        test::OfflineBench bench;
        RunState& state = bench.state;
        ASSERT_TRUE(SelectDevice(state.profile, 131));
        // The chip stores its text last character first; 0 and 255 bytes are padding.
        std::vector<std::uint8_t> pes(16, 0xFF);
        pes[1] = 0;
        for (std::size_t i = 0; i < c.spelled.size(); ++i) {
            pes[2 + i] = static_cast<std::uint8_t>(c.spelled[c.spelled.size() - 1 - i]);
        }
        LoadPesReply(state, pes);
        DecodePes(state);
        EXPECT_EQ(AtfNameFromPes(state), c.name) << c.spelled;
        EXPECT_EQ(state.profile.name, c.name.empty() ? "ATF22V10B" : c.name) << c.spelled;
        EXPECT_EQ(state.profile.code, 131);
    }
}

struct ParameterCase {
    const char* what;
    DeviceCode code;
    std::vector<std::uint8_t> pes;
    const char* manufacturer;
    int pulseMs, eraseMs, vppProgram, vppRead;
};

TEST(DecodeProgrammingParameters, ByTypeAndPesCoding) {
    const ParameterCase cases[] = {
        {"Lattice V8, coding 0", 0, {0, 0, 0, 161, 0, 0, 0, 0}, "LATTICE", 100, 100, 103, 213},
        {"coded PES, all zero", 0, {0, 5, 0, 161, 0, 0, 0, 0}, "LATTICE", 1, 12, 255, 255},
        // e = 7, p = 15, program code 23 (16.5 V), read code 14 (12.0 V) split over bytes 5 and 6.
        {"coded PES, top codes", 72, {0, 0x0D, 72, 161, 0xFC, 175, 3, 0}, "LATTICE", 200, 1600, 81, 213},
        {"coded PES, p = 3", 80, {0, 5, 80, 143, 0x60, 0, 0, 0}, "NATIONAL", 10, 12, 255, 255},
        {"V8 coding 1", 32, {0, 1, 32, 161}, "LATTICE", 80, 100, 103, 213},
        {"V8 coding 2", 26, {0, 2, 26, 161}, "LATTICE", 10, 100, 81, 213},
        {"V8 coding 3", 0, {0, 3, 0, 161}, "LATTICE", 40, 100, 140, 213},
        {"V8 coding 3, National", 0, {0, 3, 0, 143}, "NATIONAL", 40, 100, 125, 213},
        {"V8 coding 4", 58, {0, 4, 58, 32}, "ST", 100, 100, 103, 213},
        {"V8 coding 7", 0, {0, 0xFF, 0, 7}, "???", 100, 100, 125, 213},
        {"GAL6001 erases faster", 65, {0, 0, 65, 161}, "LATTICE", 100, 50, 103, 213},
        {"V10 coding 0", 72, {0, 0, 72, 161}, "LATTICE", 10, 100, 81, 213},
        {"V10 coding 1", 96, {0, 1, 96, 161}, "LATTICE", 100, 100, 103, 213},
        {"V10 coding 2, National", 88, {0, 2, 88, 143}, "NATIONAL", 40, 50, 125, 213},
        {"V10 coding 2", 89, {0, 2, 89, 161}, "LATTICE", 40, 100, 140, 213},
        {"V10 coding 3", 72, {0, 3, 72, 161}, "LATTICE", 100, 100, 155, 213},
        {"V10 coding 6", 93, {0, 6, 93, 161}, "LATTICE", 100, 100, 125, 213},
        {"ATF16V8C ignores its PES", 129, {0, 5, 0, 161, 0xFF, 0xFF, 0xFF, 0}, "ATMEL", 20, 200, 213, 213},
        {"ATF22V10B", 131, {0, 3, 0, 143}, "ATMEL", 10, 100, 213, 213},
        {"ATF22V10C", 132, {}, "ATMEL", 20, 200, 213, 213},
        {"ATF20V8", 130, {}, "ATMEL", 10, 100, 213, 213},
    };
    for (const ParameterCase& c : cases) {
        test::OfflineBench bench;
        RunState& state = bench.state;
        ASSERT_TRUE(SelectDevice(state.profile, c.code));
        state.profile.vppRead = 213;  // left by the probe that read the PES
        state.PesBytes = c.pes;
        state.PesBytes.push_back(0);
        DecodeProgrammingParameters(state);
        EXPECT_EQ(state.profile.manufacturer, c.manufacturer) << c.what;
        EXPECT_EQ(state.profile.progPulseMs, c.pulseMs) << c.what;
        EXPECT_EQ(state.profile.eraseTimeMs, c.eraseMs) << c.what;
        EXPECT_EQ(state.profile.vppProgram, c.vppProgram) << c.what;
        EXPECT_EQ(state.profile.vppRead, c.vppRead) << c.what;
    }
}

TEST(DecodeProgrammingParameters, CodedEraseAndPulseScales) {
    const int erase[] = {12, 25, 50, 100, 200, 400, 800, 1600};
    const int pulse[] = {1, 2, 5, 10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 200, 200, 200};
    for (int p = 0; p < 16; ++p) {
        test::OfflineBench bench;
        RunState& state = bench.state;
        ASSERT_TRUE(SelectDevice(state.profile, 72));
        const int e = p % 8;
        state.PesBytes = {0, 5, 72, 161, static_cast<std::uint8_t>(((p & 7) << 5) | (e << 2)),
                          static_cast<std::uint8_t>(p >> 3), 0, 0};
        DecodeProgrammingParameters(state);
        EXPECT_EQ(state.profile.progPulseMs, pulse[p]) << p;
        EXPECT_EQ(state.profile.eraseTimeMs, erase[e]) << e;
    }
}

TEST(DecodeProgrammingParameters, MissingPesBytesReadAsZero) {
    // A GAL20XV10 has a five-byte PES: a coded PES finds no byte 5 or 6 and takes both as 0, so
    // both supplies sit at the bottom of the scale.
    test::OfflineBench bench;
    RunState& state = bench.state;
    ASSERT_TRUE(SelectDevice(state.profile, 101));
    LoadPesReply(state, {0, 5, 101, 161, 0xFF});
    DecodePes(state);
    ASSERT_EQ(state.PesBytes.size(), 6u);
    DecodeProgrammingParameters(state);
    EXPECT_EQ(state.profile.manufacturer, "LATTICE");
    EXPECT_EQ(state.profile.eraseTimeMs, 1600);
    EXPECT_EQ(state.profile.progPulseMs, 50);  // p = 7: byte 5's low bit is 0
    EXPECT_EQ(state.profile.vppProgram, 255);
    EXPECT_EQ(state.profile.vppRead, 255);

    state.PesBytes.clear();
    state.profile.vppRead = 213;
    DecodeProgrammingParameters(state);
    EXPECT_EQ(state.profile.manufacturer, "???");
    EXPECT_EQ(state.profile.progPulseMs, 10);
    EXPECT_EQ(state.profile.vppRead, 213);
}

}  // namespace
}  // namespace vostrel
