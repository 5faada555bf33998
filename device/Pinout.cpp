#include "device/Pinout.h"

#include <string>
#include <vector>

#include "app/Log.h"
#include "app/RunState.h"
#include "device/DeviceTable.h"

namespace vostrel {
namespace {

// The families whose output cells are decoded, and where their architecture fuses sit. For the V8
// families the AC1 fuse of the cell at pin p is ac1Base - p; for the V10 family it is ac1Base - 2p,
// the odd fuse of the cell's pair, which selects registered or combinatorial.
struct OlmcFamily {
    std::int32_t codes[4];
    bool v8;
    std::int32_t synFuse;
    std::int32_t ac0Fuse;
    std::int32_t ac1Base;
    int firstPin;
    int lastPin;
    int enablePin;  // shown as /OE in registered mode
};

constexpr OlmcFamily kFamilies[] = {
    // codes                v8     SYN   AC0   AC1   pins    /OE
    {{0, 26, 128, 129},     true,  2192, 2193, 2139, 12, 19, 11},
    {{32, 58, 130, -1},     true,  2704, 2705, 2654, 15, 22, 13},
    {{72, 73, 131, 132},    false, -1,   -1,   5855, 14, 23, 0},
};

const OlmcFamily* FamilyOf(std::int32_t code) {
    for (const OlmcFamily& family : kFamilies) {
        for (std::int32_t member : family.codes) {
            if (member == code) return &family;
        }
    }
    return nullptr;
}

int Fuse(const RunState& state, std::int32_t index) {
    return index >= 0 && index < kFuseMapSize ? state.FuseMap[static_cast<std::size_t>(index)] : 0;
}

int DeviceMode(const RunState& state, const OlmcFamily& family) {
    return 2 * Fuse(state, family.synFuse) + Fuse(state, family.ac0Fuse);
}

const char* PinFunctionText(std::int32_t function) {
    switch (function) {
    case PinInput: return "I";
    case PinGround: return "GND";
    case PinSupply: return "VCC";
    case PinClockInput: return "I_CLK";
    case PinClock2Input: return "I_CLK2";
    case PinInOut: return "I/O";
    case PinEnableInput: return "I_/OE";
    case PinEnable: return "/OE";
    case PinPreload: return "/PL";
    case PinOutputClock: return "OCLK";
    default: return "";
    }
}

std::string RightAligned(const std::string& text, std::size_t width) {
    if (text.size() >= width) return text.substr(0, width);
    return std::string(width - text.size(), ' ') + text;
}

void WriteModeLine(RunState& state, int mode) {
    static const char* const kModeLines[] = {
        "Mode not defined!; SYN=0, AC0=0",
        "Registered Mode; SYN=0, AC0=1; /OE & CLK are dedicated inputs",
        "Simple Mode; SYN=1, AC0=0",
        "Complex Mode; SYN=1, AC0=1",
    };
    WriteLog(state, kModeLines[mode], LogInfo);
    // The first GAL16V8 and GAL20V8 silicon lacks the feedback path in simple mode; the AZ and ATMEL
    // parts have it.
    if (mode == 2 && (state.profile.code == 0 || state.profile.code == 32)) {
        WriteLog(state, "CAUTION! Early GAL revision. All outputs without feedback!", LogInfo);
    }
}

std::string V8CellText(const RunState& state, const OlmcFamily& family, int mode, int pin) {
    const int i = pin - family.firstPin;
    const int ac1 = Fuse(state, family.ac1Base - pin);
    const bool earlyRevision = state.profile.code == 0 || state.profile.code == 32;
    switch (2 * mode + ac1) {
    case 2: return "REGISTER; TRI-STATE by /OE";
    case 3: return "TRI-STATE by Product Term";
    // In simple mode the two middle cells never feed back.
    case 4: return (i == 3 || i == 4 || earlyRevision) ? "OUTPUT (NO feedback!)" : "OUTPUT";
    case 5: return (i == 3 || i == 4) ? "not defined!" : "INPUT";
    // In complex mode the two outer cells never feed back.
    case 7: return (i == 0 || i == 7) ? "TRI-STATE (NO feedback!) by Product Term" : "TRI-STATE by Product Term";
    default: return "not defined!";
    }
}

}  // namespace

std::string OlmcModeText(RunState& state, int pin) {
    const OlmcFamily* family = FamilyOf(state.profile.code);
    if (family == nullptr || pin < family->firstPin || pin > family->lastPin) return "";
    if (!family->v8) return Fuse(state, family->ac1Base - 2 * pin) == 0 ? "REGISTERED" : "COMBINATORIAL";

    const int mode = DeviceMode(state, *family);
    if (pin == family->firstPin) WriteModeLine(state, mode);
    return V8CellText(state, *family, mode, pin);
}

void DrawPinout(RunState& state) {
    const DeviceProfile& profile = state.profile;
    // pinFunctions holds 28 pins; a profile that claims more was never filled by the table.
    const int pinCount = profile.pinCount;
    if (pinCount == 0 || pinCount >= static_cast<int>(profile.pinFunctions.size())) return;

    std::vector<std::string> names(static_cast<std::size_t>(pinCount) + 1);
    for (int pin = 1; pin <= pinCount; ++pin) names[pin] = PinFunctionText(profile.pinFunctions[pin]);

    if (const OlmcFamily* family = FamilyOf(profile.code)) {
        for (int pin = family->firstPin; pin <= family->lastPin; ++pin) names[pin] = OlmcModeText(state, pin);
        if (family->v8 && DeviceMode(state, *family) == 1) {
            names[1] = "CLK";
            names[family->enablePin] = "/OE";
        }
    }

    const std::string margin(6, ' ');
    WriteLog(state, margin + "  _____     _____", LogInfo);
    WriteLog(state, margin + " |     \\___/     |", LogInfo);
    for (int left = 1; left <= pinCount / 2; ++left) {
        const int right = pinCount - left + 1;
        WriteLog(state,
                 RightAligned(names[left], 6) + " | " + RightAligned(std::to_string(left), 2) + std::string(9, ' ') +
                     RightAligned(std::to_string(right), 2) + " | " + names[right],
                 LogInfo);
    }
    WriteLog(state, margin + " |_______________|", LogInfo);
}

}  // namespace vostrel
