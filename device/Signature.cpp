#include "device/Signature.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "app/RunState.h"

namespace vostrel {
namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

// Signature bytes beyond the PES the chip gave read as 0. The coded PES asks for bytes 4 to 6, but
// a GAL20XV10's PES has bytes 0 to 4 only: its byte 5 is already the zero entry after the PES, and
// its byte 6 lies outside PesBytes altogether. Taking byte 6 as 0 as well treats both missing bytes
// alike; such a chip's coded PES then asks for the bottom of the VPP scale, which cannot overstress
// it.
std::uint8_t PesByte(const RunState& state, std::size_t index) {
    return index < state.PesBytes.size() ? state.PesBytes[index] : 0;
}

bool IsAtmel(std::int32_t code) { return code >= 128 && code <= 132; }

// Types whose parameters follow the V8 coding (GAL16V8, GAL20V8, their AZ versions, GAL6001 family).
bool UsesV8Coding(std::int32_t code) {
    switch (code) {
    case 0: case 26: case 32: case 58: case 64: case 65: case 68: return true;
    default: return false;
    }
}

std::uint8_t ProgPulseFromCode(int p) {
    if (p == 0) return 1;
    if (p == 1) return 2;
    if (p == 2) return 5;
    if (p <= 12) return static_cast<std::uint8_t>((p - 2) * 10);
    return 200;
}

}  // namespace

void DecodePes(RunState& state) {
    const DeviceProfile& profile = state.profile;
    const int n = std::max(0, (static_cast<int>(profile.rowBits) - static_cast<int>(profile.pesReadOffset)) / 8);
    state.PesBytes.assign(static_cast<std::size_t>(n) + 1, 0);
    state.pesHex.clear();
    state.pesText.clear();

    const std::vector<std::uint8_t>& reply = state.ResponseBuffer;
    for (int i = 0; i < n; ++i) {
        unsigned value = 0;
        for (int j = 0; j < 8; ++j) {
            const std::size_t bit = static_cast<std::size_t>(8 * i + profile.pesReadOffset + j);
            // A reply shorter than the row leaves its missing bits 0 rather than reading past it.
            if (bit < reply.size()) value += static_cast<unsigned>(reply[bit]) << j;
        }
        const auto byte = static_cast<std::uint8_t>(value & 0xFF);
        state.PesBytes[static_cast<std::size_t>(i)] = byte;
        state.pesHex.push_back(kHexDigits[byte >> 4]);
        state.pesHex.push_back(kHexDigits[byte & 0x0F]);
        state.pesHex.push_back(' ');
        if (byte != 0 && byte != 255) state.pesText.push_back(static_cast<char>(byte));
    }
    std::reverse(state.pesText.begin(), state.pesText.end());
}

std::string AtfNameFromPes(RunState& state) {
    static const char* const kAtmelPatterns[] = {"1F16V8B", "1F16V8C", "1F16V8Z", "1F20V8B",
                                                 "1F22V10C", "1F22V10Z", "1F22V10B"};
    if (state.pesText.empty()) return "";
    const std::string head = state.pesText.substr(0, state.pesText.size() - 1);
    for (const char* pattern : kAtmelPatterns) {
        if (head == pattern) {
            // The chip spells its name from the second character on; the character after it is not
            // part of the name.
            const std::string name = "ATF" + head.substr(2);
            state.profile.name = name;
            return name;
        }
    }
    return "";
}

