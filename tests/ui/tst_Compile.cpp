// Compile through the window: the button, the design chosen in the dialog, a stand-in emulator under
// a current directory of the test's own, the fuse file opened from beside the design and the chip
// drawing in the log; then Info.

#include <QTest>

#include <filesystem>
#include <fstream>
#include <string>

#include "WindowBench.h"
#include "fuses/FileSelection.h"

using vostrel::Pane;
using vostrel::test::ReadBytes;
using vostrel::test::ScratchDir;
using vostrel::test::WindowBench;

namespace fs = std::filesystem;

namespace {

enum : int { ButtonOpen = 27, ButtonCompile = 29, ButtonInfo = 34 };

const std::string kFixtures = VOSTREL_FIXTURES "/ui/";

// Compiles anything: the listing, then a GAL16V8 fuse file and the documentation the test put beside
// the emulator.
const char* const kCompilingEmulator = R"(cd abel || exit 1
printf 'ABEL listing\r\nno errors\r\n' > abelcpl.out
cp ../compiled.jed abelcpl.jed && cp ../compiled.doc abelcpl.doc && printf 'sim' > abelcpl.sim
)";

// A design with errors: only the listing comes out.
const char* const kFailingEmulator = R"(cd abel || exit 1
printf 'line 3: syntax error\n1 error\n' > abelcpl.out
)";

const char* const kDesign = "MODULE counter\r\nchip DEVICE 'P16V8';\r\nEND\r\n";

void WriteFile(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// A current directory with an emulator folder for the test's lifetime; the old one comes back however
// the test ends.
class EmulatorDir {
public:
    EmulatorDir() : saved_(fs::current_path()), cwd_(root_.path() / "cwd") {
        fs::create_directories(cwd_ / "vDosPlus" / "abel");
        // As the program will see it, through any links in the temp dir's path.
        cwd_ = fs::canonical(cwd_);
        WriteFile(cwd_ / "vDosPlus" / "compiled.jed", ReadBytes(kFixtures + "gal16v8.jed"));
        WriteFile(cwd_ / "vDosPlus" / "compiled.doc", ReadBytes(kFixtures + "counter.doc"));
        fs::current_path(cwd_);
    }
    ~EmulatorDir() {
        std::error_code ignored;
        fs::current_path(saved_, ignored);
    }
    EmulatorDir(const EmulatorDir&) = delete;
    EmulatorDir& operator=(const EmulatorDir&) = delete;

    void SetEmulator(const std::string& body) const {
        const fs::path program = cwd_ / "vDosPlus" / "vDosPlus.exe";
        WriteFile(program, "#!/bin/sh\n" + body);
        fs::permissions(program, fs::perms::owner_all);
    }
    // A design in a folder of its own, apart from the emulator.
    std::string Design(const std::string& name) const {
        const fs::path path = root_.path() / "designs" / name;
        WriteFile(path, kDesign);
        return path.string();
    }
    std::string DesignDir() const { return (root_.path() / "designs").string() + "/"; }
    const fs::path& cwd() const { return cwd_; }

private:
    ScratchDir root_{"vostrel-ui-compile"};
    fs::path saved_;
    fs::path cwd_;
};

QStringList Drawing() {
    const QString indent(25, QLatin1Char(' '));
    return {indent + " ___________     ___________",
            indent + "|           \\___/           |",
            "                     clk|  1                    20  | Vcc",
            "                      up|  2                    19  |!q0",
            "                     GND| 10                    11  |!oe",
            indent + "|___________________________|"};
}

}  // namespace

class CompileTest : public QObject {
    Q_OBJECT

