#pragma once
// The chip operations the reply fuzzer drives, and the working data they start from. The seed maker
// records its conversations through the same two functions, so a seed for operation N is a healthy
// conversation of exactly the path the fuzzer takes for N.

#include <cstddef>
#include <cstdint>
#include <string>

#include "app/RunState.h"
#include "device/DeviceTable.h"
#include "device/Identification.h"
#include "programmer/DeviceOperations.h"
#include "support/RecordingWindow.h"

namespace vostrel::fuzz {

inline constexpr int kOperationCount = 12;

// Working data of the type `loaded`, as an opened file leaves it, for Program and Verify; and the
// answer the supply test's input box will get.
inline void LoadWorkingData(RunState& state, test::RecordingWindow& window, DeviceCode loaded) {
    DeviceProfile p;
    SelectDevice(p, loaded);
    for (int f = 0; f < p.fuseCount; ++f)
        state.FuseMap[static_cast<std::size_t>(f)] = static_cast<std::uint8_t>((f * 7 + 3) % 5 == 0);
    state.loadedFuseCount = p.fuseCount;
    window.inputAnswers.push_back("5, 12.5");
}

inline void RunOperation(RunState& state, int operation) {
    switch (operation) {
        case 0: IdentifyAndReport(state); break;
        case 1: ReadOrVerifyDevice(state, false, true); break;
        case 2: ReadOrVerifyDevice(state, true, true); break;
        case 3: ProgramDevice(state); break;
        case 4: EraseDevice(state, false); break;
        case 5: EraseDevice(state, true); break;
        case 6: SetDeviceFeature(state, Security); break;
        case 7: SetDeviceFeature(state, PowerDownOff); break;
        case 8: ConditionDevice(state); break;
        case 9: CopyPes(state); break;
        case 10: RunSupplyTest(state); break;
        default: ReportPullUps(state); break;
    }
}

}  // namespace vostrel::fuzz
