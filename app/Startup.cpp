#include "app/Startup.h"

#include <cstdint>
#include <string>

#include "app/Log.h"
#include "app/RunState.h"
#include "app/Text.h"
#include "app/WindowServices.h"
#include "platform/Clock.h"
#include "platform/SerialPort.h"

namespace vostrel {

namespace {

constexpr int kLastPort = 32;
constexpr const char* kBannerMark = "Vostrel_V1.0";

// The unit answers two BREAK pulses with its banner; 40 ms after the second one it has had time to
// send all of it.
void PulseForBanner(RunState& state) {
    state.port.SetBreak(true);
    state.clock.SleepMs(1);
    state.port.SetBreak(false);
    state.clock.SleepMs(1);
    state.port.SetBreak(true);
    state.clock.SleepMs(1);
    state.port.SetBreak(false);
    state.clock.SleepMs(40);
}

// Empties the receive queue into a text, dropping zero bytes (the unit may send them anywhere).
// Bounded, so a port that keeps streaming cannot hold the scan forever.
std::string DrainBanner(RunState& state) {
    std::string banner;
    std::uint8_t chunk[256];
    for (int total = 0; total < 64 * 1024 && state.port.BytesWaiting() > 0;) {
        const int got = state.port.Read(chunk, static_cast<int>(sizeof chunk));
        if (got <= 0) break;
        total += got;
        for (int i = 0; i < got && i < static_cast<int>(sizeof chunk); ++i) {
            if (chunk[i] != 0) AppendLatin1(banner, chunk[i]);
        }
    }
    return banner;
}

}  // namespace

bool FindProgrammer(RunState& state) {
    if (state.port.IsOpen()) state.port.Close();
    for (int n = 0; n <= kLastPort; ++n) {
        const std::string name = "COM" + std::to_string(n);
        if (!state.port.Open(name)) continue;
        PulseForBanner(state);
        // A single byte is line noise from the pulses, not a unit.
        if (state.port.BytesWaiting() > 1) {
            if (DrainBanner(state).find(kBannerMark) != std::string::npos) {
                WriteLog(state, std::string(kBannerMark) + " found @ " + name, LogInfo);
                return true;
            }
        }
        state.port.Close();
    }
    return false;
}

bool CheckHardware(RunState& state) {
    state.window.ClearPane(Pane::Fuse);
    state.window.ClearPane(Pane::Log);
    state.window.ServiceEventsBriefly(10);
    if (FindProgrammer(state)) return true;
    state.window.MessageBox("Vostrel", "Hardware not present!");
    return false;
}

bool ResetAfterLinkFailure(RunState& state) {
    if (state.linkFailure < 2) return true;
    WriteLog(state, "Resetting...", LogInfo);
    // The unit needs a moment after a failed exchange before it listens for the banner pulses again.
    state.clock.SleepMs(600);
    return CheckHardware(state);
}

}  // namespace vostrel
