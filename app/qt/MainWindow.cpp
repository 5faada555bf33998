#include "app/qt/MainWindow.h"

#include <QAction>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QResizeEvent>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <qdrawutil.h>

#include <algorithm>
#include <cmath>

#include "resources/Images.h"

namespace vostrel::qt {

namespace {

constexpr int kInnerWidth = 650;
constexpr int kSplitterX = 5;
constexpr int kHandleHeight = 7;
constexpr int kStartGap = 30;   // under the splitter as first laid out
constexpr int kResizeGap = 40;  // under the splitter after any size change

QIcon IconFrom(resources::Image which, int side) {
    const resources::DecodedImage image = resources::LoadImage(which);
    if (!image.Valid()) return {};
    const QImage wrapped(image.rgba.data(), image.width, image.height, image.width * 4,
                         QImage::Format_RGBA8888);
    // copy(): the decoded pixels go away with `image`.
    QImage pixels = wrapped.copy();
    if (side > 0) pixels = pixels.scaled(side, side, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return QIcon(QPixmap::fromImage(pixels));
}

// The bar between the panes: 7 pixels with a raised line across its middle.
class RaisedHandle : public QSplitterHandle {
public:
    using QSplitterHandle::QSplitterHandle;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const int y = height() / 2;
        qDrawShadeLine(&painter, 0, y, width(), y, palette(), false, 1, 0);
    }
};

class PaneSplitter : public QSplitter {
public:
    using QSplitter::QSplitter;

protected:
    QSplitterHandle* createHandle() override { return new RaisedHandle(orientation(), this); }
};

QPlainTextEdit* MakePane(QWidget* parent, bool wrap, const QFont& font) {
    auto* pane = new QPlainTextEdit(parent);
    pane->setReadOnly(true);
    pane->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    pane->setLineWrapMode(wrap ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
    pane->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    pane->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    pane->setTabChangesFocus(true);
    pane->setUndoRedoEnabled(false);
    pane->setFont(font);
    pane->setMinimumSize(0, 0);
    // Keep the selection visible when the pane loses the focus, so it can still be copied.
    QPalette palette = pane->palette();
    for (auto role : {QPalette::Highlight, QPalette::HighlightedText}) {
        palette.setColor(QPalette::Inactive, role, palette.color(QPalette::Active, role));
    }
    pane->setPalette(palette);
    return pane;
}

}  // namespace

QFont PaneFont() {
    QFont font;
    if (QFontDatabase::families().contains(QStringLiteral("Consolas"))) {
        font = QFont(QStringLiteral("Consolas"));
    } else {
        // The fuse lines only line up in a monospaced face: take the desktop's, and if the platform
        // has none to offer, the first fixed-pitch family installed.
        font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        font.setStyleHint(QFont::TypeWriter);
        if (!QFontInfo(font).fixedPitch()) {
            for (const QString& family : QFontDatabase::families()) {
                if (QFontDatabase::isFixedPitch(family)) {
                    font = QFont(family);
                    break;
                }
            }
        }
    }
    font.setPointSize(11);
    font.setWeight(QFont::Normal);
    font.setItalic(false);
    return font;
}

int InitialInnerHeight(int screenHeight) {
    return static_cast<int>(std::lround(0.7 * screenHeight));
}

MainWindow::MainWindow()
    : QMainWindow(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                               Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                               Qt::WindowCloseButtonHint) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect screenRect = screen != nullptr ? screen->geometry() : QRect(0, 0, 1024, 768);
    const int innerHeight = InitialInnerHeight(screenRect.height());

    setWindowTitle(QStringLiteral("Vostrel"));
    setWindowIcon(IconFrom(resources::Image::Icon, 0));
    setAttribute(Qt::WA_AlwaysShowToolTips);
    // The menu belongs inside the window: its height is part of the inner height the layout uses.
    menuBar()->setNativeMenuBar(false);
    resize(kInnerWidth, innerHeight);

    BuildMenus();
    BuildToolBar();
    BuildStatusBar();
    BuildPanes(innerHeight);
    lastSize_ = size();

