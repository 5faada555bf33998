// Open and Save through the window: the toolbar and the menu, the dispatcher, the file operations and
// what the user then sees in the panes, the status fields and on disk.

#include <QTest>

#include <filesystem>
#include <string>

#include "WindowBench.h"
#include "fuses/FileSelection.h"

using vostrel::Pane;
using vostrel::test::ReadBytes;
using vostrel::test::ScratchDir;
using vostrel::test::WindowBench;

namespace {

enum : int { MenuOpen = 16, MenuSaveAs = 17, ButtonOpen = 27, ButtonSave = 28 };

const std::string kFixtures = VOSTREL_FIXTURES "/ui/";

std::string CurrentDir() { return std::filesystem::current_path().string() + "/"; }

}  // namespace

class OpenSaveTest : public QObject {
    Q_OBJECT

    // Opens a fixture through the Open button and checks that the command got as far as the view.
    static void Open(WindowBench& b, const std::string& path) {
        b.dialogs.ThenFile("open", path);
        b.Click(ButtonOpen);
        QVERIFY(b.dialogs.AllUsed());
    }

private slots:
    void openShowsTheFuses_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("viaMenu");
        QTest::addColumn<int>("lineCount");
        QTest::addColumn<QString>("firstLine");
        QTest::addColumn<QString>("lastLine");
        QTest::addColumn<QString>("device");
        QTest::addColumn<QString>("ues");
        QTest::addColumn<QString>("matchLine");

