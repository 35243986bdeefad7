// Start-up to first paint: the shell's start (settings file, port, menu,
// timers, drawing objects, controls, signals), the window shown, until the
// client area has painted once, on the offscreen platform. COM1 is a
// pseudo-terminal, so the link really opens and its threads start.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <stdlib.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QWidget>
#include <filesystem>
#include <string>

#include "platform/qt/qt_shell.h"
#include "platform/window.h"
#include "shell/app_state.h"
#include "shell/main_window.h"
#include "shell/single_instance.h"

namespace {

class PaintWatch final : public QObject {
public:
    bool painted = false;

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) painted = true;
        return false;
    }
};

void settle() {
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// withCheck: as the program starts, first looking for a program of this
// user already running (none is: a fresh runtime folder each time) and then
// listening for later starts.
void startupToFirstPaint(benchmark::State& state, bool withCheck) {
    namespace fs = std::filesystem;
    char pattern[] = "/tmp/vantrel-bench-startup-XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        state.SkipWithError("no temporary directory");
        return;
    }
    const fs::path dir = pattern;
    const fs::path previous = fs::current_path();
    fs::current_path(dir);
    setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        state.SkipWithError("no pseudo-terminal");
        return;
    }
    setenv("VANTREL_COM1", ptsname(master), 1);

    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        resetGlobalStateForTests();
        fs::remove(dir / "DAQSetup.cnf");  // the first start creates it
        const fs::path runtime = dir / ("run" + std::to_string(++round));
        fs::create_directory(runtime);
        setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        state.ResumeTiming();

        if (withCheck && qtHandOverOrListen(handOverMessage(""))) {
            state.SkipWithError("another program took the start");
            break;
        }
        if (!startMainWindow()) {
            state.SkipWithError("no main window");
            break;
        }
        PaintWatch watch;
        qtClientArea()->installEventFilter(&watch);
        while (!watch.painted) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);

        state.PauseTiming();
        qtClientArea()->removeEventFilter(&watch);
        platform::destroyMainWindow();
        settle();
        state.ResumeTiming();
    }
    resetGlobalStateForTests();
    fs::current_path(previous);
    fs::remove_all(dir);
}
void BM_StartupToFirstPaint(benchmark::State& state) { startupToFirstPaint(state, false); }
void BM_StartupWithFirstProgramCheck(benchmark::State& state) { startupToFirstPaint(state, true); }
// The check alone on a first start: no program answers, so this one listens.
void BM_FirstProgramCheck(benchmark::State& state) {
    char pattern[] = "/tmp/vantrel-bench-check-XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        state.SkipWithError("no temporary directory");
        return;
    }
    const std::filesystem::path dir = pattern;
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const std::filesystem::path runtime = dir / std::to_string(++round);
        std::filesystem::create_directory(runtime);
        setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        state.ResumeTiming();
        benchmark::DoNotOptimize(qtHandOverOrListen(handOverMessage("")));
    }
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_FirstProgramCheck)->Unit(benchmark::kMicrosecond)->Iterations(200);
BENCHMARK(BM_StartupToFirstPaint)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_StartupWithFirstProgramCheck)->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
