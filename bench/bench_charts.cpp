// Cost of painting both charts: through the QPainter surface into an offscreen
// 800 x 600 image (the window's paint), through the recording surface (the
// renderer's own work), and repaints while the cursor is dragged; each with
// peaks off (the default look) and on.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <cstdint>

#include "chart/envelope.h"
#include "chart/renderer.h"
#include "platform/qt/painter_surface_qt.h"
#include "recording/store.h"
#include "shell/app_state.h"
#include "shell/handlers.h"
#include "support/chart_recording.h"
#include "support/recording_surface.h"

namespace {

const QColor kBackground(195, 180, 160);

// Noisy readings: most columns are long vertical steps, the costly case for
// the line rasteriser.
std::uint8_t noisyValue(std::uint32_t i) {
    std::uint32_t x = i * 2654435761u;
    x ^= x >> 15;
    return static_cast<std::uint8_t>(x % 201);
}

void showRecording(std::uint32_t count, bool noisy) {
    resetGlobalStateForTests();
    test::showRecording({.count = count, .sampleTime = 2, .value = noisy ? noisyValue : test::sawValue});
}

void paintInto(QImage& image, bool erase) {
    QPainter painter(&image);
    if (erase) painter.fillRect(image.rect(), kBackground);
    PainterSurface surface(painter);
    paintCharts(surface);
}

// Full repaint (erase + both charts) of a recording of range(0) records;
// range(1) = 1 for noisy values, 0 for a smooth saw.
void BM_PaintChartsQt(benchmark::State& state) {
    showRecording(static_cast<std::uint32_t>(state.range(0)), state.range(1) != 0);
    QImage image(800, 600, QImage::Format_RGB32);
    for (auto _ : state) {
        paintInto(image, true);
        benchmark::DoNotOptimize(image.constBits());
    }
    state.counters["repaints/s"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                                      benchmark::Counter::kIsRate);
}
BENCHMARK(BM_PaintChartsQt)
    ->ArgsProduct({{6000, 65536, 1048576}, {0, 1}})
    ->Unit(benchmark::kMicrosecond);

// The same with peaks shown. The min/max table is built by the first paint
// after a new recording, before the timing starts; BM_PeaksFirstPaint
// measures that paint on its own.
void BM_PaintChartsQtPeaks(benchmark::State& state) {
    showRecording(static_cast<std::uint32_t>(state.range(0)), state.range(1) != 0);
    restorePeaksShown(true);
    QImage image(800, 600, QImage::Format_RGB32);
    paintInto(image, true);
    for (auto _ : state) {
        paintInto(image, true);
        benchmark::DoNotOptimize(image.constBits());
    }
    restorePeaksShown(false);
    state.counters["repaints/s"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                                      benchmark::Counter::kIsRate);
}
BENCHMARK(BM_PaintChartsQtPeaks)
    ->ArgsProduct({{6000, 65536, 1048576}, {0, 1}})
    ->Unit(benchmark::kMicrosecond);

// The first paint with peaks after a new recording: builds the table.
void BM_PeaksFirstPaint(benchmark::State& state) {
    showRecording(1048576, true);
    restorePeaksShown(true);
    QImage image(800, 600, QImage::Format_RGB32);
    for (auto _ : state) {
        invalidateEnvelope();
        paintInto(image, true);
        benchmark::DoNotOptimize(image.constBits());
    }
    restorePeaksShown(false);
}
BENCHMARK(BM_PeaksFirstPaint)->Unit(benchmark::kMicrosecond);

// The renderer alone: every call logged by the recording surface.
void BM_PaintChartsRecordingSurface(benchmark::State& state) {
    showRecording(static_cast<std::uint32_t>(state.range(0)), true);
    test::RecordingSurface surface;
    for (auto _ : state) {
        surface.clear();
        paintCharts(surface);
        benchmark::DoNotOptimize(surface.calls().data());
    }
}
BENCHMARK(BM_PaintChartsRecordingSurface)->Arg(6000)->Arg(1048576)->Unit(benchmark::kMicrosecond);

// Dragging the cursor across the main chart: each step moves the band one
// pixel and repaints without erasing, as the window does.
// range(0) = 1: with peaks shown.
void BM_DragCursorRepaint(benchmark::State& state) {
    showRecording(1048576, true);
    restorePeaksShown(state.range(0) != 0);
    QImage image(800, 600, QImage::Format_RGB32);
    paintInto(image, true);
    chartMouseDown(155, 400);
    int x = 155;
    int step = 1;
    for (auto _ : state) {
        x += step;
        if (x >= 155 + 540 || x <= 155) step = -step;
        chartMouseMove(x, 400, true);
        paintInto(image, false);
        benchmark::DoNotOptimize(image.constBits());
    }
    chartMouseUp(x, 400);
    restorePeaksShown(false);
    state.counters["repaints/s"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                                      benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DragCursorRepaint)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