        // 2194 fuses in rows of 32: the last row holds the 18 architecture fuses.
        QTest::newRow("GAL16V8, button") << "gal16v8.jed" << false << 69
                                         << "L00000 10110011100011110000111110000011" << "L02176 110000000000000011"
                                         << "GAL16V8" << "UES: Vostrel!" << "2194 fuses match GAL16V8";
        // 5892 fuses in rows of 44: the last row is the tail of the user signature "22V10 ok".
        QTest::newRow("GAL22V10, menu") << "gal22v10.jed" << true << 134
                                        << "L00000 11100000000000000000000000000000000000000111"
                                        << "L05852 0011000100110000001000000110111101101011"
                                        << "GAL22V10" << "UES: 22V10 ok" << "5892 fuses match GAL22V10";
    }

    void openShowsTheFuses() {
        QFETCH(QString, file);
        QFETCH(bool, viaMenu);
        QFETCH(int, lineCount);
        QFETCH(QString, firstLine);
        QFETCH(QString, lastLine);
        QFETCH(QString, device);
        QFETCH(QString, ues);
        QFETCH(QString, matchLine);

        WindowBench b;
        const std::string path = kFixtures + file.toStdString();
        b.dialogs.ThenFile("open", path);
        if (viaMenu) b.Choose(MenuOpen);
        else b.Click(ButtonOpen);

        QVERIFY2(b.dialogs.problems.empty(), b.dialogs.Problems().c_str());
        QCOMPARE(b.dialogs.asked.size(), std::size_t(1));
        QCOMPARE(b.dialogs.asked[0].title, std::string("Open"));
        QCOMPARE(b.dialogs.asked[0].patterns, std::string(vostrel::kFilePatterns));
        QCOMPARE(b.dialogs.asked[0].patternIndex, 0);

        const QStringList fuses = b.Lines(Pane::Fuse);
        QCOMPARE(fuses.size(), lineCount);
        QCOMPARE(fuses.first(), firstLine);
        QCOMPARE(fuses.last(), lastLine);
        QCOMPARE(b.Status(0), device);
        QCOMPARE(b.Status(1), ues);
        // No checksum warning: the files carry their true checksums.
        QCOMPARE(b.Lines(Pane::Log), QStringList({"Parsing file: " + file,
                                                  QString::fromStdString("Path: " + kFixtures), matchLine,
                                                  ">>> done <<<"}));
        QCOMPARE(b.state.currentDesignPath, path);
    }

    void aFileOfNoKnownTypeIsRefusedAndClearsTheView() {
        WindowBench b;
        Open(b, kFixtures + "gal16v8.jed");
        QCOMPARE(b.Lines(Pane::Fuse).size(), 69);

        Open(b, kFixtures + "fuses1000.jed");
        // The next dialog starts where the last file was chosen.
        QCOMPARE(b.dialogs.asked[1].text, kFixtures);
        QCOMPARE(b.Lines(Pane::Fuse), QStringList());
        QCOMPARE(b.Status(0), QString());
        QCOMPARE(b.Status(1), QString());
        QCOMPARE(b.Lines(Pane::Log),
                 QStringList({"Parsing file: fuses1000.jed", QString::fromStdString("Path: " + kFixtures), "ERROR!",
                              "1000 fuses don't match any GAL", ">>> done <<<"}));
    }

    void aSavedFileOpensToTheSameView() {
        WindowBench b;
        ScratchDir dir("vostrel-ui-save");
        Open(b, kFixtures + "gal22v10.jed");
        const QStringList shown = b.Lines(Pane::Fuse);

        b.dialogs.ThenFile("save", dir.Path("copy"), 0);
        b.Click(ButtonSave);
        QVERIFY(b.dialogs.AllUsed());
        const auto& save = b.dialogs.asked.back();
        QCOMPARE(save.kind, std::string("save"));
        QCOMPARE(save.title, std::string("Save as"));
        QCOMPARE(save.text, CurrentDir());  // nothing saved yet in this run
        QCOMPARE(save.extra, std::string());
        QCOMPARE(save.patternIndex, 0);
        QCOMPARE(b.Lines(Pane::Log).last(), QStringLiteral(">>> done <<<"));
        QVERIFY(std::filesystem::is_regular_file(dir.Path("copy.jed")));
        QCOMPARE(dir.EntryCount(), std::size_t(1));  // no temporary left behind

        // Into another window, so that nothing of the first run's state can help.
        WindowBench fresh;
        Open(fresh, dir.Path("copy.jed"));
        QCOMPARE(fresh.Lines(Pane::Fuse), shown);
        QCOMPARE(fresh.Status(0), QStringLiteral("GAL22V10"));
        QCOMPARE(fresh.Status(1), QStringLiteral("UES: 22V10 ok"));
        QCOMPARE(fresh.Lines(Pane::Log),
                 QStringList({"Parsing file: copy.jed", QString::fromStdString("Path: " + dir.Dir()),
                              "5892 fuses match GAL22V10", ">>> done <<<"}));
    }

    void theSavedNameGetsJedOnlyWithTheJedecEntryAndNoExtension() {
        struct Case {
            const char* typed;
            int patternIndex;
            const char* written;
        };
        const Case cases[] = {
            {"bare", 0, "bare.jed"},
            {"bare", 2, "bare"},
            {"design.txt", 0, "design.txt"},
            {"v1.2/../chip", 0, "chip.jed"},  // the dot of a folder is no extension
        };
        WindowBench b;
        ScratchDir dir("vostrel-ui-names");
        std::filesystem::create_directory(dir.path() / "v1.2");
        Open(b, kFixtures + "gal16v8.jed");
        for (const Case& c : cases) {
            b.dialogs.ThenFile("save", dir.Path(c.typed), c.patternIndex);
            b.Choose(MenuSaveAs);
            QVERIFY2(b.dialogs.problems.empty(), c.typed);
            QVERIFY2(ReadBytes(dir.Path(c.written)).rfind("\x02\r\nThis is a JEDEC compatible fuse file.", 0) == 0,
                     c.written);
        }
        // Four files and the folder: nothing else was written.
        QCOMPARE(dir.EntryCount(), std::size_t(5));
    }

    void replacingAFileAsksFirstAndNoKeepsIt() {
        WindowBench b;
        ScratchDir dir("vostrel-ui-replace");
        const std::string target = dir.Write("keep.jed", "older file");
        Open(b, kFixtures + "gal16v8.jed");

        // No: the dialog comes again, from the same folder; then the user gives up.
        b.dialogs.ThenFile("save", dir.Path("keep"), 0).ThenQuestion(false).ThenFile("save", "", 0);
        b.Click(ButtonSave);
        QVERIFY(b.dialogs.AllUsed());
        QVERIFY(b.dialogs.problems.empty());
        const auto& question = b.dialogs.asked[2];
        QCOMPARE(question.kind, std::string("question"));
        QCOMPARE(question.title, std::string("File already exists"));
        QCOMPARE(question.text, std::string("Replace \"keep.jed\"?"));
        QCOMPARE(b.dialogs.asked[3].text, b.dialogs.asked[1].text);
        QCOMPARE(ReadBytes(target), std::string("older file"));
        const QStringList log = b.Lines(Pane::Log);
        QCOMPARE(log.mid(log.size() - 2), QStringList({"Save canceled", ">>> done <<<"}));

        // Yes: replaced by the view's data, and the next Save starts in that folder.
        b.dialogs.ThenFile("save", dir.Path("keep"), 0).ThenQuestion(true);
        b.Click(ButtonSave);
        QVERIFY(b.dialogs.AllUsed());
        QVERIFY(ReadBytes(target).find("L00000 10110011100011110000111110000011*\r\n") != std::string::npos);
        QCOMPARE(dir.EntryCount(), std::size_t(1));

        b.dialogs.ThenFile("save", "", 0);
        b.Click(ButtonSave);
        QCOMPARE(b.dialogs.asked.back().text, dir.Dir());
    }
};

QTEST_MAIN(OpenSaveTest)
#include "tst_OpenSave.moc"
