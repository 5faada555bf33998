#include "device/Identification.h"

#include <cstdio>
#include <string>

#include "app/Log.h"
#include "app/RunState.h"
#include "app/WindowServices.h"
#include "device/DeviceTable.h"
#include "device/Signature.h"
#include "programmer/Packets.h"
#include "programmer/Transact.h"

namespace vostrel {

namespace {

// After the GAL16V8 probe, in this order; each only while the unit still reports no chip.
constexpr DeviceCode kFurtherProbes[] = {80, 32, 72, 64, 129};

constexpr int kNoType = -1;

bool LinkFailed(const RunState& state) { return state.linkFailure > 0; }

// The decision table: the detection code (and, for code 1, the sub-code) of the latest probe reply
// against the type probed last. Answers the code to select, or kNoType when no GAL answered.
int TypeFromDetection(std::uint8_t detection, std::uint8_t subCode, int probed) {
    switch (detection) {
    case 1:
        switch (subCode) {
        case 64: return 128;   // ATF16V8B
        case 63: return 130;   // ATF20V8
        case 137: return 131;  // ATF22V10B
        default: return kNoType;
        }
    case 64:
    case 102:
    case 138: return probed;
    case 86: return 96;    // GAL20RA10
    case 46: return 101;   // GAL20XV10
    case 128: return 88;   // GAL26CV12
    case 156: return 93;   // GAL26V12C
    case 119: return 64;   // GAL6001
    default: return kNoType;
    }
}

bool IsAtmel(std::int32_t code) { return code >= 128 && code <= 132; }

int ShiftLength(const DeviceProfile& p) { return p.rowBits + p.addressBits; }

std::string OneDecimal(float volts) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", static_cast<double>(volts));
    return text;
}

void ReportPesNotValid(RunState& state) { WriteLog(state, "PES not valid", LogError); }

// The PES names the type for every maker but ATMEL. A PES that contradicts what the probe found is
// reported, and the type falls back to one whose shift length the unit has shown to work.
void CheckPesAgainstProbe(RunState& state, DeviceCode probedCode, int probedShift) {
    DeviceProfile& profile = state.profile;
    const bool havePesByte = state.PesBytes.size() > 2;
    if (!havePesByte || !SelectDevice(profile, state.PesBytes[2])) {
        SelectDevice(profile, probedCode);
        ReportPesNotValid(state);
        return;
    }
    const std::int32_t fromPes = profile.code;
    if (probedCode == 32 && fromPes != 32 && fromPes != 58) {
        SelectDevice(profile, 58);
        ReportPesNotValid(state);
    } else if (probedCode == 0 && fromPes != 0 && fromPes != 26) {
        SelectDevice(profile, 26);
        ReportPesNotValid(state);
    } else if (ShiftLength(profile) != probedShift) {
        SelectDevice(profile, probedCode);
        ReportPesNotValid(state);
    }
}

void WriteReport(RunState& state) {
    const DeviceProfile& p = state.profile;
    WriteLog(state, "Device: " + p.name + " [" + p.manufacturer + "]", LogInfo);
    ReportPullUps(state);
    WriteLog(state,
             "Vpp Supply: \t" + OneDecimal(VoltsFromVppSetting(p.vppProgram)) + "V (prog.)\t\t" +
                 OneDecimal(VoltsFromVppSetting(p.vppRead)) + "V (read)",
             LogInfo);
    WriteLog(state,
             "Pulse Timing: \t" + std::to_string(p.progPulseMs) + "ms (prog.)\t\t" +
                 std::to_string(p.eraseTimeMs) + "ms (erase)",
             LogInfo);
    WriteLog(state, "PES: " + state.pesHex, LogInfo);
}

// Identification leaves the socket powered; when it gives up, nothing else will switch it off.
bool GiveUp(RunState& state) {
    SendPowerOff(state);
    return false;
}

}  // namespace

void ProbeDevice(RunState& state, std::uint8_t code) {
    SelectDevice(state.profile, code);
    state.profile.vppRead = VppSettingFromVolts(12.0f);
    SendPowerUp(state, PowerUpForm::Read);
    if (LinkFailed(state)) return;
    state.pullUps = ReplyEntry(state, 0);
    SendIdentify(state);
}

bool IdentifyDevice(RunState& state) {
    ProbeDevice(state, 0);
    if (LinkFailed(state)) return false;
    for (DeviceCode code : kFurtherProbes) {
        if (ReplyEntry(state, 0) != 0) break;
        ProbeDevice(state, code);
        // A unit that stopped answering mid-way leaves a stale reply behind: nothing to decide on.
        if (LinkFailed(state)) return false;
    }
    const int type = TypeFromDetection(ReplyEntry(state, 0), ReplyEntry(state, 1), state.profile.code);
    if (type == kNoType) {
        WriteLog(state, "No GAL found!", LogError);
        return false;
    }
    if (type != state.profile.code) SelectDevice(state.profile, static_cast<DeviceCode>(type));
    return true;
}

bool IdentifyAndReport(RunState& state) {
    state.window.ClearPane(Pane::Log);
    if (!IdentifyDevice(state)) return GiveUp(state);

    SendPowerUp(state, PowerUpForm::Read);
    SendReadRequest(state, PesRow, 0);
    DecodePes(state);

    const DeviceCode probedCode = static_cast<DeviceCode>(state.profile.code);
    const int probedShift = ShiftLength(state.profile);

    if (IsAtmel(probedCode)) {
        // An ATF22V10C answers the probe like a B; only its signature tells them apart, and the C's
        // signature sits where the C profile reads it.
        if (AtfNameFromPes(state).empty() && probedCode == 131) {
            SelectDevice(state.profile, 132);
            SendReadRequest(state, PesRow, 0);
            DecodePes(state);
            AtfNameFromPes(state);
        }
    } else {
        CheckPesAgainstProbe(state, probedCode, probedShift);
    }

    // A signature read that timed out decoded a stale reply: no parameters can be trusted.
    if (LinkFailed(state)) return GiveUp(state);

    DecodeProgrammingParameters(state);
    WriteReport(state);
    return true;
}

void ReportPullUps(RunState& state) {
    switch (state.pullUps) {
    case 0: WriteLog(state, "Device Input & I/O Pull-ups: NO", LogInfo); break;
    case 1: WriteLog(state, "Device Input & I/O Pull-ups: YES", LogInfo); break;
    case 2: WriteLog(state, "Device Input & I/O Pull-ups: PIN KEEPER", LogInfo); break;
    default: break;
    }
}

}  // namespace vostrel