void DecodeProgrammingParameters(RunState& state) {
    DeviceProfile& profile = state.profile;

    if (IsAtmel(profile.code)) {
        const bool cType = profile.code == 129 || profile.code == 132;
        profile.progPulseMs = cType ? 20 : 10;
        profile.eraseTimeMs = cType ? 200 : 100;
        profile.vppProgram = VppSettingFromVolts(12.0f);
        profile.vppRead = profile.vppProgram;
        profile.manufacturer = "ATMEL";
        return;
    }

    const std::uint8_t maker = PesByte(state, 3);
    switch (maker) {
    case 161: profile.manufacturer = "LATTICE"; break;
    case 143: profile.manufacturer = "NATIONAL"; break;
    case 32: profile.manufacturer = "ST"; break;
    default: profile.manufacturer = "???"; break;
    }

    const int coding = PesByte(state, 1) & 7;
    const std::uint8_t b4 = PesByte(state, 4);
    const std::uint8_t b5 = PesByte(state, 5);
    const std::uint8_t b6 = PesByte(state, 6);

    if (coding == 5) {
        const int e = (b4 >> 2) & 7;
        profile.eraseTimeMs = (25 << e) / 2;  // 12.5 ms x 2^e, truncated
        profile.progPulseMs = ProgPulseFromCode(((b5 & 1) << 3) | (b4 >> 5));
        const int v = (b5 >> 1) & 31;
        const int r = ((b6 << 2) | (b5 >> 6)) & 31;
        profile.vppProgram = VppSettingFromVolts(5.0f + 0.5f * static_cast<float>(v));
        profile.vppRead = VppSettingFromVolts(5.0f + 0.5f * static_cast<float>(r));
        return;
    }

    // vppRead stays at the read setting that identification used to read this PES.
    float vppVolts = 15.0f;
    if (UsesV8Coding(profile.code)) {
        profile.eraseTimeMs = (profile.code == 64 || profile.code == 65 || profile.code == 68) ? 50 : 100;
        switch (coding) {
        case 0: profile.progPulseMs = 100; vppVolts = 15.75f; break;
        case 1: profile.progPulseMs = 80; vppVolts = 15.75f; break;
        case 2: profile.progPulseMs = 10; vppVolts = 16.5f; break;
        case 3: profile.progPulseMs = 40; vppVolts = maker == 143 ? 15.0f : 14.5f; break;
        case 4: profile.progPulseMs = 100; vppVolts = 15.75f; break;
        default: profile.progPulseMs = 100; vppVolts = 15.0f; break;  // 6, 7
        }
    } else {
        profile.eraseTimeMs = maker == 143 ? 50 : 100;
        switch (coding) {
        case 0: profile.progPulseMs = 10; vppVolts = 16.5f; break;
        case 1: profile.progPulseMs = 100; vppVolts = 15.75f; break;
        case 2: profile.progPulseMs = 40; vppVolts = maker == 143 ? 15.0f : 14.5f; break;
        case 3: profile.progPulseMs = 100; vppVolts = 14.0f; break;
        default: profile.progPulseMs = 100; vppVolts = 15.0f; break;  // 4, 6, 7
        }
    }
    profile.vppProgram = VppSettingFromVolts(vppVolts);
}

std::uint8_t VppSettingFromVolts(float volts) {
    // The unit's VPP scale falls from 19.26 V at setting 0 to 10.58 V at 255. The arithmetic stays in
    // single precision on purpose: the settings the chips are programmed with were fixed that way.
    const float x = 565.7342529296875f - volts * 210.0f / 7.15f;
    // Nonsense input must not pick the top of the scale: NaN gives the lowest voltage.
    if (std::isnan(x)) return 255;
    const double rounded = x > 0.0f ? std::floor(static_cast<double>(x) + 0.5) : std::ceil(static_cast<double>(x) - 0.5);
    if (rounded < 0.0) return 0;
    if (rounded > 255.0) return 255;
    return static_cast<std::uint8_t>(rounded);
}

float VoltsFromVppSetting(std::uint8_t setting) {
    return (4045.0f - static_cast<float>(setting) * 7.15f) / 210.0f;
}

int VccSettingFromVolts(float volts) {
    const double setting = std::ceil(static_cast<double>(volts * 35.804195f));
    // Out-of-range input must not overflow the conversion; a caller checks the range it accepts.
    if (std::isnan(setting)) return 0;
    if (setting >= static_cast<double>(INT_MAX)) return INT_MAX;
    if (setting <= static_cast<double>(INT_MIN)) return INT_MIN;
    return static_cast<int>(setting);
}

float VoltsFromVccSetting(std::uint8_t setting) { return static_cast<float>(setting) * 0.027929688f; }

}  // namespace vostrel
