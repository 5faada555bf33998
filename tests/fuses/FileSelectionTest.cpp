#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "FusesTestSupport.h"
#include "device/DeviceTable.h"
#include "fuses/FileSelection.h"

namespace vostrel {
namespace {

using test::Bench;
using test::ScratchDir;

std::string CurrentDir() { return std::filesystem::current_path().string() + "/"; }

TEST(SelectFile, SaveAppendsJedOnlyForTheJedecEntryAndABareName) {
    struct Case { std::string name; int pattern; std::string expected; };
    const Case cases[] = {
        {"design", 0, "design.jed"},
        {"design", 2, "design"},
        {"design", 1, "design"},
        {"design.abl", 0, "design.abl"},
        {"design.txt", 2, "design.txt"},
        {"v1.2/design", 0, "v1.2/design.jed"},
        {".hidden", 0, ".hidden.jed"},
    };
    ScratchDir dir;
    for (const auto& c : cases) {
        Bench b;
        b.window.saveAnswers.push_back({dir.Path(c.name), c.pattern});
        EXPECT_EQ(SelectFile(b.state, 1, 0, ""), dir.Path(c.expected)) << c.name;
        EXPECT_TRUE(b.window.logLines.empty());
    }
}

TEST(SelectFile, ExistingNameAsksAndNoShowsTheDialogAgain) {
    ScratchDir dir;
    dir.Write("old.jed", "x");
    std::filesystem::create_directory(dir.Path("sub.jed"));
    Bench b;
    b.state.lastSaveDir = dir.Dir();
    b.window.saveAnswers = {{dir.Path("old"), 0}, {dir.Path("sub.jed"), 2}, {dir.Path("old.jed"), 2}};
    b.window.questionAnswers = {false, false, true};

    EXPECT_EQ(SelectFile(b.state, 1, 0, "proposal"), dir.Path("old.jed"));
    ASSERT_EQ(b.window.boxes.size(), 6u);
    const std::string texts[] = {"Replace \"old.jed\"?", "Replace \"sub.jed\"?", "Replace \"old.jed\"?"};
    for (int i = 0; i < 3; ++i) {
        const auto& dialog = b.window.boxes[static_cast<std::size_t>(2 * i)];
        EXPECT_EQ(dialog.kind, "save");
        EXPECT_EQ(dialog.title, "Save as");
        EXPECT_EQ(dialog.text, dir.Dir());
        EXPECT_EQ(dialog.extra, std::string("proposal\n") + kFilePatterns);
        const auto& question = b.window.boxes[static_cast<std::size_t>(2 * i + 1)];
        EXPECT_EQ(question.kind, "question");
        EXPECT_EQ(question.title, "File already exists");
        EXPECT_EQ(question.text, texts[i]);
    }
}

TEST(SelectFile, CancelledSaveIsLoggedAndRemembersNothing) {
    Bench b;
    b.window.questionAnswers.push_back(false);
    EXPECT_EQ(SelectFile(b.state, 1, 0, ""), "");
    EXPECT_EQ(b.window.logLines, (std::vector<std::string>{"Save canceled"}));
    EXPECT_EQ(b.state.lastSaveDir, "");
}

TEST(SelectFile, OpenAndSaveRememberTheirOwnFolders) {
    ScratchDir dir;
    Bench b;
    const std::string cwd = CurrentDir();

    b.window.openAnswers.push_back({dir.Path("a.abl"), 1});
    EXPECT_EQ(SelectFile(b.state, 0, 1, "ignored"), dir.Path("a.abl"));
    EXPECT_EQ(SelectFile(b.state, 0, 0, ""), "");  // cancelled: nothing logged, folder kept
    b.window.saveAnswers.push_back({dir.Path("out/b.jed"), 0});
    SelectFile(b.state, 1, 0, "");
    b.window.openAnswers.push_back({"/c.jed", 0});
    SelectFile(b.state, 0, 0, "");
    b.window.saveAnswers.push_back({dir.Path("c.jed"), 0});
    SelectFile(b.state, 1, 0, "");

    const auto& boxes = b.window.boxes;
    ASSERT_EQ(boxes.size(), 5u);
    EXPECT_EQ(boxes[0].title, "Open");
    EXPECT_EQ(boxes[0].text, cwd);
    EXPECT_EQ(boxes[0].extra, kFilePatterns);
    EXPECT_EQ(boxes[0].patternIndex, 1);
    EXPECT_EQ(boxes[1].text, dir.Dir());
    EXPECT_EQ(boxes[2].text, cwd);  // the save dialog has its own memory
    EXPECT_EQ(boxes[3].text, dir.Dir());
    EXPECT_EQ(boxes[4].text, dir.Path("out/"));
    EXPECT_EQ(b.state.lastOpenDir, "/");
    EXPECT_EQ(b.state.lastSaveDir, dir.Dir());
    EXPECT_TRUE(b.window.logLines.empty());
    EXPECT_EQ(CurrentDir(), cwd);
}

struct Opened {
    Bench b;
    explicit Opened(const std::string& path) { OpenJedecFile(b.state, path); }
};

TEST(OpenJedecFile, TheFuseCountChoosesTheType) {
    struct Case { int declared; const char* name; int lines; std::string lastLine; };
    const Case cases[] = {
        {2195, "GAL16V8", 69, "L02176 " + std::string(18, '0')},
        {5828, "GAL22V10", 134, "L05852 " + std::string(40, '0')},
        {1631, "GAL20XV10", 42, "L01640 " + std::string(31, '0')},
        {8258, "GAL6002B", 107, "L08268 " + std::string(62, '0')},
    };
    ScratchDir dir;
    for (const auto& c : cases) {
        const std::string path = dir.Write("f.jed", "*QF" + std::to_string(c.declared) + "* L0 1*");
        Bench b;
        b.window.logLines = {"earlier compiler listing"};
        b.window.fuseLines = {"L00000 111"};
        OpenJedecFile(b.state, path);
        const DeviceProfile& p = b.state.profile;
        EXPECT_EQ(p.name, c.name);
        EXPECT_EQ(b.window.logLines,
                  (std::vector<std::string>{"Parsing file: f.jed", "Path: " + dir.Dir(),
                                            std::to_string(c.declared) + " fuses match " + c.name}));
        EXPECT_EQ(b.state.loadedFuseCount, p.fuseCount) << c.name;
        EXPECT_EQ(b.state.viewFuseCount, p.fuseCount) << c.name;
        ASSERT_EQ(b.window.fuseLines.size(), static_cast<std::size_t>(c.lines)) << c.name;
        EXPECT_EQ(b.window.fuseLines.front().substr(0, 8), "L00000 1") << c.name;
        EXPECT_EQ(b.window.fuseLines.back(), c.lastLine) << c.name;
        EXPECT_EQ(b.window.status[0], c.name);
        EXPECT_EQ(b.window.status[1], "UES: " + std::string(p.uesBytes, ' ')) << c.name;
    }
}

TEST(OpenJedecFile, FilesOfOtherToolsOpenWithoutWarnings) {
    struct Case { const char* file; const char* name; std::vector<int> ones; };
    const Case cases[] = {
        {"gal16v8_tool_crlf.jed", "GAL16V8", {0, 3, 8, 9, 13}},
        {"gal22v10_lowercase_lf.jed", "GAL22V10", {2, 3, 11, 19, 20}},
        {"gal20v8_f1_cr_noqf.jed", "GAL20V8", {0, 5, 6, 8, 9}},
    };
    for (const auto& c : cases) {
        Opened o(std::string(VOSTREL_FIXTURES) + "/fuses/" + c.file);
        EXPECT_EQ(o.b.state.profile.name, c.name) << c.file;
        EXPECT_EQ(o.b.window.LogText().find("WARNING!"), std::string::npos) << o.b.window.LogText();
        for (int k = 0; k < 14; ++k) {
            const bool one = std::find(c.ones.begin(), c.ones.end(), k) != c.ones.end();
            EXPECT_EQ(o.b.state.FuseMap[static_cast<std::size_t>(k)], one ? 1 : 0) << c.file << " fuse " << k;
        }
    }
}

TEST(OpenJedecFile, RefusedFilesLeaveThePanesEmpty) {
    ScratchDir dir;
    struct Case { std::string path; std::vector<std::string> tail; int loaded; };
    const Case cases[] = {
        {dir.Write("a.jed", "*QF1000* L0 1*"), {"ERROR!", "1000 fuses don't match any GAL"}, 1000},
        {dir.Write("b.jed", "*L0 1*"), {"ERROR!", "1 fuses don't match any GAL"}, 1},
        {dir.Write("c.jed", "*QF0*"), {}, 0},
        {dir.Path("missing.jed"), {"ERROR!", "Can't access file"}, 0},
    };
    for (const auto& c : cases) {
        Bench b;
        SelectDevice(b.state.profile, 72);
        b.window.fuseLines = {"L00000 1"};
        b.window.status[0] = "GAL22V10";
        b.window.status[1] = "UES: x";
        OpenJedecFile(b.state, c.path);
        std::vector<std::string> log = {"Parsing file: " + std::filesystem::path(c.path).filename().string(),
                                        "Path: " + dir.Dir()};
        log.insert(log.end(), c.tail.begin(), c.tail.end());
        EXPECT_EQ(b.window.logLines, log);
        EXPECT_TRUE(b.window.fuseLines.empty());
        EXPECT_EQ(b.window.status[0], "");
        EXPECT_EQ(b.window.status[1], "");
        EXPECT_EQ(b.state.profile.name, "GAL22V10");
        EXPECT_EQ(b.state.loadedFuseCount, c.loaded);
    }
}

TEST(OpenJedecFile, EmptyPathDoesNothing) {
    Bench b;
    b.window.logLines = {"kept"};
    OpenJedecFile(b.state, "");
    EXPECT_EQ(b.window.logLines, (std::vector<std::string>{"kept"}));
}

}  // namespace
}  // namespace vostrel
