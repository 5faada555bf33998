#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include "FusesTestSupport.h"
#include "app/FuseView.h"
#include "app/WindowServices.h"
#include "device/DeviceTable.h"
#include "fuses/FileSelection.h"
#include "fuses/Jedec.h"
#include "platform/AtomicFile.h"

namespace vostrel {
namespace {

using test::Bench;
using test::ReadBytes;
using test::ScratchDir;

// Splits at CR LF and checks that no line end of another kind slipped in.
std::vector<std::string> CrLfLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t from = 0;
    for (std::size_t at; (at = text.find("\r\n", from)) != std::string::npos; from = at + 2) {
        lines.push_back(text.substr(from, at - from));
    }
    EXPECT_EQ(from, text.size()) << "text after the last CR LF";
    for (const auto& line : lines) EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << line;
    return lines;
}

void Show(Bench& b, DeviceCode code) {
    ASSERT_TRUE(SelectDevice(b.state.profile, code));
    b.state.loadedFuseCount = b.state.profile.fuseCount;
    ShowFuses(b.state, b.state.profile.fuseCount);
}

TEST(JedecFileText, TheExactFormat) {
    Bench b;
    b.state.FuseMap[0] = 1;     // row L00000
    b.state.FuseMap[33] = 1;    // row L00032
    b.state.FuseMap[2193] = 1;  // the short last row
    Show(b, 0);                 // GAL16V8: 32 fuses a row
    const auto lines = CrLfLines(JedecFileText(b.state));
    ASSERT_EQ(lines.size(), 10u);
    EXPECT_EQ(lines[0], "\x02");
    EXPECT_EQ(lines[1], "This is a JEDEC compatible fuse file.");
    EXPECT_EQ(lines[2], "CREATED BY: Vostrel");
    EXPECT_TRUE(std::regex_match(lines[3], std::regex(R"(CREATED DATE: \d\d/\d\d/\d{4}  \d\d:\d\d:\d\d)")))
        << lines[3];
    EXPECT_EQ(lines[4], "*QF2194* F0* G0* ");
    EXPECT_EQ(lines[5], "L00000 1" + std::string(31, '0') + "*");
    EXPECT_EQ(lines[6], "L00032 01" + std::string(30, '0') + "*");
    EXPECT_EQ(lines[7], "L02176 " + std::string(17, '0') + "1*");
    // words: fuse 0 -> 1, fuse 33 -> 2, fuse 2193 (bit 1 of word 274) -> 2
    EXPECT_EQ(lines[8], "C0005*");
    EXPECT_EQ(lines[9], "\x03");
}

TEST(JedecFileText, ViewsWithoutProgrammedFuses) {
    {
        Bench b;  // rows of only 0 are left out
        Show(b, 72);
        const auto lines = CrLfLines(JedecFileText(b.state));
        ASSERT_EQ(lines.size(), 7u);
        EXPECT_EQ(lines[4], "*QF5892* F0* G0* ");
        EXPECT_EQ(lines[5], "C0000*");
    }
    {
        Bench b;  // nothing shown since start; the checksum still covers the data in FuseMap
        b.state.FuseMap[8] = 1;
        b.state.loadedFuseCount = 1000;
        const auto lines = CrLfLines(JedecFileText(b.state));
        ASSERT_EQ(lines.size(), 7u);
        EXPECT_EQ(lines[4], "*QF0* F0* G0* ");
        EXPECT_EQ(lines[5], "C0001*");
    }
    {
        Bench b;  // after a refused QF above the map, the checksum stays inside FuseMap
        b.state.FuseMap.fill(1);
        b.state.loadedFuseCount = 2147483647;
        EXPECT_EQ(CrLfLines(JedecFileText(b.state))[5], "CDD1F*");
    }
}

// Shown, saved and opened again, every type's data comes back unchanged and passes its own check.
TEST(SaveJedecFile, RoundTripForEveryDeviceType) {
    ScratchDir dir;
    std::mt19937 random(2024);
    for (const DeviceCode code : DeviceCodes()) {
        Bench saver;
        SelectDevice(saver.state.profile, code);
        const int n = saver.state.profile.fuseCount;
        for (int k = 0; k < n; ++k) saver.state.FuseMap[static_cast<std::size_t>(k)] = random() & 1;
        Show(saver, code);
        const std::string path = dir.Path(std::to_string(code) + ".jed");
        saver.window.saveAnswers.push_back({path, 0});
        SaveJedecFile(saver.state);
        ASSERT_TRUE(saver.window.logLines.empty()) << saver.window.LogText();

        Bench opener;
        OpenJedecFile(opener.state, path);
        const std::string name = saver.state.profile.name;
        EXPECT_EQ(opener.window.LogText().find("WARNING!"), std::string::npos) << name;
        EXPECT_EQ(opener.state.profile.fuseCount, n) << name;
        EXPECT_EQ(opener.state.loadedFuseCount, n) << name;
        EXPECT_TRUE(std::equal(saver.state.FuseMap.begin(), saver.state.FuseMap.begin() + n,
                               opener.state.FuseMap.begin()))
            << name;
        EXPECT_EQ(opener.window.fuseLines, saver.window.fuseLines) << name;
        EXPECT_LT(ReadBytes(path).size(), 10000u) << name;
    }
}

// Whatever goes wrong while saving, the file the user had stays as it was and nothing is left behind.
TEST(SaveJedecFile, FailuresKeepTheOldFileAndReportIt) {
    struct Case {
        const char* what;
        std::string target;         // relative to the scratch folder
        std::int64_t faultAfter;    // injected full disk, -1 for none
    };
    const Case cases[] = {
        {"folder does not exist", "gone/design.jed", -1},
        {"folder is a file", "old.jed/design.jed", -1},
        {"target is a folder", "folder.jed", -1},
        {"disk full part way", "old.jed", 100},
        {"disk full at once", "old.jed", 0},
    };
    const std::string oldBytes = "\x02old design*QF4* L0 0110* C0006*\x03";
    for (const auto& c : cases) {
        ScratchDir dir;
        dir.Write("old.jed", oldBytes);
        std::filesystem::create_directory(dir.Path("folder.jed"));
        const std::size_t entries = dir.EntryCount();

        Bench b;
        Show(b, 72);
        b.state.FuseMap[5] = 1;
        ShowFuses(b.state, b.state.profile.fuseCount);
        b.window.saveAnswers.push_back({dir.Path(c.target), 0});
        b.window.questionAnswers.push_back(true);  // replace what is there
        InjectFileWriteFault(c.faultAfter);
        SaveJedecFile(b.state);
        InjectFileWriteFault(-1);

        EXPECT_EQ(b.window.logLines, (std::vector<std::string>{"ERROR!", "Can't access file"})) << c.what;
        EXPECT_EQ(ReadBytes(dir.Path("old.jed")), oldBytes) << c.what;
        EXPECT_TRUE(std::filesystem::is_directory(dir.Path("folder.jed"))) << c.what;
        EXPECT_EQ(dir.EntryCount(), entries) << c.what;
    }
}

TEST(SaveJedecFile, ReplacingKeepsPermissionsAndFollowsLinks) {
    namespace fs = std::filesystem;
    ScratchDir dir;
    const std::string real = dir.Write("real.jed", "old");
    fs::permissions(real, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::create_symlink(real, dir.Path("link.jed"));

    Bench b;
    Show(b, 0);
    b.window.saveAnswers.push_back({dir.Path("link.jed"), 0});
    b.window.questionAnswers.push_back(true);
    SaveJedecFile(b.state);

    EXPECT_TRUE(b.window.logLines.empty()) << b.window.LogText();
    EXPECT_TRUE(fs::is_symlink(dir.Path("link.jed")));
    EXPECT_EQ(ReadBytes(real).substr(0, 40), "\x02\r\nThis is a JEDEC compatible fuse file.");
    EXPECT_EQ(fs::status(real).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(dir.EntryCount(), 2u);
}

TEST(SaveJedecFile, CancelledDialogWritesNothing) {
    ScratchDir dir;
    Bench b;
    Show(b, 0);
    SaveJedecFile(b.state);  // no scripted answer: the user cancels
    EXPECT_EQ(b.window.logLines, (std::vector<std::string>{"Save canceled"}));
    EXPECT_EQ(dir.EntryCount(), 0u);
}

}  // namespace
}  // namespace vostrel
