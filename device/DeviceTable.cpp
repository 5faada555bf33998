#include "device/DeviceTable.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace vostrel {
namespace {

// ---------------------------------------------------------------------------------------------
// Configuration-bit lists. A list is a sequence of runs; a run takes the terms of up to four
// arithmetic series in turn (first term of each, then the second term of each, ...) for `rounds`
// rounds. A plain range is a run of one series; the odd/even fuse pairs of the V10 types and the
// groups of four of the GAL26V12C are runs of two and four series. This keeps each list as short as
// the data sheet's own description of it, so a typo shows as a wrong range, not a wrong number
// lost among eighty.
// ---------------------------------------------------------------------------------------------

struct Series {
    std::int32_t first;
    std::int32_t step;
};

struct Run {
    std::int32_t rounds;
    std::int32_t ways;
    std::array<Series, 4> series;
};

constexpr Run Range(std::int32_t first, std::int32_t last) {
    return first <= last ? Run{last - first + 1, 1, {{{first, 1}}}}
                         : Run{first - last + 1, 1, {{{first, -1}}}};
}
constexpr Run Single(std::int32_t fuse) { return Run{1, 1, {{{fuse, 1}}}}; }
constexpr Run Stepped(std::int32_t first, std::int32_t step, std::int32_t count) {
    return Run{count, 1, {{{first, step}}}};
}
// For the V10 types: the odd fuse of each pair first, pairs ascending from `even`.
constexpr Run OddEvenPairs(std::int32_t even, std::int32_t pairs) {
    return Run{pairs, 2, {{{even + 1, 2}, {even, 2}}}};
}

struct CfgList {
    std::int32_t bits;
    std::array<Run, 10> runs;  // unused runs have 0 rounds
};

constexpr CfgList kCfgGal16V8{82, {Range(2128, 2159), Range(2048, 2051), Single(2193), Range(2120, 2127),
                                   Single(2192), Range(2052, 2055), Range(2160, 2191)}};
constexpr CfgList kCfgGal16V8Z{82, {Range(2048, 2051), Single(2193), Range(2120, 2123), Range(2128, 2191),
                                    Range(2124, 2127), Single(2192), Range(2052, 2055)}};
// The 24-pin V8 lists are the 20-pin ones moved up by 512 fuses (eight more rows of 64).
constexpr CfgList kCfgGal20V8{82, {Range(2640, 2671), Range(2560, 2563), Single(2705), Range(2632, 2639),
                                   Single(2704), Range(2564, 2567), Range(2672, 2703)}};
constexpr CfgList kCfgGal20V8Z{82, {Range(2560, 2563), Single(2705), Range(2632, 2635), Range(2640, 2703),
                                    Range(2636, 2639), Single(2704), Range(2564, 2567)}};
constexpr CfgList kCfgGal18V10{20, {OddEvenPairs(3456, 10)}};
constexpr CfgList kCfgGal22V10{20, {OddEvenPairs(5808, 10)}};
constexpr CfgList kCfgGal26CV12{24, {OddEvenPairs(6344, 12)}};
constexpr CfgList kCfgGal20RA10{10, {Range(3200, 3209)}};
constexpr CfgList kCfgGal20XV10{31, {Single(1630), Range(1628, 1629), Range(1620, 1622), Range(1610, 1614),
                                     Range(1600, 1604), Range(1627, 1626), Range(1623, 1625),
                                     Range(1619, 1615), Range(1609, 1605)}};
constexpr CfgList kCfgGal26V12C{48, {Run{12, 4, {{{7836, 1}, {7824, 1}, {7812, 1}, {7800, 1}}}}}};
// The GAL6001 family's middle part is shared by both lists: the 40 output-cell bits from 8178 to 8217
// and the 24 bits from 8154 to 8177, taken in threes.
constexpr Run k6001Cells3 = Stepped(8179, 4, 10);
constexpr Run k6001Cells2 = Stepped(8214, -4, 10);
constexpr Run k6001CellPairs = Run{10, 2, {{{8216, -4}, {8217, -4}}}};
constexpr Run k6001Terms1 = Stepped(8156, 3, 8);
constexpr Run k6001Terms0 = Stepped(8154, 3, 8);
constexpr Run k6001Terms2 = Stepped(8176, -3, 8);
constexpr CfgList kCfgGal6001{68, {Range(8221, 8220), k6001Cells3, k6001Cells2, k6001CellPairs, k6001Terms1,
                                   k6001Terms0, k6001Terms2, Range(8218, 8219)}};
constexpr CfgList kCfgGal6002{104, {Range(8257, 8256), k6001Cells3, k6001Cells2, k6001CellPairs,
                                    Range(8255, 8238), Range(8220, 8237), k6001Terms1, k6001Terms0,
                                    k6001Terms2, Range(8218, 8219)}};

// ---------------------------------------------------------------------------------------------
// Pin functions: inclusive pin ranges, in pin order.
// ---------------------------------------------------------------------------------------------

struct PinRange {
    std::uint8_t firstPin;
    std::uint8_t lastPin;
    PinFunction function;
};

using PinList = std::array<PinRange, 10>;  // unused entries have firstPin 0

constexpr PinList kPinsGal16V8{{{1, 1, PinClockInput}, {2, 9, PinInput}, {10, 10, PinGround},
                                {11, 11, PinEnableInput}, {12, 19, PinInOut}, {20, 20, PinSupply}}};
constexpr PinList kPinsGal20V8{{{1, 1, PinClockInput}, {2, 11, PinInput}, {12, 12, PinGround},
                                {13, 13, PinEnableInput}, {14, 14, PinInput}, {15, 22, PinInOut},
                                {23, 23, PinInput}, {24, 24, PinSupply}}};
constexpr PinList kPinsGal6001{{{1, 1, PinClockInput}, {2, 11, PinInput}, {12, 12, PinGround},
                                {13, 13, PinOutputClock}, {14, 23, PinInOut}, {24, 24, PinSupply}}};
constexpr PinList kPinsGal22V10{{{1, 1, PinClockInput}, {2, 11, PinInput}, {12, 12, PinGround},
                                 {13, 13, PinInput}, {14, 23, PinInOut}, {24, 24, PinSupply}}};
constexpr PinList kPinsGal18V10{{{1, 1, PinClockInput}, {2, 8, PinInput}, {9, 9, PinInOut},
                                 {10, 10, PinGround}, {11, 19, PinInOut}, {20, 20, PinSupply}}};
constexpr PinList kPinsGal26CV12{{{1, 1, PinClockInput}, {2, 6, PinInput}, {7, 7, PinSupply},
                                  {8, 14, PinInput}, {15, 20, PinInOut}, {21, 21, PinGround},
                                  {22, 27, PinInOut}, {28, 28, PinInput}}};
constexpr PinList kPinsGal26V12C{{{1, 1, PinClockInput}, {2, 3, PinInput}, {4, 4, PinClock2Input},
                                  {5, 6, PinInput}, {7, 7, PinSupply}, {8, 14, PinInput},
                                  {15, 20, PinInOut}, {21, 21, PinGround}, {22, 27, PinInOut},
                                  {28, 28, PinInput}}};
constexpr PinList kPinsGal20RA10{{{1, 1, PinPreload}, {2, 11, PinInput}, {12, 12, PinGround},
                                  {13, 13, PinEnable}, {14, 23, PinInOut}, {24, 24, PinSupply}}};
constexpr PinList kPinsGal20XV10{{{1, 1, PinClockInput}, {2, 11, PinInput}, {12, 12, PinGround},
                                  {13, 13, PinEnableInput}, {14, 23, PinInOut}, {24, 24, PinSupply}}};

// ---------------------------------------------------------------------------------------------
// Special rows. Serial address 255: the row has no serial address. Erase and erase-all are always
// addressed in parallel.
// ---------------------------------------------------------------------------------------------

struct SpecialRows {
    std::uint8_t uesRow;
    std::int32_t uesRowSerial;
    std::uint8_t pesRow;
    std::int32_t pesRowSerial;
    std::uint8_t cfgRow;
    std::int32_t cfgRowSerial;
    std::uint8_t securityRow;
    std::int32_t securityRowSerial;
    std::uint8_t securityBit;
    std::uint8_t eraseRow;
    std::uint8_t eraseBit;
    std::uint8_t eraseAllRow;
    std::uint8_t eraseAllBit;
};

//                                 ues      pes      cfg      security    erase  eraseAll
//                                 row ser  row ser  row ser  row ser bit row bit row bit
constexpr SpecialRows kRowsGal16V8{32, 255, 58, 255, 60, 255, 61, 255, 1, 63, 1, 62, 1};
constexpr SpecialRows kRowsGal20V8{40, 255, 58, 255, 60, 255, 61, 255, 1, 63, 1, 62, 1};
constexpr SpecialRows kRowsGal6001{0, 195, 0, 193, 8, 255, 0, 197, 1, 63, 1, 59, 1};
constexpr SpecialRows kRowsGal22V10{0, 44, 0, 58, 16, 255, 0, 61, 0, 61, 0, 62, 0};
constexpr SpecialRows kRowsGal18V10{0, 44, 0, 58, 16, 255, 0, 61, 1, 61, 0, 60, 0};
constexpr SpecialRows kRowsGal26CV12{0, 52, 0, 58, 16, 255, 0, 61, 1, 61, 0, 57, 1};
constexpr SpecialRows kRowsGal20RA10{0, 40, 0, 58, 16, 255, 0, 61, 0, 61, 0, 62, 0};
constexpr SpecialRows kRowsGal20XV10{0, 44, 0, 58, 16, 255, 0, 61, 0, 61, 0, 62, 0};

// ---------------------------------------------------------------------------------------------
// The device table: one row per type.
// ---------------------------------------------------------------------------------------------

struct DeviceType {
    DeviceCode code;
    const char* name;
    std::uint8_t pinCount;
    std::int32_t fuseCount;
    std::uint8_t rowCount;
    std::uint8_t rowBits;
    std::uint8_t addressBits;
    std::uint8_t variantFlag;
    std::int32_t uesFuse;
    std::uint8_t uesBytes;
    std::uint8_t uesReadOffset;
    std::uint8_t pesReadOffset;
    const SpecialRows* rows;
    const CfgList* cfg;
    const PinList* pins;
};

constexpr DeviceType kDeviceTable[] = {
    // code name          pins fuses rows bits addr var uesFuse ues uesOff pesOff rows             cfg list        pins
    {0,   "GAL16V8",     20, 2194, 32, 64,  0,  0, 2056, 8, 0,  0,  &kRowsGal16V8,   &kCfgGal16V8,   &kPinsGal16V8},
    {26,  "GAL16V8AZ",   20, 2194, 32, 64,  0,  0, 2056, 8, 0,  0,  &kRowsGal16V8,   &kCfgGal16V8Z,  &kPinsGal16V8},
    {128, "ATF16V8B",    20, 2194, 32, 64,  0,  0, 2056, 8, 0,  0,  &kRowsGal16V8,   &kCfgGal16V8Z,  &kPinsGal16V8},
    {129, "ATF16V8C",    20, 2194, 32, 64,  0,  0, 2056, 8, 0,  0,  &kRowsGal16V8,   &kCfgGal16V8Z,  &kPinsGal16V8},
    {32,  "GAL20V8",     24, 2706, 40, 64,  0,  0, 2568, 8, 0,  0,  &kRowsGal20V8,   &kCfgGal20V8,   &kPinsGal20V8},
    {58,  "GAL20V8AZ",   24, 2706, 40, 64,  0,  0, 2568, 8, 0,  0,  &kRowsGal20V8,   &kCfgGal20V8Z,  &kPinsGal20V8},
    {130, "ATF20V8",     24, 2706, 40, 64,  0,  0, 2568, 8, 0,  0,  &kRowsGal20V8,   &kCfgGal20V8Z,  &kPinsGal20V8},
    {64,  "GAL6001",     24, 8294, 78, 95,  24, 0, 8222, 9, 20, 20, &kRowsGal6001,   &kCfgGal6001,   &kPinsGal6001},
    {65,  "GAL6001B",    24, 8294, 78, 95,  24, 0, 8222, 9, 20, 20, &kRowsGal6001,   &kCfgGal6001,   &kPinsGal6001},
    {68,  "GAL6002B",    24, 8330, 78, 95,  24, 0, 8258, 9, 20, 20, &kRowsGal6001,   &kCfgGal6002,   &kPinsGal6001},
    {72,  "GAL22V10",    24, 5892, 44, 132, 6,  0, 5828, 8, 0,  0,  &kRowsGal22V10,  &kCfgGal22V10,  &kPinsGal22V10},
    {73,  "GAL22V10AZ",  24, 5892, 44, 132, 6,  0, 5828, 8, 0,  0,  &kRowsGal22V10,  &kCfgGal22V10,  &kPinsGal22V10},
    {131, "ATF22V10B",   24, 5892, 44, 132, 6,  0, 5828, 8, 68, 0,  &kRowsGal22V10,  &kCfgGal22V10,  &kPinsGal22V10},
    {132, "ATF22V10C",   24, 5892, 44, 132, 6,  1, 5828, 8, 68, 0,  &kRowsGal22V10,  &kCfgGal22V10,  &kPinsGal22V10},
    {80,  "GAL18V10",    20, 3540, 36, 96,  6,  0, 3476, 8, 0,  0,  &kRowsGal18V10,  &kCfgGal18V10,  &kPinsGal18V10},
    {88,  "GAL26CV12",   28, 6432, 52, 122, 6,  0, 6368, 8, 0,  0,  &kRowsGal26CV12, &kCfgGal26CV12, &kPinsGal26CV12},
    {89,  "GAL26CV12B",  28, 6432, 52, 122, 6,  0, 6368, 8, 0,  0,  &kRowsGal26CV12, &kCfgGal26CV12, &kPinsGal26CV12},
    {93,  "GAL26V12C",   28, 7912, 52, 150, 6,  0, 7848, 8, 0,  0,  &kRowsGal26CV12, &kCfgGal26V12C, &kPinsGal26V12C},
    {96,  "GAL20RA10",   24, 3274, 40, 80,  6,  0, 3210, 8, 0,  0,  &kRowsGal20RA10, &kCfgGal20RA10, &kPinsGal20RA10},
    {97,  "GAL20RA10B",  24, 3274, 40, 80,  6,  0, 3210, 8, 0,  0,  &kRowsGal20RA10, &kCfgGal20RA10, &kPinsGal20RA10},
    {101, "GAL20XV10",   24, 1671, 40, 40,  6,  0, 1631, 5, 0,  0,  &kRowsGal20XV10, &kCfgGal20XV10, &kPinsGal20XV10},
    {102, "GAL20XV10B",  24, 1671, 40, 40,  6,  0, 1631, 5, 0,  0,  &kRowsGal20XV10, &kCfgGal20XV10, &kPinsGal20XV10},
};

// The list's entries in shift order. Counts the entries it would write even past `capacity`, so a
// list whose runs do not add up to its bit count is caught at compile time below.
constexpr std::int32_t ExpandCfgList(const CfgList& list, std::int32_t* out, std::int32_t capacity) {
    std::int32_t count = 0;
    for (const Run& run : list.runs) {
        for (std::int32_t round = 0; round < run.rounds; ++round) {
            for (std::int32_t way = 0; way < run.ways; ++way) {
                if (out != nullptr && count < capacity) {
                    out[count] = run.series[way].first + round * run.series[way].step;
                }
                ++count;
            }
        }
    }
    return count;
}

constexpr bool TableIsConsistent() {
    for (const DeviceType& type : kDeviceTable) {
        if (ExpandCfgList(*type.cfg, nullptr, 0) != type.cfg->bits) return false;
        std::int32_t pin = 0;
        for (const PinRange& range : *type.pins) {
            if (range.firstPin == 0) break;
            if (range.firstPin != pin + 1 || range.lastPin < range.firstPin) return false;
            pin = range.lastPin;
        }
        if (pin != type.pinCount || pin > 28) return false;
        if (type.cfg->bits > 256) return false;
    }
    return true;
}
static_assert(TableIsConsistent(), "a configuration list or pin list does not match its type's row");

const DeviceType* FindType(DeviceCode code) {
    for (const DeviceType& type : kDeviceTable) {
        if (type.code == code) return &type;
    }
    return nullptr;
}

}  // namespace