    static void Compile(WindowBench& b, const std::string& design) {
        b.dialogs.ThenFile("open", design, 1);
        b.Click(ButtonCompile);
        QVERIFY2(b.dialogs.problems.empty(), b.dialogs.Problems().c_str());
        QVERIFY(b.dialogs.AllUsed());
    }

private slots:
    void aCompileOpensItsFuseFileAndDrawsTheChip() {
        EmulatorDir env;
        env.SetEmulator(kCompilingEmulator);
        const std::string design = env.Design("counter.abl");
        WindowBench b;

        Compile(b, design);

        const auto& asked = b.dialogs.asked.front();
        QCOMPARE(asked.title, std::string("Open"));
        QCOMPARE(asked.text, env.cwd().string() + "/");
        QCOMPARE(asked.patterns, std::string(vostrel::kFilePatterns));
        QCOMPARE(asked.patternIndex, 1);  // ABEL designs first

        QCOMPARE(b.state.currentDesignPath, design);
        QCOMPARE(ReadBytes(env.DesignDir() + "counter.jed"), ReadBytes(kFixtures + "gal16v8.jed"));
        const QStringList fuses = b.Lines(Pane::Fuse);
        QCOMPARE(fuses.size(), 69);
        QCOMPARE(fuses.first(), QStringLiteral("L00000 10110011100011110000111110000011"));
        QCOMPARE(b.Status(0), QStringLiteral("GAL16V8"));
        QCOMPARE(b.Status(1), QStringLiteral("UES: Vostrel!"));
        // Opening the fuse file cleared the listing; the drawing follows the opening lines.
        QCOMPARE(b.Lines(Pane::Log), QStringList({"Parsing file: counter.jed",
                                                  QString::fromStdString("Path: " + env.DesignDir()),
                                                  "2194 fuses match GAL16V8"})
                                         + Drawing() + QStringList{">>> done <<<"});
        QVERIFY(fs::equivalent(fs::current_path(), env.cwd()));

        // Info: the same drawing again, then the report on the opened data (its two last fuses, SYN
        // and AC0, are set).
        const qsizetype before = b.Lines(Pane::Log).size();
        b.Click(ButtonInfo);
        const QStringList info = b.Lines(Pane::Log).mid(before);
        QCOMPARE(info.mid(0, 6), Drawing());
        QCOMPARE(info.value(6), QStringLiteral("Complex Mode; SYN=1, AC0=1"));
        const QStringList pinout = info.mid(7, info.size() - 8);
        QCOMPARE(pinout.size(), 13);  // two top lines, ten pin rows, the bottom line
        QCOMPARE(pinout.first(), QStringLiteral("        _____     _____"));
        QCOMPARE(pinout.last(), QStringLiteral("       |_______________|"));
        for (int left = 1; left <= 10; ++left) {
            const QString pins = QStringLiteral(" | %1         %2 | ").arg(left, 2).arg(21 - left, 2);
            QVERIFY2(pinout[left + 1].contains(pins), qPrintable(pinout[left + 1]));
        }
        QCOMPARE(info.last(), QStringLiteral(">>> done <<<"));
    }

    void aFailedCompileLeavesTheListingAndTheEarlierDesign() {
        EmulatorDir env;
        env.SetEmulator(kCompilingEmulator);
        const std::string good = env.Design("counter.abl");
        const std::string broken = env.Design("broken.abl");
        WriteFile(env.DesignDir() + "broken.jed", "older fuse file");
        WindowBench b;
        Compile(b, good);
        const QStringList fuses = b.Lines(Pane::Fuse);

        env.SetEmulator(kFailingEmulator);
        Compile(b, broken);

        QCOMPARE(b.Lines(Pane::Log), QStringList({"line 3: syntax error", "1 error", ">>> done <<<"}));
        QCOMPARE(b.state.currentDesignPath, good);
        QCOMPARE(ReadBytes(env.DesignDir() + "broken.jed"), std::string("older fuse file"));
        QVERIFY(!fs::exists(env.DesignDir() + "broken.doc"));
        // Nothing was opened: the view still shows the last good design.
        QCOMPARE(b.Lines(Pane::Fuse), fuses);
        QCOMPARE(b.Status(0), QStringLiteral("GAL16V8"));

        // Info still means the good design: its drawing, not the broken one's.
        b.Click(ButtonInfo);
        QCOMPARE(b.Lines(Pane::Log).mid(3, 6), Drawing());
    }

    void aCancelledCompileChangesNothing() {
        EmulatorDir env;
        env.SetEmulator("touch ../ran\n");
        WindowBench b;
        b.dialogs.ThenFile("open", kFixtures + "gal16v8.jed");
        b.Click(ButtonOpen);

        Compile(b, "");
        QCOMPARE(b.state.currentDesignPath, kFixtures + "gal16v8.jed");
        QVERIFY(!fs::exists(env.cwd() / "ran"));
        QCOMPARE(b.Lines(Pane::Log).last(), QStringLiteral(">>> done <<<"));
        QCOMPARE(b.Lines(Pane::Fuse).size(), 69);
    }
};

QTEST_MAIN(CompileTest)
#include "tst_Compile.moc"
