#include <algorithm>
#include <string>

#include "app/FuseView.h"
#include "app/Log.h"
#include "app/RunState.h"
#include "app/WindowServices.h"
#include "device/Identification.h"
#include "programmer/DeviceOperations.h"
#include "programmer/RowData.h"

namespace vostrel {

namespace {

using namespace rowdata;

// Reads every row of the chip into ReadMap. Answers false when any reply fell short of the bits
// asked for: the unit stopped answering, echoed wrongly or sent a reply of the wrong size.
bool ReadAllRows(RunState& state) {
    const DeviceProfile& p = state.profile;
    WindowServices& window = state.window;
    bool complete = true;
    auto expect = [&](int got, int bits) {
        if (got != bits) complete = false;
    };

    if (IsGal6001Layout(p.code)) {
        for (int c = 0; c < p.rowCount; ++c) {
            expect(SendReadRequest(state, FuseRow, 2 * c + 1), p.rowBits);
            for (int k = 0; k <= 10; ++k) StoreRead(state, 7296 + 78 * k + c, ReplyBit(state, 20 + k));
            for (int k = 0; k < kGal6001Lines; ++k) StoreRead(state, 114 * k + c, ReplyBit(state, 31 + k));
            window.SetProgress((c + 1) * 100 / p.rowCount);
        }
        const int shift = p.rowBits + p.addressBits;
        for (int i = 0; i < kGal6001Lines; ++i) {
            PutSelectPattern(state, i, shift);
            expect(SendReadRequest(state, PatternRow, 0), shift);
            for (int k = 0; k < 20; ++k) StoreRead(state, 114 * i + 78 + k, ReplyBit(state, k));
            for (int k = 0; k < 16; ++k) StoreRead(state, 114 * i + 98 + k, ReplyBit(state, 103 + k));
            window.SetProgress((i + 1) * 100 / kGal6001Lines);
        }
    } else {
        for (int r = 0; r < p.rowCount; ++r) {
            expect(SendReadRequest(state, FuseRow, r), p.rowBits);
            for (int k = 0; k < p.rowBits; ++k) StoreRead(state, r + k * p.rowCount, ReplyBit(state, k));
            window.SetProgress((r + 1) * 100 / p.rowCount);
        }
    }

    expect(SendReadRequest(state, ConfigRow, 0), p.cfgBits);
    for (int k = 0; k < p.cfgBits; ++k) StoreRead(state, p.cfgFuseIndex[k], ReplyBit(state, k));

    expect(SendReadRequest(state, UesRow, 0), p.rowBits);
    for (int m = 0; m < p.uesBytes * 8; ++m) StoreRead(state, p.uesFuse + m, ReplyBit(state, p.uesReadOffset + m));

    return complete && state.linkFailure == 0;
}

int FuseCount(const RunState& state) {
    const int n = state.profile.fuseCount;
    return n < 0 ? 0 : (n > kFuseMapSize - 1 ? kFuseMapSize - 1 : n);
}

}  // namespace

bool ReadOrVerifyDevice(RunState& state, bool verify, bool identifyFirst) {
    if (identifyFirst && !IdentifyAndReport(state)) return false;

    WriteLog(state, verify ? "->verify" : "->read", LogInfo);
    state.ReadMap.fill(0);
    const bool complete = ReadAllRows(state);
    SendPowerOff(state);

    const int n = FuseCount(state);
    if (!verify) {
        if (complete) {
            std::copy(state.ReadMap.begin(), state.ReadMap.begin() + n, state.FuseMap.begin());
            ShowFuses(state, n);
            state.loadedFuseCount = n;
        } else {
            // Half a chip is worse than none: the working data and its view stay as they were.
            WriteLog(state, "Read incomplete, the working data are unchanged", LogError);
        }
    } else {
        int differing = -1;
        for (int f = 0; f < n; ++f) {
            if (state.ReadMap[f] != state.FuseMap[f]) {
                differing = f;
                break;
            }
        }
        if (differing < 0 && complete) {
            WriteLog(state, "*** SUCCESS ***", LogInfo);
        } else {
            if (differing >= 0) {
                WriteLog(state, "VERIFY failed @ fuse #" + std::to_string(differing), LogError);
            } else {
                // Rows that never arrived cannot vouch for the chip, however well the rest compares.
                WriteLog(state, "VERIFY failed: incomplete replies from the programmer", LogError);
            }
            state.window.Tone(440, 300);
        }
    }
    state.window.SetProgress(0);
    return true;
}

}  // namespace vostrel
