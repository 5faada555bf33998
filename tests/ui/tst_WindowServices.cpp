// The Qt window services: pane lines as the operations count them, status fields, boxes and the
// file dialogs with the program's pattern list.

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

#include "app/qt/MainWindow.h"
#include "app/qt/QtWindowServices.h"
#include "fuses/FileSelection.h"

using vostrel::Pane;
using vostrel::qt::MainWindow;
using vostrel::qt::QtWindowServices;

namespace {

// Runs `act` on the modal dialog of type T once it shows; the test then continues after exec().
template <typename T>
void WhenShown(std::function<void(T*)> act) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            act(dialog);
            // A dialog that refused the scripted answer must not hang the run.
            QTimer::singleShot(2000, dialog, [dialog] {
                if (dialog->isVisible()) QMetaObject::invokeMethod(dialog, "reject");
            });
        }
    });
    timer->start();
}

}  // namespace

class WindowServicesTest : public QObject {
    Q_OBJECT

private slots:
    void paneLinesCountAsTheOperationsWroteThem() {
        MainWindow w;
        QtWindowServices s(w);
        s.AppendLine(Pane::Fuse, "");
        s.AppendLine(Pane::Fuse, "L0000 0101");
        s.AppendLine(Pane::Fuse, "a\r\nb\rc\nd");
        QCOMPARE(s.FuseLineCount(), 6);
        QCOMPARE(s.FuseLine(0), std::string());
        QCOMPARE(s.FuseLine(1), std::string("L0000 0101"));
        QCOMPARE(s.FuseLine(5), std::string("d"));
        QCOMPARE(s.FuseLine(6), std::string());
        QCOMPARE(s.FuseLine(-1), std::string());
        QCOMPARE(w.pane(Pane::Fuse)->toPlainText(), QStringLiteral("\nL0000 0101\na\nb\nc\nd"));
        s.AppendLine(Pane::Log, "\xC3\x84 UTF-8");
        QCOMPARE(w.pane(Pane::Log)->toPlainText(), QString::fromUtf8("\xC3\x84 UTF-8"));
        s.ClearPane(Pane::Fuse);
        QCOMPARE(s.FuseLineCount(), 0);
        s.AppendLine(Pane::Fuse, "x");
        QCOMPARE(w.pane(Pane::Fuse)->toPlainText(), QStringLiteral("x"));
        QCOMPARE(s.LineCount(Pane::Log), 1);
    }

    void scrollingShowsTheLastLine() {
        MainWindow w;
        QtWindowServices s(w);
        for (int i = 0; i < 400; ++i) s.AppendLine(Pane::Log, "line " + std::to_string(i));
        s.ScrollLogToEnd();
        QScrollBar* bar = w.pane(Pane::Log)->verticalScrollBar();
        QVERIFY(bar->maximum() > 0);
        QCOMPARE(bar->value(), bar->maximum());
    }

    void statusFieldsAndProgress() {
        MainWindow w;
        QtWindowServices s(w);
        s.SetStatusText(0, "GAL16V8");
        s.SetStatusText(1, "UES: ABC");
        s.SetStatusText(2, "ignored");
        s.SetStatusText(-1, "ignored");
        QCOMPARE(w.statusField(0)->text(), QStringLiteral("GAL16V8"));
        QCOMPARE(w.statusField(1)->text(), QStringLiteral("UES: ABC"));
        const std::pair<int, int> cases[] = {{37, 37}, {100, 100}, {140, 100}, {-5, 0}};
        for (auto [given, shown] : cases) {
            s.SetProgress(given);
            QCOMPARE(w.progressBar()->value(), shown);
        }
    }

    void patternListBecomesNameFilters() {
        const QStringList filters = vostrel::qt::NameFilters(vostrel::kFilePatterns);
        QCOMPARE(filters, QStringList({QStringLiteral("JEDEC file (*.jed) (*.jed)"),
                                       QStringLiteral("ABEL file (*.abl) (*.abl)"),
                                       QStringLiteral("all files (*.*) (*)")}));
        QCOMPARE(vostrel::qt::NameFilters("Both|*.jed;*.abl"), QStringList({QStringLiteral("Both (*.jed *.abl)")}));
        QCOMPARE(vostrel::qt::NameFilters("dangling"), QStringList({QStringLiteral("all files (*)")}));
    }

