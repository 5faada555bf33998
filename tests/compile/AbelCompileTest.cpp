#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

#include "compile/Compile.h"
#include "CompileBench.h"

namespace vostrel {
namespace {

using test::CompileBench;
using test::ReadFile;
using test::WriteFile;
using test::WriteScript;
namespace fs = std::filesystem;

using Lines = std::vector<std::string>;

// Records where and how it ran and whether outputs of an earlier run were still there, then leaves
// every output the way the compiler would.
const char* const kCompilingEmulator = R"(pwd > ../ran-in
echo $# > ../argc
cd abel || exit 1
for f in abelcpl.out abelcpl.jed abelcpl.doc abelcpl.sim; do [ -e "$f" ] && echo "$f" >> ../../stale; done
printf 'ABEL listing\r\n\r\nno errors\n' > abelcpl.out
printf 'new jed' > abelcpl.jed
printf '%s\n' 'doc preamble' '|           -----           |' ' in |  1   20 | vcc' '|                           |' '`---' 'after' > abelcpl.doc
printf 'sim' > abelcpl.sim
)";

// A design with errors: only the listing comes out.
const char* const kFailingEmulator = R"(cd abel || exit 1
printf 'line 3: syntax error\n1 error\n' > abelcpl.out
)";

const char* const kDesign = "MODULE m\nchip DEVICE 'P16V8';\nEND\n";

TEST(CompileAbel, SuccessfulCompileCopiesEveryOutputBesideTheDesign) {
    CompileBench b;
    b.SetEmulator(kCompilingEmulator);
    const fs::path designs = b.root / "designs";
    WriteFile(designs / "counter.abl", kDesign);
    WriteFile(designs / "counter.jed", "old jed");
    for (const char* ext : {".out", ".jed", ".doc", ".sim"}) WriteFile(b.Work(ext), "stale");
    b.window.logLines = {"earlier line"};

    EXPECT_EQ(CompileAbel(b.state, (designs / "counter.abl").string()), 1);

    EXPECT_EQ(ReadFile(b.cwd / "ran-in"), (b.cwd / "vDosPlus").string() + "\n");
    EXPECT_EQ(ReadFile(b.cwd / "argc"), "0\n");
    EXPECT_FALSE(fs::exists(b.cwd / "stale")) << ReadFile(b.cwd / "stale");
    // The listing replaces the log as it stands, with no kind lines of its own.
    EXPECT_EQ(b.window.logLines, (Lines{"ABEL listing", "", "no errors"}));
    EXPECT_EQ(ReadFile(designs / "counter.jed"), "new jed");
    EXPECT_EQ(ReadFile(designs / "counter.out"), ReadFile(b.Work(".out")));
    EXPECT_EQ(ReadFile(designs / "counter.doc"), ReadFile(b.Work(".doc")));
    EXPECT_EQ(ReadFile(designs / "counter.sim"), "sim");
    EXPECT_FALSE(fs::exists(designs / "counter.jed.part"));

    // What the Compile command shows next: the drawing of the documentation beside the design.
    b.window.logLines.clear();
    b.state.currentDesignPath = (designs / "counter.abl").string();
    ShowDesignDocumentation(b.state);
    EXPECT_EQ(b.window.logLines, (Lines{std::string(25, ' ') + " ___________     ___________",
                                        std::string(25, ' ') + "|           \\___/           |",
                                        " in |  1   20 | vcc",
                                        std::string(25, ' ') + "|___________________________|"}));
}

TEST(CompileAbel, FailingCompileLeavesTheListingAndTheOlderFuseFile) {
    CompileBench b;
    b.SetEmulator(kFailingEmulator);
    const fs::path design = b.root / "broken.abl";
    WriteFile(design, kDesign);
    WriteFile(b.root / "broken.jed", "older jed");
    WriteFile(b.Work(".jed"), "jed of an earlier run");

    EXPECT_EQ(CompileAbel(b.state, design.string()), 0);

    EXPECT_EQ(b.window.logLines, (Lines{"line 3: syntax error", "1 error"}));
    EXPECT_EQ(ReadFile(b.root / "broken.jed"), "older jed");
    EXPECT_EQ(ReadFile(b.root / "broken.out"), "line 3: syntax error\n1 error\n");
}

