// vantreldaq-cli as whole processes, as a script runs it:
//  - Export: `export FULL.udd -o out.csv` of a 1,048,576-record file, from
//    process start to exit (the budget of the export itself is 150 ms).
//  - Info: `info FULL.udd` of the same file.
//  - Report: `report FULL.udd --json` of the same file (budget 100 ms).
//  - Fetch: `fetch --span "12 hours"` of 1,048,576 samples from the logger
//    simulator at full pseudo-terminal speed (in this process, on a thread of
//    its own), handshake included; reported against the 57,600-baud line rate
//    of 1,440 samples/s.
// Each iteration spawns the program; times are wall-clock.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <string>

#include "recording/recording_file.h"
#include "recording/store.h"
#include "shell/app_state.h"
#include "support/chart_recording.h"
#include "support/logger_harness.h"
#include "support/process_runner.h"
#include "support/temp_dir.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr double kLineSamplesPerSecond = 1440.0;

// A day's worth of readings with markers and gaps, so every kind of line is written.
std::uint8_t dayValue(std::uint32_t i) {
    if (i % 9973 == 0) return 201;
    if (i % 7919 == 0) return 255;
    return static_cast<std::uint8_t>(20 + (i / 50) % 160);
}

struct Fixture {
    test::TempDir dir;
    std::string full;
    Fixture() {
        resetGlobalStateForTests();
        test::fillRecording({.count = kStoreCapacity, .sampleTime = 3, .spanIndex = 8, .value = dayValue});
        full = dir.file("full.udd");
        int code = 0;
        if (writeRecordingFile(full.c_str(), code) != SaveStatus::Saved) std::abort();
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

double runOnce(const std::vector<std::string>& args, benchmark::State& state) {
    const auto start = Clock::now();
    const testsupport::ProcessResult r =
        testsupport::runProcess(VANTREL_CLI_PROGRAM, args, fixture().dir.path().string());
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (r.exitCode != 0) state.SkipWithError(("vantreldaq-cli failed: " + r.err).c_str());
    return seconds;
}

void BM_CliExportFull(benchmark::State& state) {
    const std::string out = fixture().dir.file("out.csv");
    for (auto _ : state) state.SetIterationTime(runOnce({"export", fixture().full, "-o", out}, state));
    state.counters["records"] = kStoreCapacity;
}
BENCHMARK(BM_CliExportFull)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_CliInfoFull(benchmark::State& state) {
    for (auto _ : state) state.SetIterationTime(runOnce({"info", fixture().full}, state));
    state.counters["records"] = kStoreCapacity;
}
BENCHMARK(BM_CliInfoFull)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_CliReportJsonFull(benchmark::State& state) {
    for (auto _ : state) state.SetIterationTime(runOnce({"report", fixture().full, "--json"}, state));
    state.counters["records"] = kStoreCapacity;
}
BENCHMARK(BM_CliReportJsonFull)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_CliFetchFullFast(benchmark::State& state) {
    sim::Options options;
    options.sampleTime = 3;  // "12 hours" asks 1,440,000: the store's capacity
    options.length = kStoreCapacity;
    options.pace = sim::Pace::Fast;
    const std::string previous = testsupport::mapPort(1, "none");
    double total = 0;
    for (auto _ : state) {
        testsupport::LoggerOnPort logger;
        if (!logger.start(options, 1)) {
            state.SkipWithError("no pseudo-terminal");
            break;
        }
        const double seconds = runOnce(
            {"fetch", "--port", "1", "--span", "12 hours", "--quiet", "-o", fixture().dir.file("fetched.udd")}, state);
        state.SetIterationTime(seconds);
        total += seconds;
        if (logger.stats().samplesSent.load() != kStoreCapacity) state.SkipWithError("not every sample was sent");
    }
    testsupport::mapPort(1, previous);
    const double perRun = total / static_cast<double>(state.iterations());
    state.counters["samples_per_s"] = kStoreCapacity / perRun;
    state.counters["x_line_rate"] = kStoreCapacity / perRun / kLineSamplesPerSecond;
}
BENCHMARK(BM_CliFetchFullFast)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
