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
#include "FuzzOperations.h"
#include "FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vostrel;
    fuzz::FuzzInput in(data, size);
    const int operation = in.Byte() % fuzz::kOperationCount;
    const std::vector<DeviceCode> codes = DeviceCodes();
    const DeviceCode loaded = codes[in.Byte() % codes.size()];

    sim::VirtualClock clock;
    fuzz::ReplyScriptPort port(in);
    test::RecordingWindow window;
    RunState state(window, port, clock);
    port.Open("COM0");

    fuzz::LoadWorkingData(state, window, loaded);

    fuzz::RunOperation(state, operation);

    // A reply may not make the program believe more than the profile allows.
    if (state.profile.fuseCount < 0 || state.profile.fuseCount > kFuseMapSize ||
        state.viewFuseCount < 0 || state.viewFuseCount > kFuseMapSize) {
        std::fprintf(stderr, "profile out of range: fuseCount %d, view %d\n", state.profile.fuseCount,
                     state.viewFuseCount);
        std::abort();
    }
    return 0;
}
