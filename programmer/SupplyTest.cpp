#include <cctype>
#include <cstdio>
#include <string>

#include "app/Log.h"
#include "app/RunState.h"
#include "app/WindowServices.h"
#include "device/Signature.h"
#include "programmer/DeviceOperations.h"
#include "programmer/Transact.h"

namespace vostrel {

namespace {

const char* const kTitle = "Supply test";

// Typed numbers far outside any supply are held here, so that the conversions never see a value
// whose setting would not fit an int.
constexpr double kVoltsLimit = 1.0e6;

// The decimal number at the start of a field, after leading blanks; "." is the decimal point and a
// field without a number counts as 0.
float LeadingNumber(const std::string& field) {
    std::size_t i = 0;
    while (i < field.size() && (field[i] == ' ' || field[i] == '\t')) ++i;
    double sign = 1.0;
    if (i < field.size() && (field[i] == '+' || field[i] == '-')) {
        if (field[i] == '-') sign = -1.0;
        ++i;
    }
    double value = 0.0;
    while (i < field.size() && std::isdigit(static_cast<unsigned char>(field[i]))) {
        if (value < kVoltsLimit) value = value * 10.0 + (field[i] - '0');
        ++i;
    }
    if (i < field.size() && field[i] == '.') {
        ++i;
        double scale = 0.1;
        while (i < field.size() && std::isdigit(static_cast<unsigned char>(field[i]))) {
            value += (field[i] - '0') * scale;
            scale /= 10.0;
            ++i;
        }
    }
    if (value > kVoltsLimit) value = kVoltsLimit;
    return static_cast<float>(sign * value);
}

std::string TwoDecimals(float volts) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", static_cast<double>(volts));
    return text;
}

}  // namespace

void RunSupplyTest(RunState& state) {
    const std::string typed =
        state.window.InputBox(kTitle, "Input [VCC>3.3V],[VPP>11V]; e.g. '5, 12.5'", "");
    if (typed.empty()) return;

    const std::size_t comma = typed.find(',');
    const std::string vccField = typed.substr(0, comma);
    std::string vppField;
    if (comma != std::string::npos) {
        const std::size_t second = typed.find(',', comma + 1);
        vppField = typed.substr(comma + 1, second == std::string::npos ? std::string::npos : second - comma - 1);
    }

    WriteLog(state, std::string("\r") + kTitle, LogInfo);
    WriteLog(state, "Given values:", LogInfo);
    WriteLog(state, "Vcc: " + vccField + "V", LogInfo);
    WriteLog(state, "Vpp: " + vppField + "V", LogInfo);

    const std::uint8_t vpp = VppSettingFromVolts(LeadingNumber(vppField));
    // The unit takes eight bits; a VCC above its scale wraps, and the log shows what is really set.
    const std::uint8_t vcc = static_cast<std::uint8_t>(VccSettingFromVolts(LeadingNumber(vccField)) & 0xFF);

    WriteLog(state, "Calculated set values:", LogInfo);
    WriteLog(state, "Vcc @ pin24  = " + TwoDecimals(VoltsFromVccSetting(vcc)), LogInfo);
    WriteLog(state, "Vpp @ pin2   = " + TwoDecimals(VoltsFromVppSetting(vpp)), LogInfo);
    WriteLog(state, "GND @ pin12", LogInfo);

    auto& packet = state.CommandPacket;
    packet[0] = PowerUp;
    packet[1] = 7;
    packet[2] = vcc;
    packet[3] = vpp;
    packet[4] = 0;
    packet[5] = 24;
    packet[6] = 0;
    Transact(state, 7, 16, 4);

    state.window.MessageBox(kTitle, "Click OK to end the test");
    SendPowerOff(state);
}

}  // namespace vostrel
