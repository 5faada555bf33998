// Typed answers of any bytes: the UES editor's input box and the supply test's. The UES answer may
// change the user signature's fuses and nothing else.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/FuseView.h"
#include "app/RunState.h"
#include "device/DeviceTable.h"
#include "fuses/FileSelection.h"
#include "programmer/DeviceOperations.h"
#include "sim/VirtualClock.h"
#include "support/RecordingWindow.h"
#include "FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vostrel;
    fuzz::FuzzInput in(data, size);
    const std::vector<DeviceCode> codes = DeviceCodes();
    const DeviceCode code = codes[in.Byte() % codes.size()];
    const std::string answer = in.RestText();

    {
        sim::VirtualClock clock;
        fuzz::FuzzInput none(nullptr, 0);
        fuzz::ReplyScriptPort port(none);
        test::RecordingWindow window;
        RunState state(window, port, clock);
        SelectDevice(state.profile, code);
        const DeviceProfile& p = state.profile;
        for (int f = 0; f < kFuseMapSize; ++f) state.FuseMap[static_cast<std::size_t>(f)] = static_cast<std::uint8_t>(f % 3 == 0);
        const auto before = state.FuseMap;
        ShowFuses(state, p.fuseCount);
        window.inputAnswers.push_back(answer);
        EditUes(state);
        const int uesEnd = p.uesFuse + 8 * p.uesBytes;
        for (int f = 0; f < kFuseMapSize; ++f) {
            if (f >= p.uesFuse && f < uesEnd) continue;
            if (state.FuseMap[static_cast<std::size_t>(f)] != before[static_cast<std::size_t>(f)]) {
                std::fprintf(stderr, "UES answer changed fuse %d outside the signature\n", f);
                std::abort();
            }
        }
        if (UesText(state).size() < static_cast<std::size_t>(p.uesBytes)) {
            std::fprintf(stderr, "UES text shorter than the signature\n");
            std::abort();
        }
    }
    {
        // A unit that answers every packet well, so the test runs to its end.
        std::vector<std::uint8_t> script;
        for (int packet = 0; packet < 4; ++packet) {
            script.push_back(16);
            script.push_back(0x80);
            script.insert(script.end(), 16, 0x55);
        }
        fuzz::FuzzInput replies(script.data(), script.size());
        sim::VirtualClock clock;
        fuzz::ReplyScriptPort port(replies);
        test::RecordingWindow window;
        RunState state(window, port, clock);
        window.inputAnswers.push_back(answer);
        RunSupplyTest(state);
    }
    return 0;
}
