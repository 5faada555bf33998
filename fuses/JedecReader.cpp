#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

#include "app/Log.h"
#include "app/RunState.h"
#include "fuses/Jedec.h"

namespace vostrel {
namespace {

constexpr std::size_t kMaxFileBytes = 20000;
// The last index an L field may write; index 10000 is the stop mark, so FuseMap's final entry is only
// ever set by F1.
constexpr int kFuseListEnd = 10000;

struct Number {
    bool negative = false;  // a "-" stood right before the digits
    std::int32_t value = 0; // saturates at the int32 maximum instead of wrapping
};

// Decimal digits from text[pos] on, after leading blanks; no digits give 0.
Number ReadDecimal(const std::string& text, std::size_t pos) {
    while (pos < text.size() && text[pos] == ' ') ++pos;
    Number n;
    if (pos + 1 < text.size() && text[pos] == '-' && text[pos + 1] >= '0' && text[pos + 1] <= '9') {
        n.negative = true;
        ++pos;
    }
    std::int64_t v = 0;
    constexpr std::int64_t cap = std::numeric_limits<std::int32_t>::max();
    for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
        v = std::min(cap, v * 10 + (text[pos] - '0'));
    }
    n.value = static_cast<std::int32_t>(v);
    if (n.value == 0) n.negative = false;
    return n;
}

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }

std::string Hex(int value) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    do {
        out.insert(out.begin(), digits[value & 15]);
        value >>= 4;
    } while (value != 0);
    return out;
}

class Reader {
public:
    explicit Reader(RunState& state) : s_(state) {}

    // Feeds the bytes after the header's first "*".
    void Run(const std::vector<char>& bytes, std::size_t pos) {
        std::string field;
        for (; pos < bytes.size() && !stop_; ++pos) {
            char c = bytes[pos];
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
            if (c == '*') {
                Process(field);
                field.clear();
            } else if (static_cast<unsigned char>(c) <= 32) {
                field.push_back(' ');
            } else {
                field.push_back(c);
            }
        }
        if (!stop_ && s_.loadedFuseCount == 0) s_.loadedFuseCount = index_;
    }

private:
    void Process(std::string field) {
        const auto first = field.find_first_not_of(' ');
        if (first == std::string::npos) return;
        field = field.substr(first, field.find_last_not_of(' ') - first + 1);

        if (field[0] == 'L') {
            FuseList(field);
        } else if (field[0] == 'C') {
            Checksum(field);
        } else if (field.compare(0, 2, "QF") == 0) {
            const Number n = ReadDecimal(field, 2);
            s_.loadedFuseCount = n.negative ? 0 : n.value;
            if (s_.loadedFuseCount == 0 || s_.loadedFuseCount > kFuseListEnd) stop_ = true;
        } else if (field.compare(0, 2, "F1") == 0) {
            s_.FuseMap.fill(1);
        }
    }

    void FuseList(const std::string& field) {
        const Number start = ReadDecimal(field, 1);
        if (start.negative) {
            // No fuse lies before 0: storing such a list anywhere would put the design's fuses in the
            // wrong places, so the list is dropped and the user told; the checksum check then shows
            // what is missing.
            WriteLog(s_, "Fuse list with negative start ignored: " + field.substr(0, field.find(' ')),
                     LogWarning);
            return;
        }
        index_ = start.value;
        const auto blank = field.find(' ');
        if (blank == std::string::npos) return;
        for (std::size_t i = blank + 1; i < field.size(); ++i) {
            const char c = field[i];
            if (c != '0' && c != '1') continue;
            if (index_ >= kFuseListEnd) {
                stop_ = true;
                return;
            }
            s_.FuseMap[static_cast<std::size_t>(index_)] = c == '1' ? 1 : 0;
            ++index_;
        }
    }

    void Checksum(const std::string& field) {
        // Kept as digit text, so that an expected value of any length compares and prints exactly.
        std::size_t end = 1;
        while (end < field.size() && IsHexDigit(field[end])) ++end;
        std::string expected = field.substr(1, end - 1);
        expected.erase(0, std::min(expected.find_first_not_of('0'), expected.size()));
        if (expected.empty()) expected = "0";

        const int count = s_.loadedFuseCount != 0 ? s_.loadedFuseCount : index_;
        const std::string computed = Hex(JedecChecksum(s_, count));
        if (computed != expected) {
            WriteLog(s_, "Checksum: " + computed + " <> expected: " + expected, LogWarning);
        }
    }

    RunState& s_;
    bool stop_ = false;
    std::int32_t index_ = 0;
};

}  // namespace

int JedecChecksum(const RunState& state, int count) {
    const int n = std::clamp(count, 0, kFuseMapSize);
    unsigned sum = 0;
    unsigned word = 0;
    for (int k = 0; k < n; ++k) {
        word |= static_cast<unsigned>(state.FuseMap[static_cast<std::size_t>(k)] & 1) << (k % 8);
        if (k % 8 == 7) {
            sum += word;
            word = 0;
        }
    }
    sum += word;
    return static_cast<int>(sum & 0xFFFF);
}

int ReadJedecFile(RunState& state, const std::string& path) {
    state.loadedFuseCount = 0;
    state.FuseMap.fill(0);

    // Only a plain file is read: a FIFO would block the window on open, a device might never end.
    std::error_code ec;
    const bool regular = !path.empty() && std::filesystem::is_regular_file(path, ec);
    std::ifstream in;
    if (regular) in.open(path, std::ios::binary);
    if (!in.is_open()) {
        WriteLog(state, "Can't access file", LogError);
        return 0;
    }
    // One byte more than allowed tells a too-large file without reading all of it.
    std::vector<char> bytes(kMaxFileBytes + 1);
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (in.bad()) {
        WriteLog(state, "Can't access file", LogError);
        return 0;
    }
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    if (bytes.size() > kMaxFileBytes) {
        WriteLog(state, "File size > 20000", LogError);
        return 0;
    }

    const auto star = std::find(bytes.begin(), bytes.end(), '*');
    if (star == bytes.end()) return 0;
    Reader reader(state);
    reader.Run(bytes, static_cast<std::size_t>(star - bytes.begin()) + 1);
    return state.loadedFuseCount;
}

}  // namespace vostrel
