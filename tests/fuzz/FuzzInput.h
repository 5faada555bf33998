#pragma once
// Helpers shared by the fuzz targets: taking an input apart into small decisions and chunks, and a
// serial port whose replies come from the input instead of a unit.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/SerialPort.h"

namespace vostrel::fuzz {

using Bytes = std::vector<std::uint8_t>;

class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool Empty() const { return pos_ >= size_; }
    std::size_t Left() const { return size_ - pos_; }
    // 0 once the input is used up, so a short input still makes every decision.
    std::uint8_t Byte() { return Empty() ? 0 : data_[pos_++]; }
    int Word() { return Byte() | (Byte() << 8); }
    Bytes Take(std::size_t n) {
        n = std::min(n, Left());
        Bytes out(data_ + pos_, data_ + pos_ + n);
        pos_ += n;
        return out;
    }
    Bytes Rest() { return Take(Left()); }
    std::string RestText() {
        const Bytes b = Rest();
        return std::string(b.begin(), b.end());
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

// A port that answers each packet written to it with the next reply chunk of the input:
//   two header bytes h0 h1: length = h0 | (h1 & 3) << 8 (0 .. 1023), then that many bytes;
//   h1 bit 7 set: the port appends a well-formed trailer (count, status 0, the packet's command byte),
//   which lets the fuzzer reach the code behind the length and echo checks;
//   h1 bit 6 set: the reply stays back until the next packet (a late reply that the drain must meet).
// When the input runs out the unit falls silent.
class ReplyScriptPort : public SerialPort {
public:
    explicit ReplyScriptPort(FuzzInput& input) : in_(input) {}

    bool Open(const std::string&) override { return open_ = true; }
    bool IsOpen() const override { return open_; }
    void Close() override { open_ = false; }
    void SetBreak(bool) override {}
    int BytesWaiting() override { return static_cast<int>(pending_.size()); }
    int Read(std::uint8_t* dst, int count) override {
        const int n = std::min(count, static_cast<int>(pending_.size()));
        std::copy(pending_.begin(), pending_.begin() + n, dst);
        pending_.erase(pending_.begin(), pending_.begin() + n);
        return n;
    }
    int Write(const std::uint8_t* src, int count) override {
        ++packets;
        pending_.insert(pending_.end(), held_.begin(), held_.end());
        held_.clear();
        if (in_.Empty() || count <= 0) return count;
        const int h0 = in_.Byte();
        const int h1 = in_.Byte();
        Bytes reply = in_.Take(static_cast<std::size_t>(h0 | (h1 & 3) << 8));
        if (h1 & 0x80) {
            const std::size_t n = reply.size();
            reply.push_back(static_cast<std::uint8_t>(n & 0xFF));
            reply.push_back(static_cast<std::uint8_t>(n >> 8));
            reply.push_back(0);
            reply.push_back(src[0]);
        }
        Bytes& target = (h1 & 0x40) ? held_ : pending_;
        target.insert(target.end(), reply.begin(), reply.end());
        return count;
    }

    int packets = 0;

private:
    FuzzInput& in_;
    bool open_ = false;
    Bytes pending_;
    Bytes held_;
};

}  // namespace vostrel::fuzz
