// The chip operations against a unit whose replies are the input: any length, any content, late or
// missing. Every operation reads its replies through Transact and ReplyEntry, so this covers the
// exchange and everything that interprets a reply (identification, row reads, verify, program).

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "app/RunState.h"
#include "device/DeviceTable.h"
#include "device/Identification.h"
#include "programmer/DeviceOperations.h"
#include "sim/VirtualClock.h"
#include "support/RecordingWindow.h"
#include "FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vostrel;
    fuzz::FuzzInput in(data, size);
    const int operation = in.Byte() % 12;
    const std::vector<DeviceCode> codes = DeviceCodes();
    const DeviceCode loaded = codes[in.Byte() % codes.size()];

    sim::VirtualClock clock;
    fuzz::ReplyScriptPort port(in);
    test::RecordingWindow window;
    RunState state(window, port, clock);
    port.Open("COM0");

    // Working data of some type, as an opened file leaves it, for Program and Verify.
    DeviceProfile p;
    SelectDevice(p, loaded);
    for (int f = 0; f < p.fuseCount; ++f) state.FuseMap[static_cast<std::size_t>(f)] = static_cast<std::uint8_t>((f * 7 + 3) % 5 == 0);
    state.loadedFuseCount = p.fuseCount;
    window.inputAnswers.push_back("5, 12.5");

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

    // A reply may not make the program believe more than the profile allows.
    if (state.profile.fuseCount < 0 || state.profile.fuseCount > kFuseMapSize ||
        state.viewFuseCount < 0 || state.viewFuseCount > kFuseMapSize) {
        std::fprintf(stderr, "profile out of range: fuseCount %d, view %d\n", state.profile.fuseCount,
                     state.viewFuseCount);
        std::abort();
    }
    return 0;
}
