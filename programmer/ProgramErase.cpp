#include <string>

#include "app/Log.h"
#include "app/RunState.h"
#include "app/WindowServices.h"
#include "device/Identification.h"
#include "programmer/DeviceOperations.h"
#include "programmer/RowData.h"

namespace vostrel {

namespace {

using namespace rowdata;

// Data meant for another geometry would be written row by row into the wrong places, and the
// verify afterwards would compare the chip with the same wrong data and call it a success.
bool DataFitChip(RunState& state) {
    const DeviceProfile& p = state.profile;
    if (state.loadedFuseCount == p.fuseCount) return true;
    if (state.loadedFuseCount == 0) {
        WriteLog(state, "No fuse data loaded, the chip was not programmed", LogError);
    } else {
        WriteLog(state,
                 std::to_string(state.loadedFuseCount) + " fuses don't match " + p.name + " (" +
                     std::to_string(p.fuseCount) + " fuses), the chip was not programmed",
                 LogError);
    }
    return false;
}

void WriteArrayRows(RunState& state) {
    const DeviceProfile& p = state.profile;
    WindowServices& window = state.window;
    if (IsGal6001Layout(p.code)) {
        for (int c = 0; c < p.rowCount; ++c) {
            ClearData(state, p.rowBits);
            for (int k = 0; k <= 10; ++k) PutData(state, 20 + k, Fuse(state, 7296 + 78 * k + c));
            for (int k = 0; k < kGal6001Lines; ++k) PutData(state, 31 + k, Fuse(state, 114 * k + c));
            SendWriteRequest(state, FuseRow, 2 * c + 1, 0);
            window.SetProgress((c + 1) * 100 / p.rowCount);
        }
        const int shift = p.rowBits + p.addressBits;
        for (int i = 0; i < kGal6001Lines; ++i) {
            PutSelectPattern(state, i, shift);
            for (int k = 0; k < 20; ++k) PutData(state, k, Fuse(state, 114 * i + 78 + k));
            for (int k = 0; k < 16; ++k) PutData(state, 103 + k, Fuse(state, 114 * i + 98 + k));
            SendWriteRequest(state, PatternRow, 0, 0);
            window.SetProgress((i + 1) * 100 / kGal6001Lines);
        }
    } else {
        for (int r = 0; r < p.rowCount; ++r) {
            for (int k = 0; k < p.rowBits; ++k) PutData(state, k, Fuse(state, r + k * p.rowCount));
            SendWriteRequest(state, FuseRow, r, 0);
            window.SetProgress((r + 1) * 100 / p.rowCount);
        }
    }
}

void WriteConfigAndUes(RunState& state) {
    const DeviceProfile& p = state.profile;
    for (int k = 0; k < p.cfgBits; ++k) PutData(state, k, Fuse(state, p.cfgFuseIndex[k]));
    SendWriteRequest(state, ConfigRow, 0, 0);

    ClearData(state, p.rowBits);
    for (int m = 0; m < p.uesBytes * 8; ++m) PutData(state, p.uesReadOffset + m, Fuse(state, p.uesFuse + m));
    SendWriteRequest(state, UesRow, 0, 0);
}

}  // namespace

bool ProgramDevice(RunState& state) {
    if (!IdentifyAndReport(state)) return false;
    if (!DataFitChip(state)) {
        SendPowerOff(state);
        return false;
    }
    const DeviceProfile& p = state.profile;

    SendPowerOff(state);
    SendPowerUp(state, PowerUpForm::Program);
    WriteLog(state, "->erase", LogInfo);
    SendWriteRequest(state, Erase, 0, 0);
    WriteLog(state, "->programm", LogInfo);
    WriteArrayRows(state);
    WriteConfigAndUes(state);

    // The fuse one past the last is the ATMEL power-down bit of the loaded file; clear means the
    // design wants the power-down feature off.
    if ((p.code == 129 || p.code == 132) && Fuse(state, p.fuseCount) == 0) {
        SendWriteRequest(state, PowerDownOff, 0, 0);
        WriteLog(state, "->disable ATMEL power-down", LogInfo);
    }

    // The chip is still powered: the verify reads it back and switches it off.
    return ReadOrVerifyDevice(state, true, false);
}

bool EraseDevice(RunState& state, bool eraseAll) {
    if (!IdentifyAndReport(state)) return false;
    SendPowerUp(state, PowerUpForm::Program);
    if (!eraseAll) {
        SendWriteRequest(state, Erase, 0, 0);
    } else if (IsAtmel(state.profile.code)) {
        WriteLog(state, "ATMEL devices do not support this feature", LogInfo);
    } else {
        SendWriteRequest(state, EraseAll, 0, 0);
    }
    SendPowerOff(state);
    return true;
}

}  // namespace vostrel