TEST(CompileAbel, FailuresLogTheirMessageAndAnswerZero) {
    struct Case {
        const char* name;
        std::function<std::string(CompileBench&)> setUp;  // answers the design path
        Lines log;
    };
    auto design = [](CompileBench& b) {
        WriteFile(b.root / "d.abl", kDesign);
        return (b.root / "d.abl").string();
    };
    const Case cases[] = {
        {"empty path", [](CompileBench&) { return std::string(); }, {}},
        {"design missing", [](CompileBench& b) { return (b.root / "none.abl").string(); },
         {"ERROR: Can't open ABEL design file!"}},
        {"design is a folder", [](CompileBench& b) { return b.root.string(); },
         {"ERROR: Can't open ABEL design file!"}},
        {"no working folder",
         [&](CompileBench& b) {
             fs::remove_all(b.cwd / "vDosPlus");
             return design(b);
         },
         {"ERROR: Can't duplicate ABEL design file!"}},
        {"emulator missing", design, {"ERROR: Can't start vDosPlus"}},
        {"emulator not executable",
         [&](CompileBench& b) {
             WriteFile(b.Emulator(), "#!/bin/sh\nexit 0\n");
             return design(b);
         },
         {"ERROR: Can't start vDosPlus"}},
        {"emulator of no known kind",
         [&](CompileBench& b) {
             WriteScript(b.Emulator(), "");
             WriteFile(b.Emulator(), "plain text");
             return design(b);
         },
         {"ERROR: Can't start vDosPlus"}},
        {"emulator leaves no listing",
         [&](CompileBench& b) {
             b.SetEmulator("printf 'x' > abel/abelcpl.jed\n");
             return design(b);
         },
         {"ERROR: Can't open compiler output file!"}},
    };
    for (const auto& c : cases) {
        CompileBench b;
        const std::string path = c.setUp(b);
        EXPECT_EQ(CompileAbel(b.state, path), 0) << c.name;
        EXPECT_EQ(b.window.logLines, c.log) << c.name;
        EXPECT_FALSE(fs::exists(b.root / "d.jed")) << c.name;
    }
}

// Runs the design through a compile whose emulator is missing and answers the working design.
std::string WorkingDesignOf(const std::string& design) {
    CompileBench b;
    WriteFile(b.root / "d.abl", design);
    CompileAbel(b.state, (b.root / "d.abl").string());
    EXPECT_EQ(b.window.logLines, (Lines{"ERROR: Can't start vDosPlus"}));
    return ReadFile(b.Work(".abl"));
}

TEST(CompileAbel, WorkingDesignTakesTheWorkNameWithCrLfLineEnds) {
    struct Case {
        const char* name;
        std::string design;
        std::string working;
    };
    const Case cases[] = {
        {"comments before a lower-case module line dropped, device line renamed",
         "\" counter\n\"  by me\nmodule counter flag '-r3'\ntitle 'x'\nchip1 device 'P16V8';\nequations\n",
         "MODULE abelcpl\r\ntitle 'x'\r\nabelcpl DEVICE 'P16V8';\r\nequations\r\n"},
        {"first DEVICE after the module line counts, also in a comment",
         "MODULE m\n\" this Device is a counter\nchip1 DEVICE 'P22V10';\n",
         "MODULE abelcpl\r\nabelcpl DEVICE is a counter\r\nchip1 DEVICE 'P22V10';\r\n"},
        {"DEVICE and MODULE inside longer words", "\"SUBMODULES\nDEVICES: one\nc DEVICE 'x';",
         "MODULE abelcpl\r\nabelcpl DEVICES: one\r\nc DEVICE 'x';\r\n"},
        {"DEVICE on the module line is not the device line", "MODULE m DEVICE\nx\n", "MODULE abelcpl\r\nx\r\n"},
        {"no module line", "title 'x'\nchip DEVICE 'P16V8';\n", ""},
        {"no device line", "MODULE m\na\n\nb", "MODULE abelcpl\r\na\r\n\r\nb\r\n"},
        {"CR LF design gets no doubled CR", "\xEF\xBB\xBFMODULE m\r\nc DEVICE 'P16V8';\r\nEND\r\n",
         "MODULE abelcpl\r\nabelcpl DEVICE 'P16V8';\r\nEND\r\n"},
        {"non-ASCII text passes unchanged", "MODULE m\n\" Zähler für µC\n", "MODULE abelcpl\r\n\" Zähler für µC\r\n"},
    };
    for (const auto& c : cases) EXPECT_EQ(WorkingDesignOf(c.design), c.working) << c.name;
}