    void openDialogStartsWhereAskedAndLeavesTheCurrentDirectory() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        for (const char* name : {"x.jed", "x.abl"}) {
            QFile f(dir.filePath(QString::fromUtf8(name)));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        const QString cwd = QDir::currentPath();
        MainWindow w;
        QtWindowServices s(w);
        QString shownFilter, shownDir, shownTitle;
        WhenShown<QFileDialog>([&](QFileDialog* d) {
            shownFilter = d->selectedNameFilter();
            shownDir = d->directory().absolutePath();
            shownTitle = d->windowTitle();
            d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(QStringLiteral("x.abl"));
            QMetaObject::invokeMethod(d, "accept");
        });
        const auto answer = s.OpenFileDialog("Open", dir.path().toStdString() + "/", vostrel::kFilePatterns, 1);
        QCOMPARE(shownTitle, QStringLiteral("Open"));
        QCOMPARE(shownFilter, QStringLiteral("ABEL file (*.abl)"));
        QCOMPARE(shownDir, QDir(dir.path()).absolutePath());
        QCOMPARE(QString::fromStdString(answer.path), dir.filePath(QStringLiteral("x.abl")));
        QCOMPARE(answer.patternIndex, 1);
        QCOMPARE(QDir::currentPath(), cwd);

        WhenShown<QFileDialog>([](QFileDialog* d) { d->reject(); });
        const auto cancelled = s.OpenFileDialog("Open", dir.path().toStdString() + "/", vostrel::kFilePatterns, 0);
        QVERIFY(cancelled.path.empty());
    }

    void saveDialogReturnsTheTypedNameAndTheChosenPattern() {
        QTemporaryDir dir;
        MainWindow w;
        QtWindowServices s(w);
        // A name of the full 260 characters the program promises to take.
        const QString name = QString(260 - dir.path().size() - 1, QLatin1Char('n'));
        WhenShown<QFileDialog>([&](QFileDialog* d) {
            d->selectNameFilter(QStringLiteral("all files (*.*) (*)"));
            // As the user types it (selectFile leaves a focused name field alone).
            d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(name);
            QMetaObject::invokeMethod(d, "accept");
        });
        const auto answer = s.SaveFileDialog("Save as", dir.path().toStdString() + "/", "", vostrel::kFilePatterns, 0);
        QCOMPARE(QString::fromStdString(answer.path), dir.filePath(name));
        QCOMPARE(answer.path.size(), std::size_t(260));
        QCOMPARE(answer.patternIndex, 2);
    }

    void questionBoxDefaultsToNoWithAWarning() {
        MainWindow w;
        QtWindowServices s(w);
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QString text;
        WhenShown<QMessageBox>([&](QMessageBox* box) {
            icon = box->icon();
            text = box->text();
            QCOMPARE(box->defaultButton(), box->button(QMessageBox::No));
            QTest::keyClick(box, Qt::Key_Return);
        });
        QVERIFY(!s.QuestionBox("File already exists", "Replace \"x.jed\"?"));
        QCOMPARE(icon, QMessageBox::Warning);
        QCOMPARE(text, QStringLiteral("Replace \"x.jed\"?"));
        WhenShown<QMessageBox>([](QMessageBox* box) { box->button(QMessageBox::Yes)->click(); });
        QVERIFY(s.QuestionBox("File already exists", "Replace \"x.jed\"?"));
    }

    void messageBoxShowsCrLfAsLinesAndInputBoxAnswersEmptyWhenCancelled() {
        MainWindow w;
        QtWindowServices s(w);
        QString text, title;
        WhenShown<QMessageBox>([&](QMessageBox* box) {
            text = box->text();
            title = box->windowTitle();
            box->accept();
        });
        s.MessageBox("Vostrel", "Version 1.1\r\nBuilt: 01.02.2024");
        QCOMPARE(title, QStringLiteral("Vostrel"));
        QCOMPARE(text, QStringLiteral("Version 1.1\nBuilt: 01.02.2024"));

        WhenShown<QDialog>([](QDialog* d) {
            QCOMPARE(d->findChild<QLineEdit*>()->text(), QStringLiteral("old"));
            d->reject();
        });
        QCOMPARE(s.InputBox("UES", "New UES", "old"), std::string());
        WhenShown<QDialog>([](QDialog* d) {
            d->findChild<QLineEdit*>()->setText(QStringLiteral("typed"));
            d->accept();
        });
        QCOMPARE(s.InputBox("UES", "New UES", "old"), std::string("typed"));
    }

    void theTestHookAnswersInsteadOfShowing() {
        MainWindow w;
        QtWindowServices s(w);
        std::vector<std::string> kinds;
        s.dialogHook = [&](const vostrel::qt::DialogRequest& r) {
            kinds.push_back(r.kind);
            vostrel::qt::DialogReply reply;
            reply.yes = true;
            reply.text = "typed";
            reply.file = {"/tmp/x.jed", 0};
            return reply;
        };
        s.MessageBox("Vostrel", "x");
        QVERIFY(s.QuestionBox("t", "q"));
        QCOMPARE(s.InputBox("t", "p", "d"), std::string("typed"));
        QCOMPARE(s.OpenFileDialog("Open", "/", vostrel::kFilePatterns, 0).path, std::string("/tmp/x.jed"));
        QCOMPARE(kinds, (std::vector<std::string>{"message", "question", "input", "open"}));
    }
};

QTEST_MAIN(WindowServicesTest)
#include "tst_WindowServices.moc"
