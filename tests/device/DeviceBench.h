#pragma once
// A RunState around a recording window, with a port and a clock that do nothing: the device model
// never touches the link.

#include <cstdint>
#include <string>

#include "app/RunState.h"
#include "platform/Clock.h"
#include "platform/SerialPort.h"
#include "support/RecordingWindow.h"

namespace vostrel::test {

struct NoPort : SerialPort {
    bool Open(const std::string&) override { return false; }
    bool IsOpen() const override { return false; }
    void Close() override {}
    void SetBreak(bool) override {}
    int BytesWaiting() override { return 0; }
    int Read(std::uint8_t*, int) override { return 0; }
    int Write(const std::uint8_t*, int) override { return 0; }
};

struct StillClock : Clock {
    void SleepMs(int) override {}
    std::int64_t NowMs() override { return 0; }
};

struct DeviceBench {
    RecordingWindow window;
    NoPort port;
    StillClock clock;
    RunState state{window, port, clock};
};

}  // namespace vostrel::test
