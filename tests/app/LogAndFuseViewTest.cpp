#include <gtest/gtest.h>

#include "app/FuseView.h"
#include "app/Log.h"
#include "app/RunState.h"
#include "support/OfflineBench.h"

namespace vostrel {
namespace {

using Bench = test::OfflineBench;

TEST(WriteLog, KindsAddTheirMarkerLine) {
    struct Case { int kind; std::vector<std::string> lines; };
    const Case cases[] = {
        {LogInfo, {"text"}},
        {LogWarning, {"WARNING!", "text"}},
        {LogError, {"ERROR!", "text"}},
        {0, {"text"}},
        {16, {"text"}},
    };
    for (const auto& c : cases) {
        Bench b;
        WriteLog(b.state, "text", c.kind);
        EXPECT_EQ(b.window.logLines, c.lines) << "kind " << c.kind;
        EXPECT_EQ(b.window.scrollCount, 1);
        EXPECT_EQ(b.window.serviceCount, 1);
    }
}

TEST(WriteLog, LineBreaksMakeSeveralLinesAndEmptyTextOneEmptyLine) {
    Bench b;
    WriteLog(b.state, "\rSupply test", LogInfo);
    WriteLog(b.state, "", LogInfo);
    WriteLog(b.state, "a\r\nb\nc", LogInfo);
    EXPECT_EQ(b.window.logLines, (std::vector<std::string>{"", "Supply test", "", "a", "b", "c"}));
}

void Select(RunState& s, const char* name, int rowCount, int uesFuse, int uesBytes) {
    s.profile.name = name;
    s.profile.rowCount = static_cast<std::uint8_t>(rowCount);
    s.profile.uesFuse = uesFuse;
    s.profile.uesBytes = static_cast<std::uint8_t>(uesBytes);
}

TEST(ShowFuses, LineCountsAndLastLines) {
    struct Case { const char* name; int n, w; std::size_t lines; std::string last; };
    const Case cases[] = {
        {"GAL16V8", 2194, 32, 69, "L02176 " + std::string(18, '0')},
        {"GAL22V10", 5892, 44, 134, "L05852 " + std::string(40, '0')},
        {"exact", 64, 32, 2, "L00032 " + std::string(32, '0')},
    };
    for (const auto& c : cases) {
        Bench b;
        Select(b.state, c.name, c.w, 0, 0);
        ShowFuses(b.state, c.n);
        ASSERT_EQ(b.window.fuseLines.size(), c.lines) << c.name;
        EXPECT_EQ(b.window.fuseLines.back(), c.last) << c.name;
        EXPECT_EQ(b.state.viewFuseCount, c.n);
        EXPECT_EQ(b.window.status[0], c.name);
    }
}

TEST(ShowFuses, FuseCharactersFollowFuseMapAndRepeatCallsReplace) {
    Bench b;
    Select(b.state, "X", 4, 0, 0);
    b.state.FuseMap[1] = 1;
    b.state.FuseMap[6] = 1;
    ShowFuses(b.state, 7);
    ShowFuses(b.state, 7);
    EXPECT_EQ(b.window.fuseLines, (std::vector<std::string>{"L00000 0100", "L00004 001"}));
}

TEST(ShowFuses, NothingToShowStillWritesTheStatusFields) {
    for (auto [n, w] : {std::pair{0, 32}, {2194, 0}, {-5, 32}}) {
        Bench b;
        Select(b.state, "GAL16V8", w, 2056, 8);
        b.window.fuseLines = {"old"};
        ShowFuses(b.state, n);
        EXPECT_TRUE(b.window.fuseLines.empty());
        EXPECT_EQ(b.state.viewFuseCount, n);
        EXPECT_EQ(b.window.status[1], "UES: " + std::string(8, ' '));
        EXPECT_EQ(b.window.status[0], "GAL16V8");
    }
}

TEST(ShowFuses, UesBytesShowAsCharactersMostSignificantBitFirst) {
    Bench b;
    Select(b.state, "GAL16V8", 32, 2056, 8);
    const int codes[] = {65, 66, 0xE9};  // 'A', 'B', Latin-1 e acute
    for (int k = 0; k < 3; ++k)
        for (int j = 0; j < 8; ++j) b.state.FuseMap[2056 + 8 * k + j] = (codes[k] >> (7 - j)) & 1;
    ShowFuses(b.state, 2194);
    EXPECT_EQ(b.window.status[1], "UES: AB\xC3\xA9     ");
}

}  // namespace
}  // namespace vostrel
