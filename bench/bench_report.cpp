// The load report's figures over a full store of 1,048,576 records (budget
// 10 ms): one pass for the counts, histogram, episodes, demand intervals and
// days, percentiles from the histogram. Sample times of 0.01 s (a few hours,
// few demand intervals) and 1 s (twelve days, the most intervals and days),
// and the JSON text of the figures on its own; the report page drawn from
// the figures and the HTML file's text.
#include <benchmark/benchmark.h>

#include <string>

#include "recording/store.h"
#include "recording/timestamps.h"
#include "report/load_report.h"
#include "report/report_format.h"
#include "report/report_html.h"
#include "report/report_page.h"
#include "shell/app_state.h"

namespace {

// Load wandering through the thresholds, with a marker and a gap now and then.
void fullRecording(std::uint16_t sampleTime) {
    resetGlobalStateForTests();
    gHeader.sampleTime = sampleTime;
    gHeader.recordCount = kStoreCapacity;
    for (std::uint32_t i = 0; i < kStoreCapacity; ++i) {
        std::uint8_t v = static_cast<std::uint8_t>(40 + (i / 37) % 90 + (i * 2654435761u >> 28));
        if (i % 9973 == 0) v = 201;
        if (i % 7919 == 0) v = 255;
        gStore[i].value = v;
    }
    assignTimesForward({2024, 12, 31, 20, 7, 0});
}

void BM_LoadReportFigures(benchmark::State& state) {
    fullRecording(static_cast<std::uint16_t>(state.range(0)));
    const ReportOptions options{{80, 100}, static_cast<int>(state.range(1)), 55.0};
    LoadReport report;
    for (auto _ : state) {
        computeLoadReport(0, kStoreCapacity - 1, options, report);
        benchmark::DoNotOptimize(report.sum);
    }
    state.counters["intervals"] = static_cast<double>(report.intervals.size());
    state.SetItemsProcessed(state.iterations() * kStoreCapacity);
}
BENCHMARK(BM_LoadReportFigures)
    ->Args({1, 15})
    ->Args({100, 15})
    ->Args({100, 1})
    ->Unit(benchmark::kMillisecond);

void BM_LoadReportJson(benchmark::State& state) {
    fullRecording(100);
    LoadReport report;
    computeLoadReport(0, kStoreCapacity - 1, {{80, 100}, 1, 55.0}, report);
    for (auto _ : state) {
        std::string json = reportJson(report);
        benchmark::DoNotOptimize(json.data());
    }
    state.counters["intervals"] = static_cast<double>(report.intervals.size());
}
BENCHMARK(BM_LoadReportJson)->Unit(benchmark::kMillisecond);

// A surface that only counts: the cost of composing the page itself.
class CountingSurface final : public DrawingSurface {
public:
    long calls = 0;
    PenId selectPen(PenId p) override { return ++calls, p; }
    BrushId selectBrush(BrushId b) override { return ++calls, b; }
    FontId selectFont(FontId f) override { return ++calls, f; }
    void moveTo(int, int) override { ++calls; }
    void lineTo(int, int) override { ++calls; }
    void rectangle(int, int, int, int) override { ++calls; }
    void textOut(int, int, const char*) override { ++calls; }
    int setTextAlign(int a) override { return ++calls, a; }
    Rgb setBkColor(Rgb c) override { return ++calls, c; }
};

// The report page (tables, curve, bars) for the figures of a full store, at
// 1-minute intervals (the most bars) and at 15 minutes.
void BM_LoadReportPage(benchmark::State& state) {
    fullRecording(100);
    LoadReport report;
    computeLoadReport(0, kStoreCapacity - 1, {{80, 100}, static_cast<int>(state.range(0)), 55.0}, report);
    CountingSurface surface;
    for (auto _ : state) {
        drawReportPage(surface, report, {0, 0, kReportPageWidth, kReportPageHeight}, {true, false});
        benchmark::DoNotOptimize(surface.calls);
    }
    state.counters["intervals"] = static_cast<double>(report.intervals.size());
}
BENCHMARK(BM_LoadReportPage)->Arg(1)->Arg(15)->Unit(benchmark::kMillisecond);

// The whole HTML file's text, SVG plots included.
void BM_LoadReportHtml(benchmark::State& state) {
    fullRecording(100);
    LoadReport report;
    computeLoadReport(0, kStoreCapacity - 1, {{80, 100}, 1, 55.0}, report);
    std::size_t bytes = 0;
    for (auto _ : state) {
        std::string html = reportHtml(report, {false, false});
        bytes = html.size();
        benchmark::DoNotOptimize(html.data());
    }
    state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_LoadReportHtml)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
