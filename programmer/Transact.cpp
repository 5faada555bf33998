#include "programmer/Transact.h"

#include <algorithm>
#include <vector>

#include "app/Log.h"
#include "app/RunState.h"
#include "app/WindowServices.h"
#include "platform/Clock.h"
#include "platform/SerialPort.h"

namespace vostrel {

namespace {

constexpr int kMinReply = 4;    // the trailer alone
constexpr int kMaxReply = 999;  // anything longer is noise, not a reply
// A line that keeps babbling must not hold the drain forever; after this many bytes the packet goes
// out anyway and the reply check sorts out the rest.
constexpr int kDrainLimit = 1 << 20;

void DrainStaleBytes(SerialPort& port) {
    std::uint8_t scratch[1024];
    int drained = 0;
    while (drained < kDrainLimit && port.BytesWaiting() > 0) {
        const int got = port.Read(scratch, static_cast<int>(sizeof scratch));
        if (got <= 0) break;  // a port that claims bytes but yields none would spin us otherwise
        drained += got;
    }
}

}  // namespace

int Transact(RunState& state, int length, int expectedDataBytes, std::uint8_t timeoutSeconds) {
    SerialPort& port = state.port;
    Clock& clock = state.clock;
    int budget = timeoutSeconds * 1000;

    // The unit takes a BREAK as "a packet follows".
    port.SetBreak(true);
    clock.SleepMs(1);
    port.SetBreak(false);
    clock.SleepMs(1);

    DrainStaleBytes(port);

    if (length < 0) length = 0;
    if (length > kCommandPacketSize) length = kCommandPacketSize;
    port.Write(state.CommandPacket.data(), length);

    const int awaited = expectedDataBytes + 4;
    while (port.BytesWaiting() < awaited && state.linkFailure < 2) {
        state.window.ServiceEvents();
        clock.SleepMs(1);
        if (--budget <= 0) {
            WriteLog(state, "Connection Timeout", LogInfo);
            state.linkFailure = 2;
        }
    }

    int n = port.BytesWaiting();
    if (n < kMinReply || n > kMaxReply) return 0;  // left waiting; the next exchange drains it

    std::vector<std::uint8_t> raw(static_cast<std::size_t>(n));
    const int got = port.Read(raw.data(), n);
    if (got < kMinReply) return 0;
    n = got;

    std::vector<std::uint8_t>& reply = state.ResponseBuffer;
    reply.assign(raw.begin(), raw.begin() + n);
    reply.push_back(0);

    if (reply[n - 1] != state.CommandPacket[0]) {
        WriteLog(state, "Response Error", LogInfo);
        return 0;
    }

    const int count = reply[n - 4] + 256 * reply[n - 3];
    if (count <= 0) return 0;
    // A reply may claim more data than it carried. The positions it did not fill read as 0, not as
    // its trailer, and the answer is the data that came, so that a caller comparing it with what it
    // asked for sees the shortfall.
    const int carried = n - 4;
    reply.resize(static_cast<std::size_t>(count), 0);
    if (count > carried) {
        std::fill(reply.begin() + carried, reply.end(), 0);
        return carried;
    }
    return count;
}

std::uint8_t ReplyEntry(const RunState& state, int k) {
    if (k < 0 || static_cast<std::size_t>(k) >= state.ResponseBuffer.size()) return 0;
    return state.ResponseBuffer[static_cast<std::size_t>(k)];
}

}  // namespace vostrel
