#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FusesTestSupport.h"
#include "app/FuseView.h"
#include "device/DeviceTable.h"
#include "fuses/FileSelection.h"

namespace vostrel {
namespace {

using test::Bench;

std::vector<int> UesBytes(const RunState& s) {
    std::vector<int> bytes;
    for (int k = 0; k < s.profile.uesBytes; ++k) {
        int byte = 0;
        for (int j = 0; j < 8; ++j) byte = byte << 1 | s.FuseMap[static_cast<std::size_t>(s.profile.uesFuse + 8 * k + j)];
        bytes.push_back(byte);
    }
    return bytes;
}

std::vector<int> Codes(const std::string& ascii) { return {ascii.begin(), ascii.end()}; }

TEST(EditUes, AnswerIsCutPaddedAndStoredAsLowBytes) {
    struct Case { DeviceCode code; std::string answer; std::vector<int> stored; };
    const Case cases[] = {
        {0, "HALLO1234", Codes("HALLO123")},
        {68, "HALLO1234", Codes("HALLO1234")},
        {72, "AB", Codes("AB      ")},
        {101, "", Codes("     ")},
        {0, "\xC3\xA9\xC2\xA0x", {0xE9, 0xA0, 'x', 32, 32, 32, 32, 32}},  // UTF-8 of Latin-1 letters
        {0, "\xC4\x80\xE2\x82\xAC\xF0\x9F\x98\x80", {0x00, 0xAC, 0x00, 32, 32, 32, 32, 32}},  // high bits lost
        {0, "\xFF\xC3(", {0xFF, 0xC3, '(', 32, 32, 32, 32, 32}},  // broken UTF-8 byte by byte
    };
    for (const auto& c : cases) {
        Bench b;
        SelectDevice(b.state.profile, c.code);
        b.state.FuseMap.fill(1);
        ShowFuses(b.state, b.state.profile.fuseCount);
        b.window.logLines = {"old"};
        b.window.inputAnswers.push_back(c.answer);
        EditUes(b.state);

        const DeviceProfile& p = b.state.profile;
        EXPECT_EQ(UesBytes(b.state), c.stored) << p.name << " " << c.answer;
        EXPECT_EQ(b.state.FuseMap[static_cast<std::size_t>(p.uesFuse - 1)], 1) << "fuse before the UES";
        const auto after = static_cast<std::size_t>(p.uesFuse + 8 * p.uesBytes);
        if (after < static_cast<std::size_t>(kFuseMapSize)) {
            EXPECT_EQ(b.state.FuseMap[after], 1) << "fuse after the UES";
        }
        ASSERT_EQ(b.window.boxes.size(), 1u);
        EXPECT_EQ(b.window.boxes[0].title, "User Electronic Signature (UES)");
        EXPECT_EQ(b.window.boxes[0].text,
                  "Enter new UES [max. " + std::to_string(p.uesBytes) + " alphanumeric digits]");
        EXPECT_EQ(b.window.boxes[0].extra, "HALLO1234");
        EXPECT_EQ(b.window.logLines,
                  (std::vector<std::string>{"->UES changed in data array",
                                            "Click on Save or Programm in order to make the change take effect"}));
        EXPECT_EQ(b.window.status[1], "UES: " + UesText(b.state));
        EXPECT_EQ(b.state.viewFuseCount, p.fuseCount);
    }
}

TEST(EditUes, FirstFusesOfTheAnswerAB) {
    Bench b;
    SelectDevice(b.state.profile, 0);
    ShowFuses(b.state, 2194);
    b.window.inputAnswers.push_back("AB");
    EditUes(b.state);
    const std::vector<int> first(b.state.FuseMap.begin() + 2056, b.state.FuseMap.begin() + 2064);
    EXPECT_EQ(first, (std::vector<int>{0, 1, 0, 0, 0, 0, 0, 1}));
    EXPECT_EQ(b.window.status[1], "UES: AB      ");
    // the refreshed view carries the new UES into a save
    EXPECT_EQ(b.window.fuseLines[64].substr(15, 8), "01000001");
}

TEST(EditUes, EmptyViewOnlyClearsTheLog) {
    Bench b;
    SelectDevice(b.state.profile, 0);
    b.window.logLines = {"old"};
    b.window.inputAnswers.push_back("AB");
    EditUes(b.state);
    EXPECT_TRUE(b.window.logLines.empty());
    EXPECT_TRUE(b.window.boxes.empty());
    EXPECT_EQ(b.state.FuseMap[2057], 0);
}

}  // namespace
}  // namespace vostrel