    const int x = std::max(0, screenRect.x() + (screenRect.width() - kInnerWidth) / 2);
    const int y = std::max(0, screenRect.y() + (screenRect.height() - innerHeight) / 2);
    move(x, y);
    show();
    // Now the frame is known: centre the whole window, not just its inside.
    const QRect frame = frameGeometry();
    const int dx = std::max(screenRect.x(), screenRect.x() + (screenRect.width() - frame.width()) / 2) - frame.x();
    const int dy = std::max(screenRect.y(), screenRect.y() + (screenRect.height() - frame.height()) / 2) - frame.y();
    if (dx != 0 || dy != 0) move(pos() + QPoint(dx, dy));
}

QAction* MainWindow::AddCommand(QWidget* owner, int id, const QString& text) {
    auto* act = new QAction(text, owner);
    act->setData(id);
    connect(act, &QAction::triggered, this, [this, id] { RunCommand(id); });
    actions_.emplace_back(id, act);
    return act;
}

QAction* MainWindow::action(int id) const {
    for (const auto& [actionId, act] : actions_) {
        if (actionId == id) return act;
    }
    return nullptr;
}

void MainWindow::BuildMenus() {
    QMenuBar* bar = menuBar();
    QMenu* file = bar->addMenu(QStringLiteral("File"));
    file->addAction(AddCommand(file, 16, QStringLiteral("Open...")));
    file->addAction(AddCommand(file, 17, QStringLiteral("Save As...")));
    QMenu* device = bar->addMenu(QStringLiteral("Device"));
    device->addAction(AddCommand(device, 19, QStringLiteral("Set User Signature")));
    device->addAction(AddCommand(device, 20, QStringLiteral("Copy PES")));
    device->addAction(AddCommand(device, 22, QStringLiteral("Enable Security feature")));
    device->addSeparator();
    device->addAction(AddCommand(device, 21, QStringLiteral("Disable ATMEL PD feature")));
    device->addAction(AddCommand(device, 23, QStringLiteral("ATMEL Conditioning")));
    QMenu* tools = bar->addMenu(QStringLiteral("Tools"));
    tools->addAction(AddCommand(tools, 24, QStringLiteral("Supply test")));
    QMenu* help = bar->addMenu(QStringLiteral("?"));
    help->addAction(AddCommand(help, 26, QStringLiteral("Supported Devices")));
    help->addAction(AddCommand(help, 25, QStringLiteral("About")));
}

void MainWindow::BuildToolBar() {
    toolBar_ = new QToolBar(this);
    toolBar_->setMovable(false);
    toolBar_->setFloatable(false);
    toolBar_->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    toolBar_->setIconSize(QSize(24, 24));
    toolBar_->setContextMenuPolicy(Qt::PreventContextMenu);
    toolBar_->toggleViewAction()->setEnabled(false);
    addToolBar(Qt::TopToolBarArea, toolBar_);
    setContextMenuPolicy(Qt::NoContextMenu);

    // Decoded once; the five chip buttons share one picture.
    const QIcon compile = IconFrom(resources::Image::Compile, 24);
    const QIcon device = IconFrom(resources::Image::Device, 24);
    const QIcon open = IconFrom(resources::Image::Open, 24);
    const QIcon save = IconFrom(resources::Image::Save, 24);

    struct Button {
        int id;
        const char* caption;
        const char* tip;
        const QIcon* icon;
    };
    const Button buttons[] = {
        {27, "Open", "Open JEDEC fuse file", &open},
        {28, "Save", "Safe as JEDEC fuse file", &save},
        {0, nullptr, nullptr, nullptr},
        {29, "Compile", "Compile & Program", &compile},
        {0, nullptr, nullptr, nullptr},
        {30, "Read", "Read GAL", &device},
        {31, "Program", "Program GAL", &device},
        {32, "Verify", "Verify GAL", &device},
        {33, "Erase", "Erase GAL", &device},
        {34, "Info", "Pinout & OLMC configuration", &device},
    };
    for (const Button& b : buttons) {
        if (b.id == 0) {
            toolBar_->addSeparator();
            continue;
        }
        QAction* act = AddCommand(toolBar_, b.id, QString::fromUtf8(b.caption));
        act->setIcon(*b.icon);
        // Set explicitly: a tooltip derived from the caption would treat "&" as a mnemonic.
        act->setToolTip(QString::fromUtf8(b.tip));
        toolBar_->addAction(act);
    }
}

void MainWindow::BuildStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setMinimumHeight(18);
    deviceField_ = new QLabel(bar);
    uesField_ = new QLabel(bar);
    progress_ = new QProgressBar(bar);
    progress_->setRange(0, 100);
    progress_->setValue(0);
    progress_->setTextVisible(false);
    // Ignored width: the three fields split the bar equally whatever their texts.
    for (QWidget* field : {static_cast<QWidget*>(deviceField_), static_cast<QWidget*>(uesField_),
                           static_cast<QWidget*>(progress_)}) {
        field->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        field->setMinimumWidth(0);
        bar->addWidget(field, 1);
    }
}

