// The scan for the unit against ports that answer the discovery pulses with any bytes. The input is
// one chunk per port (a length byte, then the bytes); a port without a chunk does not exist.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/RunState.h"
#include "app/Startup.h"
#include "sim/VirtualClock.h"
#include "support/RecordingWindow.h"
#include "FuzzInput.h"

namespace {

class BannerPort : public vostrel::SerialPort {
public:
    explicit BannerPort(vostrel::fuzz::FuzzInput& input) : in_(input) {}
    bool Open(const std::string&) override {
        if (in_.Empty()) return false;
        const int length = in_.Byte();
        // Length 255 stands for a port that keeps streaming: the scan must still move on.
        streaming_ = length == 255;
        bytes_ = in_.Take(streaming_ ? 64 : static_cast<std::size_t>(length));
        sent_ = 0;
        open_ = true;
        return true;
    }
    bool IsOpen() const override { return open_; }
    void Close() override { open_ = false; }
    void SetBreak(bool) override {}
    int BytesWaiting() override {
        if (!open_ || bytes_.empty()) return 0;
        return streaming_ ? static_cast<int>(bytes_.size()) : static_cast<int>(bytes_.size() - sent_);
    }
    int Read(std::uint8_t* dst, int count) override {
        int n = 0;
        while (n < count && BytesWaiting() > 0) {
            dst[n++] = bytes_[sent_ % bytes_.size()];
            ++sent_;
        }
        return n;
    }
    int Write(const std::uint8_t*, int count) override { return count; }

private:
    vostrel::fuzz::FuzzInput& in_;
    vostrel::fuzz::Bytes bytes_;
    std::size_t sent_ = 0;
    bool streaming_ = false;
    bool open_ = false;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vostrel;
    fuzz::FuzzInput in(data, size);
    sim::VirtualClock clock;
    BannerPort port(in);
    test::RecordingWindow window;
    RunState state(window, port, clock);

    const bool found = CheckHardware(state);
    if (found != port.IsOpen()) {
        std::fprintf(stderr, "scan answered %d with the port %s\n", found, port.IsOpen() ? "open" : "closed");
        std::abort();
    }
    return 0;
}
