#pragma once
// The real window, its services and the dispatcher wired as the program wires them, with no unit on
// the line. Dialogs are answered from a script through the services' test hook, so a command runs
// from the click to its closing log line exactly as a user would see it.

#include <QAction>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTest>
#include <QToolBar>

#include <deque>
#include <string>
#include <vector>

#include "app/Dispatcher.h"
#include "app/RunState.h"
#include "app/qt/MainWindow.h"
#include "app/qt/QtWindowServices.h"
#include "support/OfflineBench.h"

namespace vostrel::test {

// Answers dialogs in order. A dialog nobody scripted, or of another kind than scripted, is noted and
// answered as cancelled, so that a wrong turn in the product ends the command instead of looping.
class DialogScript {
public:
    explicit DialogScript(qt::QtWindowServices& services) {
        services.dialogHook = [this](const qt::DialogRequest& request) { return Answer(request); };
    }

    DialogScript& Then(const std::string& kind, qt::DialogReply reply) {
        answers_.push_back({kind, std::move(reply)});
        return *this;
    }
    DialogScript& ThenFile(const std::string& kind, const std::string& path, int patternIndex = 0) {
        qt::DialogReply reply;
        reply.file = {path, patternIndex};
        return Then(kind, reply);
    }
    DialogScript& ThenQuestion(bool yes) {
        qt::DialogReply reply;
        reply.yes = yes;
        return Then("question", reply);
    }

    std::vector<qt::DialogRequest> asked;
    std::vector<std::string> problems;  // unscripted or mismatched dialogs
    bool AllUsed() const { return answers_.empty(); }
    std::string Problems() const {
        std::string all;
        for (const std::string& p : problems) all += p + "; ";
        return all;
    }

private:
    struct Scripted {
        std::string kind;
        qt::DialogReply reply;
    };

    qt::DialogReply Answer(const qt::DialogRequest& request) {
        asked.push_back(request);
        if (answers_.empty()) {
            problems.push_back("unscripted " + request.kind + ": " + request.title);
            return {};
        }
        Scripted next = answers_.front();
        answers_.pop_front();
        if (next.kind != request.kind) {
            problems.push_back("expected " + next.kind + ", got " + request.kind + ": " + request.title);
            return {};
        }
        return next.reply;
    }

    std::deque<Scripted> answers_;
};

struct WindowBench {
    qt::MainWindow window;
    qt::QtWindowServices services{window};
    NoPort port;
    StillClock clock;
    RunState state{services, port, clock};
    DialogScript dialogs{services};

    WindowBench() {
        window.SetCommandHandler([this](int id) { RunCommandEvent(state, id); });
    }

    // A click on the toolbar button of a command; the command has run to its end on return.
    void Click(int id) { QTest::mouseClick(window.toolBar()->widgetForAction(window.action(id)), Qt::LeftButton); }
    // A menu item chosen.
    void Choose(int id) { window.action(id)->trigger(); }

    QStringList Lines(Pane pane) const {
        if (services.LineCount(pane) == 0) return {};
        return window.pane(pane)->toPlainText().split(QLatin1Char('\n'));
    }
    QString Status(int field) const { return window.statusField(field)->text(); }
};

inline QStringList ToQt(const std::vector<std::string>& lines) {
    QStringList out;
    for (const std::string& line : lines) out << QString::fromStdString(line);
    return out;
}

}  // namespace vostrel::test
