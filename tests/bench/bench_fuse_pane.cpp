// ShowFuses of the largest type (GAL6002B, 8330 fuses) into the real window's fuse pane, on Qt's
// offscreen platform: the lines alone, and the lines with the window brought up to date (layout and
// painting of the visible part), which is what the user waits for.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPlainTextEdit>

#include <random>

#include "app/FuseView.h"
#include "app/qt/MainWindow.h"
#include "app/qt/QtWindowServices.h"
#include "device/DeviceTable.h"
#include "support/OfflineBench.h"

namespace vostrel::bench {
namespace {

struct Window {
    qt::MainWindow main;
    qt::QtWindowServices services{main};
    test::NoPort port;
    test::StillClock clock;
    RunState state{services, port, clock};
    Window() {
        SelectDevice(state.profile, 68);  // GAL6002B
        std::mt19937 rng(8330);
        for (int f = 0; f < state.profile.fuseCount; ++f) state.FuseMap[static_cast<std::size_t>(f)] = rng() & 1;
        QApplication::processEvents();
    }
};

void ShowFusesLines(benchmark::State& st) {
    Window w;
    for (auto _ : st) ShowFuses(w.state, 8330);
    const int rows = (8330 + w.state.profile.rowCount - 1) / w.state.profile.rowCount;
    if (w.services.FuseLineCount() != rows) st.SkipWithError("the pane does not hold every row");
}
BENCHMARK(ShowFusesLines)->Unit(benchmark::kMicrosecond);

void ShowFusesPainted(benchmark::State& st) {
    Window w;
    for (auto _ : st) {
        ShowFuses(w.state, 8330);
        w.main.pane(Pane::Fuse)->repaint();
        QApplication::processEvents();
    }
}
BENCHMARK(ShowFusesPainted)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace vostrel::bench

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
