// Commands are exclusive: a click or a close request that arrives while a command runs is dropped,
// never run later. Exercised through the real window services, as a command's log lines drive them.

#include <QAction>
#include <QMouseEvent>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include <vector>

#include "app/Log.h"
#include "app/RunState.h"
#include "app/qt/MainWindow.h"
#include "app/qt/QtWindowServices.h"
#include "sim/VirtualClock.h"
#include "support/OfflineBench.h"

using vostrel::qt::MainWindow;

namespace {

using vostrel::test::NoPort;

// A click as the window system delivers it: queued, handled at the next servicing.
void PostClick(QWidget* target) {
    const QPointF at = QRectF(target->rect()).center();
    QCoreApplication::postEvent(target, new QMouseEvent(QEvent::MouseButtonPress, at, target->mapToGlobal(at),
                                                         Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
    QCoreApplication::postEvent(target, new QMouseEvent(QEvent::MouseButtonRelease, at, target->mapToGlobal(at),
                                                         Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
}

}  // namespace

class CommandGateTest : public QObject {
    Q_OBJECT

    struct Bench {
        MainWindow window;
        vostrel::qt::QtWindowServices services{window};
        NoPort port;
        vostrel::sim::VirtualClock clock;
        vostrel::RunState state{services, port, clock};
        std::vector<int> ran;
    };

    static QWidget* Button(MainWindow& w, int id) { return w.toolBar()->widgetForAction(w.action(id)); }

private slots:
    void aToolbarClickDuringACommandIsDropped() {
        Bench b;
        QVERIFY(QTest::qWaitForWindowExposed(&b.window));
        b.window.SetCommandHandler([&](int id) {
            b.ran.push_back(id);
            if (id != 30) return;
            PostClick(Button(b.window, 27));
            b.window.action(16)->trigger();  // a menu item too
            vostrel::WriteLog(b.state, "->read", vostrel::LogInfo);
            QTest::mouseClick(Button(b.window, 28), Qt::LeftButton);  // delivered at once, still busy
            vostrel::WriteLog(b.state, ">>> done <<<", vostrel::LogInfo);
        });
        QTest::mouseClick(Button(b.window, 30), Qt::LeftButton);
        QApplication::processEvents();
        QCOMPARE(b.ran, std::vector<int>({30}));
        // Idle again: the same buttons work.
        QTest::mouseClick(Button(b.window, 27), Qt::LeftButton);
        b.window.action(25)->trigger();
        QCOMPARE(b.ran, std::vector<int>({30, 27, 25}));
    }

    void aCloseRequestDuringACommandHasNoEffect() {
        Bench b;
        QVERIFY(QTest::qWaitForWindowExposed(&b.window));
        bool closedDuringCommand = true;
        b.window.SetCommandHandler([&](int) {
            closedDuringCommand = b.window.close();
            vostrel::WriteLog(b.state, "->erase", vostrel::LogInfo);
        });
        b.window.action(33)->trigger();
        QApplication::processEvents();
        QVERIFY(!closedDuringCommand);
        QVERIFY(b.window.isVisible());
        // Idle: closing works at once, without a question.
        QVERIFY(b.window.close());
        QVERIFY(!b.window.isVisible());
    }

    void servicingOutsideACommandDropsCommandsToo() {
        // Start-up and reset service the window while the unit is looked for; a click then is lost.
        Bench b;
        b.window.SetCommandHandler([&](int id) { b.ran.push_back(id); });
        PostClick(Button(b.window, 31));
        b.services.ServiceEventsBriefly(10);
        QApplication::processEvents();
        QVERIFY(b.ran.empty());
    }
};

QTEST_MAIN(CommandGateTest)
#include "tst_CommandGate.moc"
