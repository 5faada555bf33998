#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "FusesTestSupport.h"
#include "fuses/Jedec.h"

namespace vostrel {
namespace {

using test::Bench;
using test::ScratchDir;

struct ReaderCase {
    const char* what;
    std::string body;  // follows a header "hdr*"
    int result;
    std::vector<std::pair<int, int>> fuses;  // (index, value) that differ from `base`
    std::vector<std::string> log;
    int base = 0;
};

TEST(ReadJedecFile, FieldsAsTheFormatDefinesThem) {
    const ReaderCase cases[] = {
        {"L field without QF", "L0 0110*", 4, {{1, 1}, {2, 1}}, {}},
        {"QF wins over the fuses listed", "QF2194* L0 11*", 2194, {{0, 1}, {1, 1}}, {}},
        {"L without blank only moves the index", "L10*", 10, {}, {}},
        {"states over several lines", "L64 0000\r\n1111*", 72, {{68, 1}, {69, 1}, {70, 1}, {71, 1}}, {}},
        {"result is the index after the last field", "L8 1* L0 1*", 1, {{8, 1}, {0, 1}}, {}},
        {"QF0 stops at once", "QF0* L0 1*", 0, {}, {}},
        {"QF0 after fuses keeps them", "L0 1* QF0*", 0, {{0, 1}}, {}},
        {"QF above 10000 stops", "QF10001* L0 1*", 10001, {}, {}},
        {"huge QF saturates, stops", "QF99999999999999999999* L0 1*", 2147483647, {}, {}},
        {"state at 10000 stops, no QF", "L9999 11*", 0, {{9999, 1}}, {}},
        {"state at 10000 stops, QF kept", "QF10000* L9999 11* C0*", 10000, {{9999, 1}}, {}},
        {"huge start stores nothing", "QF8* L99999999999999 1*", 8, {}, {}},
        {"F1 sets every entry, L overrides", "F1* L0 0*", 1, {{0, 0}}, {}, 1},
        {"lower-case fields", "qf4* l0 0110* f0* c0006*", 4, {{1, 1}, {2, 1}}, {}},
        {"stray characters and tabs skipped", "L0 0a1\t1x*", 3, {{1, 1}, {2, 1}}, {}},
        {"notes, N fields and Latin-1 ignored", "N note \xE9\x01* NOTE x* L0 1*", 1, {{0, 1}}, {}},
        {"transmission checksum after ETX", "L0 01* C0002*\x03" "0ABC", 2, {{1, 1}}, {}},
        {"checksum mismatch warns, reading goes on", "QF4* C5* L0 0110*", 4, {{1, 1}, {2, 1}},
         {"WARNING!", "Checksum: 0 <> expected: 5"}},
        {"checksum over the L index without QF", "L0 0110* C7*", 4, {{1, 1}, {2, 1}},
         {"WARNING!", "Checksum: 6 <> expected: 7"}},
        {"expected above FFFF never matches", "QF4* L0 0110* C00010006*", 4, {{1, 1}, {2, 1}},
         {"WARNING!", "Checksum: 6 <> expected: 10006"}},
        {"blank after C reads 0", "QF4* L0 0110* C 6*", 4, {{1, 1}, {2, 1}},
         {"WARNING!", "Checksum: 6 <> expected: 0"}},
        {"C after a stop is not looked at", "QF0* C1234*", 0, {}, {}},
        {"negative start drops the list", "QF4* L-2 11* L0 0110* C0006*", 4, {{1, 1}, {2, 1}},
         {"WARNING!", "Fuse list with negative start ignored: L-2"}},
        {"empty fields", "** *\r\n* L1 1*", 2, {{1, 1}}, {}},
        {"nothing after the header", "", 0, {}, {}},
    };
    ScratchDir dir;
    for (const auto& c : cases) {
        Bench b;
        b.state.FuseMap.fill(1);  // the reader must clear it first
        const int n = ReadJedecFile(b.state, dir.Write("case.jed", "\x02hdr\r\nnote*" + c.body));
        EXPECT_EQ(n, c.result) << c.what;
        EXPECT_EQ(b.state.loadedFuseCount, c.result) << c.what;
        std::vector<std::uint8_t> expected(kFuseMapSize, static_cast<std::uint8_t>(c.base));
        for (auto [index, value] : c.fuses) expected[static_cast<std::size_t>(index)] = static_cast<std::uint8_t>(value);
        EXPECT_TRUE(std::equal(expected.begin(), expected.end(), b.state.FuseMap.begin())) << c.what;
        EXPECT_EQ(b.window.logLines, c.log) << c.what;
    }
}

TEST(ReadJedecFile, NoStarAtAllGivesZeroSilently) {
    ScratchDir dir;
    Bench b;
    EXPECT_EQ(ReadJedecFile(b.state, dir.Write("x.jed", "QF2194 L0 0101 no star anywhere")), 0);
    EXPECT_TRUE(b.window.logLines.empty());
}

TEST(ReadJedecFile, SizeLimitIsTwentyThousandBytes) {
    ScratchDir dir;
    const std::string fields = "hdr*QF2* L0 11*";
    for (const std::size_t size : {std::size_t{20000}, std::size_t{20001}}) {
        Bench b;
        const std::string file = fields + std::string(size - fields.size(), ' ');
        const int n = ReadJedecFile(b.state, dir.Write("big.jed", file));
        if (size == 20000) {
            EXPECT_EQ(n, 2);
            EXPECT_EQ(b.state.FuseMap[1], 1);
            EXPECT_TRUE(b.window.logLines.empty());
        } else {
            EXPECT_EQ(n, 0);
            EXPECT_EQ(b.state.loadedFuseCount, 0);
            EXPECT_EQ(b.state.FuseMap[1], 0);
            EXPECT_EQ(b.window.logLines, (std::vector<std::string>{"ERROR!", "File size > 20000"}));
        }
    }
}

TEST(ReadJedecFile, UnreadablePathsAreReportedAndStillClearTheMap) {
    ScratchDir dir;
    for (const std::string& path : {dir.Path("missing.jed"), dir.Dir(), std::string("/dev/zero"),
                                    std::string()}) {
        Bench b;
        b.state.FuseMap.fill(1);
        b.state.loadedFuseCount = 77;
        EXPECT_EQ(ReadJedecFile(b.state, path), 0) << path;
        EXPECT_EQ(b.state.loadedFuseCount, 0);
        EXPECT_EQ(b.state.FuseMap[0] + b.state.FuseMap[kFuseMapSize - 1], 0) << path;
        EXPECT_EQ(b.window.logLines, (std::vector<std::string>{"ERROR!", "Can't access file"})) << path;
    }
}

TEST(JedecChecksum, WordsLeastSignificantBitFirstAndCountClamped) {
    Bench b;
    const int fuses[17] = {1, 0, 1, 1, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1};
    for (int k = 0; k < 17; ++k) b.state.FuseMap[static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(fuses[k]);
    EXPECT_EQ(JedecChecksum(b.state, 17), 0x10D);  // words 13, 255, 1
    EXPECT_EQ(JedecChecksum(b.state, 16), 0x10C);
    EXPECT_EQ(JedecChecksum(b.state, 0), 0);
    EXPECT_EQ(JedecChecksum(b.state, -5), 0);

    b.state.FuseMap.fill(1);
    // 1250 full words of 255 and one word holding only fuse 10000; the sum wraps at 16 bits.
    const int all = (1250 * 255 + 1) & 0xFFFF;
    EXPECT_EQ(JedecChecksum(b.state, kFuseMapSize), all);
    EXPECT_EQ(JedecChecksum(b.state, 2147483647), all);
}

}  // namespace
}  // namespace vostrel