void MainWindow::BuildPanes(int innerHeight) {
    auto* central = new QWidget(this);
    setCentralWidget(central);
    const QFont font = PaneFont();
    splitter_ = new PaneSplitter(Qt::Vertical, central);
    splitter_->setHandleWidth(kHandleHeight);
    splitter_->setOpaqueResize(true);
    fusePane_ = MakePane(splitter_, false, font);
    logPane_ = MakePane(splitter_, true, font);
    splitter_->addWidget(fusePane_);
    splitter_->addWidget(logPane_);
    splitter_->setChildrenCollapsible(true);
    connect(splitter_, &QSplitter::splitterMoved, this, [this] {
        if (splitter_->height() > 0) lowerShare_ = double(splitter_->sizes().value(1)) / splitter_->height();
    });

    // The bars' heights are only known once the layout has placed them.
    if (layout() != nullptr) layout()->activate();
    const int height = innerHeight - toolBar_->height() - statusBar()->height() - kStartGap;
    PlaceSplitter(kInnerWidth - 2 * kSplitterX, height);
    const int room = std::max(0, splitter_->height() - kHandleHeight);
    const int lower = room / 2;
    splitter_->setSizes({room - lower, lower});
    lowerShare_ = splitter_->height() > 0 ? double(lower) / splitter_->height() : 0.5;
}

void MainWindow::PlaceSplitter(int width, int height) {
    // The inner area starts under the menu bar; the splitter sits just under the toolbar.
    const int menuHeight = menuWidget() != nullptr ? menuWidget()->height() : 0;
    const QPoint topLeft = centralWidget()->mapFrom(this, QPoint(kSplitterX, menuHeight + toolBar_->height()));
    // A tiny window would give negative sizes; the panes then simply vanish.
    splitter_->setGeometry(topLeft.x(), topLeft.y(), std::max(0, width), std::max(0, height));
}

QRect MainWindow::SplitterRect() const {
    const int menuHeight = menuWidget() != nullptr ? menuWidget()->height() : 0;
    const QPoint inWindow = splitter_->mapTo(this, QPoint(0, 0));
    return QRect(inWindow.x(), inWindow.y() - menuHeight, splitter_->width(), splitter_->height());
}

void MainWindow::ResizePanes() {
    const int height = this->height() - toolBar_->height() - statusBar()->height() - kResizeGap;
    PlaceSplitter(width() - 2 * kSplitterX, height);
    // The lower pane keeps its share of the splitter, as the user last left it.
    const int total = splitter_->height();
    const int lower = std::clamp(static_cast<int>(std::lround(lowerShare_ * total)), 0,
                                 std::max(0, total - kHandleHeight));
    splitter_->setSizes({std::max(0, total - kHandleHeight - lower), lower});
}

void MainWindow::RunCommand(int id) {
    if (gate_.Busy() || !handler_) return;
    BusyGuard guard(gate_);
    handler_(id);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (gate_.Busy()) {
        event->ignore();
        return;
    }
    event->accept();
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    if (isMinimized() || event->size() == lastSize_) return;
    lastSize_ = event->size();
    ResizePanes();
}

}  // namespace vostrel::qt
