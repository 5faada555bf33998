#include <string>
#include <vector>

#include "app/Log.h"
#include "app/RunState.h"
#include "app/WindowServices.h"
#include "device/Identification.h"
#include "programmer/DeviceOperations.h"
#include "programmer/RowData.h"

namespace vostrel {

namespace {

using namespace rowdata;

const char* const kAtmelUnsupported = "ATMEL devices do not support this feature";

}  // namespace

bool SetDeviceFeature(RunState& state, RequestKind kind) {
    if (kind != Security && kind != PowerDownOff) return false;
    if (!IdentifyAndReport(state)) return false;
    SendPowerUp(state, PowerUpForm::Short);
    SendWriteRequest(state, kind, 0, 0);
    SendPowerOff(state);
    return true;
}

void ConditionDevice(RunState& state) {
    // A failed identification has switched the socket off already.
    if (!IdentifyAndReport(state)) return;
    DeviceProfile& p = state.profile;
    SendPowerOff(state);
    SendPowerUp(state, PowerUpForm::Program);
    // Short pulses suffice to condition; the next identification derives the chip's own width again.
    p.progPulseMs = 1;
    for (int pass = 0; pass < 2; ++pass) {
        WriteLog(state, "->erase", LogInfo);
        SendWriteRequest(state, Erase, 0, 0);
        WriteLog(state, "->conditioning", LogInfo);
        ClearData(state, p.rowBits);
        SendWriteRequest(state, FuseRow, 0, p.rowCount);  // one request spans every fuse row
        ClearData(state, p.cfgBits);
        SendWriteRequest(state, ConfigRow, 0, 0);
        ClearData(state, p.rowBits);
        SendWriteRequest(state, UesRow, 0, 0);
    }
    SendPowerOff(state);
}

void CopyPes(RunState& state) {
    state.window.MessageBox("Copy PES", "Insert source GAL");
    if (!IdentifyAndReport(state)) return;  // the socket is off already
    if (IsAtmel(state.profile.code)) {
        WriteLog(state, kAtmelUnsupported, LogInfo);
        SendPowerOff(state);
        return;
    }

    // The PES-row read that ended the identification left the source's signature bits here.
    std::vector<std::uint8_t> pesRow(state.profile.rowBits);
    for (std::size_t k = 0; k < pesRow.size(); ++k) pesRow[k] = ReplyEntry(state, static_cast<int>(k));
    SendPowerOff(state);

    state.window.MessageBox("Copy PES", "Insert destination GAL" + state.profile.name);

    // No signature goes into a chip that was not identified, nor into one that was not erased with
    // its signature: programming over the old PES would leave neither the old nor the new one.
    if (!EraseDevice(state, true)) return;
    if (IsAtmel(state.profile.code)) return;

    SendPowerUp(state, PowerUpForm::Program);
    const int bits = state.profile.rowBits;
    for (int k = 0; k < bits; ++k) PutData(state, k, k < static_cast<int>(pesRow.size()) ? pesRow[k] : 0);
    SendWriteRequest(state, PesRow, 0, 0);
    SendPowerOff(state);
}

}  // namespace vostrel
