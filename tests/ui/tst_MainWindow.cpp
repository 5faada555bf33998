// The window as built: menus, toolbar, status bar, panes, and where the splitter goes on resizes.

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include "app/qt/MainWindow.h"
#include "resources/Images.h"

using vostrel::Pane;
using vostrel::qt::MainWindow;

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void innerHeightIsSeventyPercentOfTheScreenRounded() {
        QCOMPARE(vostrel::qt::InitialInnerHeight(1080), 756);
        QCOMPARE(vostrel::qt::InitialInnerHeight(768), 538);
        QCOMPARE(vostrel::qt::InitialInnerHeight(1024), 717);
    }

    void titleFrameAndInitialSize() {
        MainWindow w;
        QCOMPARE(w.windowTitle(), QStringLiteral("Vostrel"));
        QVERIFY(!(w.windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(w.windowFlags() & Qt::WindowMinimizeButtonHint);
        QVERIFY(w.windowFlags() & Qt::WindowCloseButtonHint);
        QVERIFY(w.testAttribute(Qt::WA_AlwaysShowToolTips));
        QVERIFY(!w.windowIcon().isNull());
        QVERIFY(w.isVisible());
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QCOMPARE(w.size(), QSize(650, vostrel::qt::InitialInnerHeight(screen.height())));
        // Centred, or at 0 on an axis where the window is larger than the screen.
        const QRect frame = w.frameGeometry();
        if (frame.width() <= screen.width()) QVERIFY(qAbs(frame.center().x() - screen.center().x()) <= 1);
        else QCOMPARE(frame.x(), screen.x());
        if (frame.height() <= screen.height()) QVERIFY(qAbs(frame.center().y() - screen.center().y()) <= 1);
        else QCOMPARE(frame.y(), screen.y());
    }

    void menusInOrderWithTheirIds() {
        MainWindow w;
        struct Item { const char* menu; const char* text; int id; };
        const Item expected[] = {
            {"File", "Open...", 16}, {"File", "Save As...", 17},
            {"Device", "Set User Signature", 19}, {"Device", "Copy PES", 20},
            {"Device", "Enable Security feature", 22}, {"Device", nullptr, 0},
            {"Device", "Disable ATMEL PD feature", 21}, {"Device", "ATMEL Conditioning", 23},
            {"Tools", "Supply test", 24},
            {"?", "Supported Devices", 26}, {"?", "About", 25},
        };
        QList<const Item*> seen;
        int k = 0;
        const auto menus = w.menuBar()->actions();
        QCOMPARE(menus.size(), 4);
        for (QAction* menuAction : menus) {
            for (QAction* item : menuAction->menu()->actions()) {
                QVERIFY2(k < int(std::size(expected)), "more menu items than expected");
                const Item& e = expected[k++];
                QCOMPARE(menuAction->text(), QString::fromUtf8(e.menu));
                if (e.text == nullptr) {
                    QVERIFY(item->isSeparator());
                    continue;
                }
                QCOMPARE(item->text(), QString::fromUtf8(e.text));
                QCOMPARE(item->data().toInt(), e.id);
                QVERIFY(item->shortcut().isEmpty());
                QCOMPARE(w.action(e.id), item);
            }
        }
        QCOMPARE(k, int(std::size(expected)));
    }

    void toolbarCaptionsTooltipsAndImages() {
        MainWindow w;
        struct Button { int id; const char* caption; const char* tip; };
        const Button expected[] = {
            {27, "Open", "Open JEDEC fuse file"}, {28, "Save", "Safe as JEDEC fuse file"}, {0, nullptr, nullptr},
            {29, "Compile", "Compile & Program"}, {0, nullptr, nullptr},
            {30, "Read", "Read GAL"}, {31, "Program", "Program GAL"}, {32, "Verify", "Verify GAL"},
            {33, "Erase", "Erase GAL"}, {34, "Info", "Pinout & OLMC configuration"},
        };
        const auto actions = w.toolBar()->actions();
        QCOMPARE(actions.size(), qsizetype(std::size(expected)));
        QCOMPARE(w.toolBar()->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
        QCOMPARE(w.toolBar()->iconSize(), QSize(24, 24));
        QList<qint64> deviceIcons;
        for (int i = 0; i < actions.size(); ++i) {
            const Button& e = expected[i];
            if (e.id == 0) {
                QVERIFY(actions[i]->isSeparator());
                continue;
            }
            QCOMPARE(actions[i]->data().toInt(), e.id);
            auto* button = qobject_cast<QToolButton*>(w.toolBar()->widgetForAction(actions[i]));
            QVERIFY(button != nullptr);
            QCOMPARE(button->text(), QString::fromUtf8(e.caption));
            // What the tooltip shows, "&" and all.
            QCOMPARE(button->toolTip(), QString::fromUtf8(e.tip));
            QVERIFY(button->autoRaise());
            QVERIFY(!actions[i]->icon().isNull());
            if (e.id >= 30) deviceIcons << actions[i]->icon().cacheKey();
        }
        QCOMPARE(deviceIcons.size(), 5);
        for (qint64 key : deviceIcons) QCOMPARE(key, deviceIcons.first());
    }

    void picturesDecodeAtTheirStoredSizes() {
        using vostrel::resources::Image;
        const std::pair<Image, int> sizes[] = {
            {Image::Icon, 256}, {Image::Compile, 32}, {Image::Device, 256}, {Image::Open, 16}, {Image::Save, 16}};
        for (auto [image, side] : sizes) {
            const auto decoded = vostrel::resources::LoadImage(image);
            QCOMPARE(decoded.width, side);
            QCOMPARE(decoded.height, side);
            QCOMPARE(decoded.rgba.size(), std::size_t(side * side * 4));
        }
        const std::uint8_t notPng[] = {0x89, 'P', 'N', 'G', 0, 0, 0, 0};
        QVERIFY(!vostrel::resources::DecodePng(notPng, sizeof notPng).Valid());
        QVERIFY(!vostrel::resources::DecodePng(nullptr, 0).Valid());
    }

    void panesAreReadOnlySelectableAndMonospaced() {
        MainWindow w;
        for (Pane p : {Pane::Fuse, Pane::Log}) {
            QPlainTextEdit* pane = w.pane(p);
            QVERIFY(pane->isReadOnly());
            QVERIFY(pane->textInteractionFlags() & Qt::TextSelectableByMouse);
            QVERIFY(pane->textInteractionFlags() & Qt::TextSelectableByKeyboard);
            QVERIFY(!(pane->textInteractionFlags() & Qt::TextEditable));
            QCOMPARE(pane->font().pointSize(), 11);
            QVERIFY(QFontInfo(pane->font()).fixedPitch());
            QCOMPARE(pane->palette().color(QPalette::Inactive, QPalette::Highlight),
                     pane->palette().color(QPalette::Active, QPalette::Highlight));
        }
        QCOMPARE(w.pane(Pane::Fuse)->lineWrapMode(), QPlainTextEdit::NoWrap);
        QCOMPARE(w.pane(Pane::Log)->lineWrapMode(), QPlainTextEdit::WidgetWidth);
        QCOMPARE(w.splitter()->widget(0), w.pane(Pane::Fuse));
        QCOMPARE(w.splitter()->widget(1), w.pane(Pane::Log));
        QCOMPARE(w.splitter()->handleWidth(), 7);
    }

    void statusBarHasThreeEqualFields() {
        MainWindow w;
        w.statusField(0)->setText(QStringLiteral("GAL22V10"));
        w.statusField(1)->setText(QStringLiteral("UES: a much longer signature text than the device name"));
        QApplication::processEvents();
        QCOMPARE(w.progressBar()->minimum(), 0);
        QCOMPARE(w.progressBar()->maximum(), 100);
        QCOMPARE(w.progressBar()->value(), 0);
        QVERIFY(w.statusBar()->height() >= 18);
        const int widths[] = {w.statusField(0)->width(), w.statusField(1)->width(), w.progressBar()->width()};
        for (int width : widths) QVERIFY2(qAbs(width - widths[0]) <= 2, qPrintable(QString::number(width)));
    }

    void splitterAtStartSplitsTheRoomInHalves() {
        MainWindow w;
        const int tb = w.toolBar()->height();
        const int sb = w.statusBar()->height();
        const QRect r = w.SplitterRect();
        QCOMPARE(r, QRect(5, tb, 640, w.height() - tb - sb - 30));
        const QList<int> sizes = w.splitter()->sizes();
        QCOMPARE(sizes[1], (r.height() - 7) / 2);
        QCOMPARE(sizes[0], r.height() - 7 - sizes[1]);
    }

    void resizeRefitsTheSplitterAndKeepsTheDraggedShare() {
        MainWindow w;
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        // The user drags the bar: the lower pane now takes about a quarter.
        const int total = w.splitter()->height();
        w.splitter()->setSizes({total - 7 - total / 4, total / 4});
        emit w.splitter()->splitterMoved(0, 1);

        for (QSize inner : {QSize(800, 600), QSize(500, 900), QSize(650, 400)}) {
            w.resize(inner);
            QApplication::processEvents();
            const int tb = w.toolBar()->height();
            const int sb = w.statusBar()->height();
            QCOMPARE(w.SplitterRect(), QRect(5, tb, inner.width() - 10, inner.height() - tb - sb - 40));
            const double share = double(w.splitter()->sizes()[1]) / w.splitter()->height();
            QVERIFY2(qAbs(share - double(total / 4) / total) < 0.01, qPrintable(QString::number(share)));
        }
        const QRect before = w.SplitterRect();
        w.showMinimized();
        QApplication::processEvents();
        w.showNormal();
        QApplication::processEvents();
        QCOMPARE(w.SplitterRect(), before);
    }

    void aTinyWindowClampsThePanesInsteadOfFailing() {
        MainWindow w;
        w.resize(20, 60);
        QApplication::processEvents();
        QVERIFY(w.splitter()->width() >= 0);
        QVERIFY(w.splitter()->height() >= 0);
    }
};

QTEST_MAIN(MainWindowTest)
#include "tst_MainWindow.moc"
