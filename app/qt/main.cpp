// The program: finds the programmer unit, greets the user and runs commands until the window closes.

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>

#include "app/Dispatcher.h"
#include "app/Log.h"
#include "app/RunState.h"
#include "app/Startup.h"
#include "app/qt/BusyGuard.h"
#include "app/qt/MainWindow.h"
#include "app/qt/QtWindowServices.h"
#include "platform/PosixSerialPort.h"
#include "platform/SystemClock.h"

int main(int argc, char* argv[]) {
    // The program takes no arguments; Qt sees only the program name so none sneaks in as an option.
    int qtArgc = argc > 0 ? 1 : 0;
    char* qtArgv[] = {argc > 0 ? argv[0] : nullptr, nullptr};
    QApplication app(qtArgc, qtArgv);
    // Nothing of a run is kept: the file dialog's own memory (last folders, view mode) goes into a
    // folder that disappears with the program.
    const QTemporaryDir dialogMemory;
    if (dialogMemory.isValid()) {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dialogMemory.path());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dialogMemory.path());
    }

    vostrel::platform::PosixSerialPort port;
    vostrel::platform::SystemClock clock;
    vostrel::qt::MainWindow window;
    vostrel::qt::QtWindowServices services(window);
    vostrel::RunState state(services, port, clock);

    bool found = false;
    {
        // Start-up runs like a command: nothing clicked meanwhile runs, the window stays open.
        vostrel::qt::BusyGuard guard(window.gate());
        found = vostrel::CheckHardware(state);
        if (found) vostrel::WriteLog(state, "Welcome Vostrel user", vostrel::LogInfo);
    }
    if (found) {
        window.SetCommandHandler([&](int id) {
            if (!vostrel::RunCommandEvent(state, id)) QApplication::exit(0);
        });
        app.exec();
    }
    port.Close();
    return 0;
}
