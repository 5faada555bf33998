// The exchange itself, against a port that answers each packet with bytes the test scripts: the
// wait, the time-out, the accepted lengths, the echo check and what ResponseBuffer holds afterwards.

#include <gtest/gtest.h>

#include <deque>
#include <optional>

#include "app/RunState.h"
#include "platform/SerialPort.h"
#include "programmer/Transact.h"
#include "sim/VirtualClock.h"
#include "support/RecordingWindow.h"

namespace vostrel::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

class ScriptedPort : public SerialPort {
public:
    std::deque<std::optional<Bytes>> replies;  // one per packet; nullopt: the unit stays silent
    std::vector<Bytes> written;
    Bytes pending;
    int breaks = 0;

    bool Open(const std::string&) override { return true; }
    bool IsOpen() const override { return true; }
    void Close() override {}
    void SetBreak(bool on) override { breaks += on ? 1 : 0; }
    int BytesWaiting() override { return static_cast<int>(pending.size()); }
    int Read(std::uint8_t* dst, int count) override {
        const int n = std::min(count, static_cast<int>(pending.size()));
        std::copy(pending.begin(), pending.begin() + n, dst);
        pending.erase(pending.begin(), pending.begin() + n);
        return n;
    }
    int Write(const std::uint8_t* src, int count) override {
        written.emplace_back(src, src + count);
        if (!replies.empty()) {
            if (replies.front()) pending.insert(pending.end(), replies.front()->begin(), replies.front()->end());
            replies.pop_front();
        }
        return count;
    }
};

// data, then the trailer: count low, count high, a status byte, the echoed command.
Bytes Reply(const Bytes& data, std::uint8_t echo, int count = -1) {
    if (count < 0) count = static_cast<int>(data.size());
    Bytes r = data;
    r.push_back(static_cast<std::uint8_t>(count & 0xFF));
    r.push_back(static_cast<std::uint8_t>(count >> 8));
    r.push_back(0);
    r.push_back(echo);
    return r;
}

struct TransactBench {
    sim::VirtualClock clock;
    ScriptedPort port;
    RecordingWindow window;
    RunState state{window, port, clock};
    TransactBench() {
        state.CommandPacket[0] = 5;
        state.CommandPacket[1] = 8;
    }
    int Run(int expected = 4) { return Transact(state, 8, expected, 4); }
};

TEST(Transact, FullReplyEndsTheWaitAndLeavesExactlyTheData) {
    TransactBench b;
    b.port.replies.push_back(Reply({1, 0, 1, 1}, 5));
    EXPECT_EQ(b.Run(), 4);
    EXPECT_EQ(b.state.ResponseBuffer, (Bytes{1, 0, 1, 1}));
    EXPECT_EQ(b.port.written, (std::vector<Bytes>{Bytes{5, 8, 0, 0, 0, 0, 0, 0}}));
    EXPECT_EQ(b.port.breaks, 1);
    EXPECT_EQ(b.clock.NowMs(), 2);  // the attention pulse and its pause; no poll step was needed
    EXPECT_TRUE(b.window.logLines.empty());
}

TEST(Transact, RepliesThatAreNotData) {
    struct Case {
        const char* what;
        Bytes reply;
        int expected;
        int result;
        Bytes buffer;  // empty: ResponseBuffer keeps its previous {9, 9}
        const char* logLine;
    };
    const Bytes trailerOnly = Reply({}, 5);
    const Bytes wrongEcho = Reply({1, 1, 1, 1}, 7);
    Bytes withZero = trailerOnly;
    withZero.push_back(0);
    Bytes wrongWithZero = wrongEcho;
    wrongWithZero.push_back(0);
    const Case cases[] = {
        {"count 0", trailerOnly, 0, 0, withZero, nullptr},
        {"wrong echo", wrongEcho, 4, 0, wrongWithZero, "Response Error"},
        // Too short to be a reply: the wait runs out, and the bytes are not taken.
        {"three bytes", Bytes{0, 0, 5}, 0, 0, {}, "Connection Timeout"},
        {"1000 bytes", Reply(Bytes(996, 1), 5), 16, 0, {}, nullptr},
        // Claims eight data bytes, carries two: the rest reads 0, not the trailer, and the answer
        // is what came.
        {"count beyond the data", Reply({1, 1}, 5, 8), 2, 2, Bytes{1, 1, 0, 0, 0, 0, 0, 0}, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TransactBench b;
        b.state.ResponseBuffer = {9, 9};
        b.port.replies.push_back(c.reply);
        EXPECT_EQ(b.Run(c.expected), c.result);
        EXPECT_EQ(b.state.ResponseBuffer, c.buffer.empty() ? (Bytes{9, 9}) : c.buffer);
        EXPECT_EQ(b.window.logLines, c.logLine ? std::vector<std::string>{c.logLine} : std::vector<std::string>{});
    }
}

TEST(Transact, RejectedBytesAreDrainedBeforeTheNextPacket) {
    TransactBench b;
    b.port.replies.push_back(Reply(Bytes(996, 1), 5));
    b.port.replies.push_back(Reply({0, 1, 0, 1}, 5));
    EXPECT_EQ(b.Run(), 0);
    EXPECT_EQ(b.port.pending.size(), 1000u);  // left waiting, as a reply that is not one
    EXPECT_EQ(b.Run(), 4);
    EXPECT_EQ(b.state.ResponseBuffer, (Bytes{0, 1, 0, 1}));
}

TEST(Transact, SilenceTimesOutOnceAndLaterExchangesDoNotWait) {
    TransactBench b;
    b.state.ResponseBuffer = {3, 3};
    b.port.replies.push_back(std::nullopt);
    b.port.replies.push_back(std::nullopt);
    b.port.replies.push_back(Reply({1, 1, 1, 1}, 5));
    EXPECT_EQ(b.Run(), 0);
    EXPECT_EQ(b.state.linkFailure, 2);
    EXPECT_EQ(b.clock.NowMs(), 2 + 4000);
    EXPECT_EQ(b.window.serviceCount, 4000 + 1);  // every poll step, plus the log line
    EXPECT_EQ(b.state.ResponseBuffer, (Bytes{3, 3}));

    EXPECT_EQ(b.Run(), 0);
    EXPECT_EQ(b.clock.NowMs(), 2 + 4000 + 2);
    // A reply that is there at once is still taken.
    EXPECT_EQ(b.Run(), 4);
    EXPECT_EQ(b.window.logLines, (std::vector<std::string>{"Connection Timeout"}));
}

TEST(Transact, ReplyEntryAnswersZeroOutsideTheReply) {
    TransactBench b;
    b.port.replies.push_back(Reply({1, 1}, 5));
    b.Run(2);
    EXPECT_EQ(ReplyEntry(b.state, 1), 1);
    EXPECT_EQ(ReplyEntry(b.state, 2), 0);
    EXPECT_EQ(ReplyEntry(b.state, -1), 0);
    EXPECT_EQ(ReplyEntry(b.state, 1000000), 0);
}

}  // namespace
}  // namespace vostrel::test
