#pragma once
// The program's one window: menu bar, toolbar, the fuse pane over the log pane in a splitter, and the
// status bar with two text fields and the progress bar. Commands leave it by id through the handler
// set with SetCommandHandler; the busy gate drops those that arrive while one runs.

#include <QMainWindow>
#include <QSize>

#include <functional>
#include <utility>
#include <vector>

#include "app/WindowServices.h"
#include "app/qt/BusyGuard.h"

class QAction;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QSplitter;
class QToolBar;

namespace vostrel::qt {

// The pane face: "Consolas" where the machine has it, else the system's monospaced face; 11 points.
QFont PaneFont();

// Inner height of a new window: 70 % of the primary display's full height, rounded.
int InitialInnerHeight(int screenHeight);

class MainWindow : public QMainWindow {
public:
    // Builds everything and shows the window, centred on the primary screen.
    MainWindow();

    void SetCommandHandler(std::function<void(int)> handler) { handler_ = std::move(handler); }
    BusyGate& gate() { return gate_; }

    // Runs the handler for id unless a command is running or events are being serviced.
    void RunCommand(int id);

    // Refits the splitter to the window's inner size (called on every size change).
    void ResizePanes();

    QPlainTextEdit* pane(Pane which) const { return which == Pane::Fuse ? fusePane_ : logPane_; }
    QSplitter* splitter() const { return splitter_; }
    QToolBar* toolBar() const { return toolBar_; }
    QLabel* statusField(int field) const { return field == 0 ? deviceField_ : uesField_; }
    QProgressBar* progressBar() const { return progress_; }
    // The menu item or toolbar button of a command id (nullptr for an unknown id).
    QAction* action(int id) const;

    // The splitter's top-left corner and size, in the coordinates of the window's inner area (below
    // the menu bar), as the layout rules state them.
    QRect SplitterRect() const;

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void BuildMenus();
    void BuildToolBar();
    void BuildStatusBar();
    void BuildPanes(int innerHeight);
    void PlaceSplitter(int width, int height);
    QAction* AddCommand(QWidget* owner, int id, const QString& text);

    BusyGate gate_;
    std::function<void(int)> handler_;
    QToolBar* toolBar_ = nullptr;
    QLabel* deviceField_ = nullptr;
    QLabel* uesField_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QPlainTextEdit* fusePane_ = nullptr;
    QPlainTextEdit* logPane_ = nullptr;
    QSplitter* splitter_ = nullptr;
    std::vector<std::pair<int, QAction*>> actions_;
    QSize lastSize_;
    double lowerShare_ = 0.5;  // lower pane height / splitter height, kept across resizes
};

}  // namespace vostrel::qt