bool SelectDevice(DeviceProfile& profile, DeviceCode code) {
    const DeviceType* type = FindType(code);
    if (type == nullptr) return false;

    profile.code = type->code;
    profile.name = type->name;
    profile.addressBits = type->addressBits;
    profile.variantFlag = type->variantFlag;
    profile.pinCount = type->pinCount;
    profile.fuseCount = type->fuseCount;
    profile.rowCount = type->rowCount;
    profile.rowBits = type->rowBits;
    profile.uesFuse = type->uesFuse;
    profile.uesBytes = type->uesBytes;
    profile.uesReadOffset = type->uesReadOffset;
    profile.pesReadOffset = type->pesReadOffset;

    const SpecialRows& rows = *type->rows;
    profile.uesRow = rows.uesRow;
    profile.uesRowSerial = rows.uesRowSerial;
    profile.pesRow = rows.pesRow;
    profile.pesRowSerial = rows.pesRowSerial;
    profile.cfgRow = rows.cfgRow;
    profile.cfgRowSerial = rows.cfgRowSerial;
    profile.securityRow = rows.securityRow;
    profile.securityRowSerial = rows.securityRowSerial;
    profile.securityBit = rows.securityBit;
    profile.eraseRow = rows.eraseRow;
    profile.eraseBit = rows.eraseBit;
    profile.eraseAllRow = rows.eraseAllRow;
    profile.eraseAllBit = rows.eraseAllBit;

    profile.cfgBits = static_cast<std::uint8_t>(type->cfg->bits);
    ExpandCfgList(*type->cfg, profile.cfgFuseIndex.data(), static_cast<std::int32_t>(profile.cfgFuseIndex.size()));

    for (const PinRange& range : *type->pins) {
        if (range.firstPin == 0) break;
        for (int pin = range.firstPin; pin <= range.lastPin; ++pin) profile.pinFunctions[pin] = range.function;
    }
    return true;
}

std::vector<DeviceCode> DeviceCodes() {
    std::vector<DeviceCode> codes;
    for (const DeviceType& type : kDeviceTable) codes.push_back(type.code);
    return codes;
}

std::string DeviceName(DeviceCode code) {
    const DeviceType* type = FindType(code);
    return type != nullptr ? type->name : "";
}

bool DeviceCodeFromName(const std::string& name, DeviceCode& code) {
    const auto sameLetter = [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
    };
    for (const DeviceType& type : kDeviceTable) {
        const std::string tableName = type.name;
        if (std::equal(tableName.begin(), tableName.end(), name.begin(), name.end(), sameLetter)) {
            code = type.code;
            return true;
        }
    }
    return false;
}

}  // namespace vostrel