TEST(CompileAbel, DesignInsideTheWorkingFolderIsReadBeforeItIsReplaced) {
    CompileBench b;
    b.SetEmulator(kCompilingEmulator);
    WriteFile(b.Work(".abl"), "MODULE abelcpl\nc DEVICE 'P16V8';\n");

    EXPECT_EQ(CompileAbel(b.state, b.Work(".abl").string()), 1);
    EXPECT_EQ(ReadFile(b.Work(".abl")), "MODULE abelcpl\r\nabelcpl DEVICE 'P16V8';\r\n");
    EXPECT_EQ(ReadFile(b.Work(".jed")), "new jed");
}

TEST(CompileAbel, PathsWithBlanksQuotesNonAsciiAndLeadingDashes) {
    CompileBench b("-cwd with 'single' \"double\" Grüße $HOME *");
    b.SetEmulator(kCompilingEmulator);
    const fs::path design = b.root / "-designs 'q' ü" / "-my \"design\".abl";
    WriteFile(design, kDesign);

    EXPECT_EQ(CompileAbel(b.state, design.string()), 1);
    EXPECT_EQ(ReadFile(b.cwd / "ran-in"), (b.cwd / "vDosPlus").string() + "\n");
    EXPECT_EQ(ReadFile(b.root / "-designs 'q' ü" / "-my \"design\".jed"), "new jed");
}

// Puts PATH back however the test ends.
class PathOverride {
public:
    explicit PathOverride(const std::string& path) {
        const char* old = std::getenv("PATH");
        had_ = old != nullptr;
        if (had_) old_ = old;
        setenv("PATH", path.c_str(), 1);
    }
    ~PathOverride() {
        if (had_) {
            setenv("PATH", old_.c_str(), 1);
        } else {
            unsetenv("PATH");
        }
    }

private:
    bool had_ = false;
    std::string old_;
};

TEST(CompileAbel, WindowsEmulatorRunsUnderWineOnlyWhenWineIsThere) {
    CompileBench b;
    WriteFile(b.Emulator(), std::string("MZ\x90\0\3", 5));
    WriteFile(b.root / "d.abl", kDesign);
    {
        PathOverride path((b.root / "empty").string());
        EXPECT_EQ(CompileAbel(b.state, (b.root / "d.abl").string()), 0);
        EXPECT_EQ(b.window.logLines, (Lines{"ERROR: Can't start vDosPlus"}));
    }
    // A stand-in wine that records what it was asked to run and compiles.
    WriteScript(b.root / "bin" / "wine",
                std::string("printf '%s\\n' \"$#\" \"$1\" > ../wine-args\n") + kCompilingEmulator);
    PathOverride path((b.root / "bin").string() + ":" + std::getenv("PATH"));
    EXPECT_EQ(CompileAbel(b.state, (b.root / "d.abl").string()), 1);
    EXPECT_EQ(ReadFile(b.cwd / "wine-args"), "1\n" + b.Emulator().string() + "\n");
    EXPECT_EQ(ReadFile(b.root / "d.jed"), "new jed");
}

TEST(CompileAbel, WindowIsServicedWhileTheEmulatorRuns) {
    CompileBench b;
    // Waits up to 10 s for a sign that the window was serviced meanwhile.
    b.SetEmulator(R"(i=0
while [ ! -e ../serviced ] && [ $i -lt 1000 ]; do sleep 0.01; i=$((i+1)); done
cd abel
if [ -e ../../serviced ]; then echo serviced > abelcpl.out; else echo frozen > abelcpl.out; fi
)");
    WriteFile(b.root / "d.abl", kDesign);
    b.window.onService = [&b] { WriteFile(b.cwd / "serviced", ""); };

    CompileAbel(b.state, (b.root / "d.abl").string());
    EXPECT_EQ(b.window.logLines, (Lines{"serviced"}));
}

}  // namespace
}  // namespace vostrel
