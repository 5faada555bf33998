#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

#include "app/RunState.h"
#include "device/DeviceTable.h"

namespace vostrel {
namespace {

DeviceProfile Selected(DeviceCode code) {
    DeviceProfile profile;
    EXPECT_TRUE(SelectDevice(profile, code)) << int(code);
    return profile;
}

std::vector<std::int32_t> CfgList(const DeviceProfile& p) {
    return {p.cfgFuseIndex.begin(), p.cfgFuseIndex.begin() + p.cfgBits};
}

std::vector<std::int32_t> Head(const std::vector<std::int32_t>& list, std::size_t n) {
    return {list.begin(), list.begin() + static_cast<std::ptrdiff_t>(std::min(n, list.size()))};
}

bool IsV8(DeviceCode code) {
    return code == 0 || code == 26 || code == 128 || code == 129 || code == 32 || code == 58 || code == 130;
}
bool Is6001(DeviceCode code) { return code == 64 || code == 65 || code == 68; }

TEST(DeviceTable, HoldsExactlyTheTwentyTwoCodesByName) {
    const std::vector<DeviceCode> codes = DeviceCodes();
    ASSERT_EQ(codes.size(), 22u);
    EXPECT_EQ(std::set<DeviceCode>(codes.begin(), codes.end()).size(), 22u);
    for (DeviceCode code : codes) {
        const DeviceProfile p = Selected(code);
        EXPECT_EQ(p.code, code);
        EXPECT_EQ(p.name, DeviceName(code));
        DeviceCode found = 255;
        ASSERT_TRUE(DeviceCodeFromName(p.name, found)) << p.name;
        EXPECT_EQ(found, code);
    }
    DeviceCode code = 7;
    EXPECT_TRUE(DeviceCodeFromName("gal22v10az", code));
    EXPECT_EQ(code, 73);
    code = 7;
    for (const char* bad : {"", "GAL22V1", "GAL22V10AZX", "ATF22V10Z"}) {
        EXPECT_FALSE(DeviceCodeFromName(bad, code)) << bad;
    }
    EXPECT_EQ(code, 7);
    EXPECT_EQ(DeviceName(1), "");
}

TEST(DeviceTable, CodeOutsideTheTableSelectsNothing) {
    DeviceProfile profile = Selected(72);
    profile.manufacturer = "LATTICE";
    const DeviceProfile before = profile;
    for (int code : {1, 33, 66, 127, 255}) {
        EXPECT_FALSE(SelectDevice(profile, static_cast<DeviceCode>(code))) << code;
        EXPECT_EQ(profile, before) << code;
    }
}

TEST(DeviceTable, SelectionLeavesParametersAndUnusedEntriesAlone) {
    DeviceProfile profile;
    profile.manufacturer = "ST";
    profile.eraseTimeMs = 1600;
    profile.progPulseMs = 200;
    profile.vppProgram = 81;
    profile.vppRead = 213;
    profile.cfgFuseIndex.fill(-7);
    profile.pinFunctions.fill(-7);
    ASSERT_TRUE(SelectDevice(profile, 80));  // 20 pins, 20 configuration bits
    EXPECT_EQ(profile.manufacturer, "ST");
    EXPECT_EQ(profile.eraseTimeMs, 1600);
    EXPECT_EQ(profile.progPulseMs, 200);
    EXPECT_EQ(profile.vppProgram, 81);
    EXPECT_EQ(profile.vppRead, 213);
    EXPECT_EQ(profile.cfgFuseIndex[19], 3474);
    EXPECT_EQ(profile.cfgFuseIndex[20], -7);
    EXPECT_EQ(profile.cfgFuseIndex[255], -7);
    EXPECT_EQ(profile.pinFunctions[0], -7);
    EXPECT_EQ(profile.pinFunctions[20], PinSupply);
    EXPECT_EQ(profile.pinFunctions[21], -7);
    EXPECT_EQ(profile.pinFunctions[28], -7);
}

// What each type's layout must satisfy whatever its numbers: the configuration list is a true
// ordering of the fuses between the main array and the UES (or around the UES for the V8 types),
// the UES ends the fuse map, every type fits FuseMap, and every pin has a function.
TEST(DeviceTable, EveryTypeHasAConsistentFuseLayout) {
    for (DeviceCode code : DeviceCodes()) {
        SCOPED_TRACE(DeviceName(code));
        const DeviceProfile p = Selected(code);
        const std::vector<std::int32_t> list = CfgList(p);
        const std::set<std::int32_t> fuses(list.begin(), list.end());
        EXPECT_EQ(fuses.size(), list.size()) << "a configuration fuse repeats";

        std::set<std::int32_t> expected;
        if (IsV8(code)) {
            for (int f = p.uesFuse - 8; f < p.uesFuse; ++f) expected.insert(f);
            for (int f = p.uesFuse + 8 * p.uesBytes; f < p.fuseCount; ++f) expected.insert(f);
            EXPECT_EQ(p.uesFuse + 8 * p.uesBytes + 74, p.fuseCount);
            EXPECT_EQ(p.rowCount * p.rowBits, p.uesFuse - 8);
        } else {
            for (int f = p.uesFuse - p.cfgBits; f < p.uesFuse; ++f) expected.insert(f);
            EXPECT_EQ(p.uesFuse + 8 * p.uesBytes, p.fuseCount);
            EXPECT_EQ(Is6001(code) ? 8154 : p.rowCount * p.rowBits, p.uesFuse - p.cfgBits);
        }
        EXPECT_EQ(fuses, expected);

        EXPECT_LE(p.fuseCount, 8330);
        EXPECT_LT(p.fuseCount, kFuseMapSize);
        EXPECT_TRUE(p.pinCount == 20 || p.pinCount == 24 || p.pinCount == 28);
        int ground = 0, supply = 0;
        for (int pin = 1; pin <= p.pinCount; ++pin) {
            EXPECT_GE(p.pinFunctions[pin], PinInput) << pin;
            EXPECT_LE(p.pinFunctions[pin], PinOutputClock) << pin;
            ground += p.pinFunctions[pin] == PinGround;
            supply += p.pinFunctions[pin] == PinSupply;
        }
        EXPECT_EQ(ground, 1);
        EXPECT_EQ(supply, 1);
        EXPECT_EQ(p.cfgRowSerial, 255);
        EXPECT_EQ(p.variantFlag, code == 132 ? 1 : 0);
    }
}

TEST(DeviceTable, RelatedTypesDifferOnlyWhereTheChipsDo) {
    // A GAL16V8 and a GAL16V8AZ share everything but the architecture bits' order.
    DeviceProfile plain = Selected(0);
    DeviceProfile az = Selected(26);
    EXPECT_NE(CfgList(plain), CfgList(az));
    az.code = plain.code;
    az.name = plain.name;
    az.cfgFuseIndex = plain.cfgFuseIndex;
    EXPECT_EQ(az, plain);

    // ATF22V10C is an ATF22V10B with the variant flag; both read the UES at bit 68 unlike GAL22V10.
    DeviceProfile b = Selected(131);
    DeviceProfile c = Selected(132);
    const DeviceProfile gal = Selected(72);
    EXPECT_EQ(c.variantFlag, 1);
    c.variantFlag = 0;
    c.code = b.code;
    c.name = b.name;
    EXPECT_EQ(c, b);
    EXPECT_EQ(b.uesReadOffset, 68);
    b.uesReadOffset = gal.uesReadOffset;
    b.code = gal.code;
    b.name = gal.name;
    EXPECT_EQ(b, gal);

    // The 24-pin V8 lists are the 20-pin ones eight rows of 64 further on.
    for (auto [small, large] : {std::pair<DeviceCode, DeviceCode>{0, 32}, {26, 58}, {128, 130}}) {
        std::vector<std::int32_t> moved = CfgList(Selected(small));
        for (auto& fuse : moved) fuse += 512;
        EXPECT_EQ(moved, CfgList(Selected(large))) << int(large);
    }
}

TEST(DeviceTable, SpotRows) {
    const DeviceProfile xv10 = Selected(101);
    EXPECT_EQ(xv10.uesBytes, 5);
    EXPECT_EQ(xv10.rowBits, 40);
    EXPECT_EQ(xv10.cfgBits, 31);
    EXPECT_EQ(CfgList(xv10)[0], 1630);
    EXPECT_EQ(CfgList(xv10)[11], 1600);
    EXPECT_EQ(CfgList(xv10)[30], 1605);

    const DeviceProfile g6002 = Selected(68);
    EXPECT_EQ(g6002.cfgBits, 104);
    EXPECT_EQ(g6002.fuseCount, 8330);
    EXPECT_EQ(g6002.addressBits, 24);
    EXPECT_EQ(g6002.pesRowSerial, 193);
    const std::vector<std::int32_t> l6002 = CfgList(g6002);
    const std::vector<std::int32_t> l6001 = CfgList(Selected(64));
    EXPECT_EQ(std::vector<std::int32_t>(l6002.begin() + 2, l6002.begin() + 42),
              std::vector<std::int32_t>(l6001.begin() + 2, l6001.begin() + 42));
    EXPECT_EQ(std::vector<std::int32_t>(l6002.end() - 26, l6002.end()),
              std::vector<std::int32_t>(l6001.end() - 26, l6001.end()));
    EXPECT_EQ(l6002[42], 8255);
    EXPECT_EQ(l6002[59], 8238);
    EXPECT_EQ(l6002[60], 8220);
    EXPECT_EQ((std::vector<std::int32_t>(l6001.begin() + 22, l6001.begin() + 26)),
              (std::vector<std::int32_t>{8216, 8217, 8212, 8213}));

    EXPECT_EQ(Head(CfgList(Selected(80)), 4), (std::vector<std::int32_t>{3457, 3456, 3459, 3458}));
    EXPECT_EQ(Head(CfgList(Selected(93)), 5), (std::vector<std::int32_t>{7836, 7824, 7812, 7800, 7837}));
    EXPECT_EQ(CfgList(Selected(0))[36], 2193);

    // Erase rows differ between families in ways that are easy to mix up.
    struct EraseRows { DeviceCode code; int erase, eraseAll, securityBit; };
    for (const EraseRows& row : {EraseRows{0, 63, 62, 1}, {72, 61, 62, 0}, {80, 61, 60, 1},
                                 {88, 61, 57, 1}, {64, 63, 59, 1}, {96, 61, 62, 0}}) {
        const DeviceProfile p = Selected(row.code);
        EXPECT_EQ(p.eraseRow, row.erase) << p.name;
        EXPECT_EQ(p.eraseAllRow, row.eraseAll) << p.name;
        EXPECT_EQ(p.securityBit, row.securityBit) << p.name;
    }

    const DeviceProfile v12c = Selected(93);
    EXPECT_EQ(v12c.pinFunctions[4], PinClock2Input);
    EXPECT_EQ(Selected(88).pinFunctions[4], PinInput);
    EXPECT_EQ(Selected(96).pinFunctions[1], PinPreload);
}

}  // namespace
}  // namespace vostrel
