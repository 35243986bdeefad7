// Printing and the screen dump with a full recording (1,048,576 records) on the
// offscreen platform: the page printed to a PDF file through QPrinter, the
// page's composition alone, the capture of the main window and the writing of
// the bitmap file. The page, like the window, draws 600 columns whatever the
// recording's length, so its cost does not grow with the record count.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <stdlib.h>

#include <QApplication>
#include <QString>
#include <filesystem>
#include <string>

#include "chart/bmp.h"
#include "chart/drawing_surface.h"
#include "chart/print.h"
#include "chart/screen_dump.h"
#include "platform/qt/printer_qt.h"
#include "platform/qt/qt_shell.h"
#include "platform/screen.h"
#include "platform/window.h"
#include "recording/store.h"
#include "shell/app_state.h"
#include "shell/handlers.h"
#include "shell/main_window.h"

namespace fs = std::filesystem;

namespace {

fs::path gDir;

void loadRecording(std::uint32_t count) {
    for (std::uint32_t i = 0; i < count; ++i) {
        gStore[i] = SampleRecord{6, 12, 25, 14, 5, 9, 0, 0, static_cast<std::uint8_t>(i % 10000 == 0 ? 201 : i % 180)};
    }
    gHeader.recordCount = count;
    resetView();
}

PrintView currentView() { return {gApp.mainStart, gApp.zoomStart, gApp.cursorX, gApp.samplesPerPixel}; }

// Draws nothing: the cost of composing the page in the core.
class NullSurface final : public DrawingSurface {
public:
    PenId selectPen(PenId p) override { return std::exchange(pen_, p); }
    BrushId selectBrush(BrushId b) override { return std::exchange(brush_, b); }
    FontId selectFont(FontId f) override { return std::exchange(font_, f); }
    void moveTo(int x, int y) override { benchmark::DoNotOptimize(x + y); }
    void lineTo(int x, int y) override { benchmark::DoNotOptimize(x + y); }
    void rectangle(int, int, int, int) override {}
    void textOut(int, int, const char* t) override { benchmark::DoNotOptimize(t); }
    int setTextAlign(int a) override { return std::exchange(align_, a); }
    Rgb setBkColor(Rgb c) override { return std::exchange(bk_, c); }

private:
    PenId pen_ = PenId::Black;
    BrushId brush_ = BrushId::White;
    FontId font_ = FontId::System;
    int align_ = 0;
    Rgb bk_ = kWhite;
};

void BM_PrintPageToPdf(benchmark::State& state) {
    loadRecording(static_cast<std::uint32_t>(state.range(0)));
    const QString pdf = QString::fromStdString((gDir / "page.pdf").string());
    qtSetPrinterChoice(PrinterChoice::PdfFile, pdf);
    for (auto _ : state) {
        platform::PrinterHandle printer = nullptr;
        if (platform::choosePrinter(printer) != 0 || printer == nullptr) {
            state.SkipWithError("no printer");
            break;
        }
        const int rc = printChartsOnPrinter(printer, currentView());
        platform::releasePrinter(printer);
        if (rc != 0) {
            state.SkipWithError("printing failed");
            break;
        }
    }
    state.counters["pdf_bytes"] = static_cast<double>(fs::file_size(gDir / "page.pdf"));
}
BENCHMARK(BM_PrintPageToPdf)->Arg(6000)->Arg(1048576)->Unit(benchmark::kMillisecond);

void BM_PrintPageComposition(benchmark::State& state) {
    loadRecording(static_cast<std::uint32_t>(state.range(0)));
    const platform::CalendarTime now{2026, 3, 5, 9, 41, 0};
    NullSurface page;
    for (auto _ : state) benchmark::DoNotOptimize(printCharts(page, currentView(), now));
}
BENCHMARK(BM_PrintPageComposition)->Arg(6000)->Arg(1048576)->Unit(benchmark::kMicrosecond);

void BM_CaptureMainWindow(benchmark::State& state) {
    platform::WindowCapture capture;
    for (auto _ : state) {
        if (!platform::captureMainWindow(capture)) {
            state.SkipWithError("no capture");
            break;
        }
        benchmark::DoNotOptimize(capture.pixels.data());
    }
    state.counters["width"] = capture.width;
    state.counters["height"] = capture.height;
}
BENCHMARK(BM_CaptureMainWindow)->Unit(benchmark::kMillisecond);

// Header, conversion and file of an 806 x 622 window at the given depth.
void BM_WriteBitmapFile(benchmark::State& state) {
    platform::WindowCapture capture;
    capture.width = 806;
    capture.height = 622;
    capture.planes = 1;
    capture.bitsPerPixel = static_cast<std::uint16_t>(state.range(0));
    capture.pixels.resize(806u * 622u);
    for (std::size_t i = 0; i < capture.pixels.size(); ++i) capture.pixels[i] = static_cast<std::uint32_t>(i * 2654435761u) & 0xFFFFFF;
    const std::string path = (gDir / "dump.bmp").string();
    for (auto _ : state) {
        BitmapHeaderBlock block;
        if (buildBitmapHeader({capture.width, capture.height, capture.planes, capture.bitsPerPixel}, block) !=
            BitmapHeaderResult::Ok) {
            state.SkipWithError("no header");
            break;
        }
        BitmapTarget target;
        if (openBitmapTarget(path, target) != 0) {
            state.SkipWithError("no file");
            releaseBitmapHeader(block);
            break;
        }
        writeBitmapToTarget(target, block, capture);
        releaseBitmapHeader(block);
    }
    state.counters["file_bytes"] = static_cast<double>(fs::file_size(path));
}
BENCHMARK(BM_WriteBitmapFile)->Arg(32)->Arg(24)->Arg(16)->Arg(8)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    char pattern[] = "/tmp/vantrel-bench-output-XXXXXX";
    if (mkdtemp(pattern) == nullptr) return 1;
    gDir = pattern;
    const fs::path previous = fs::current_path();
    fs::current_path(gDir);  // the settings file of the window's start goes here
    setenv("XDG_CONFIG_HOME", gDir.c_str(), 1);
    // COM1 is a pseudo-terminal, so the window's start opens a port and shows no message.
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0) setenv("VANTREL_COM1", ptsname(master), 1);
    resetGlobalStateForTests();
    std::snprintf(gApp.windowTitle, sizeof gApp.windowTitle, "Vantrel Data Acquisition Software");
    if (!startMainWindow()) return 1;
    QCoreApplication::processEvents();

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    platform::destroyMainWindow();
    fs::current_path(previous);
    fs::remove_all(gDir);
    return 0;
}
