// Whole transfers through the program's own handlers and the real link, from
// the logger simulator on a pseudo-terminal (in-process, on a thread of its
// own), with the two timers played at their periods as the main window would.
//
//  - RealPace: the simulator keeps to a 57,600-baud line (5,760 bytes/s, so at
//    most 1,440 samples/s). Reports the samples per second that arrive and the
//    program's CPU while it receives: the whole process less the simulator's
//    thread, as a share of one core.
//  - Fast: 1,048,576 samples as fast as the pseudo-terminal goes; the wire,
//    not the program, should limit a transfer.
//
// The real-pace run lasts about 10 s: bench_transfer --benchmark_filter=RealPace
// Its figures are only meaningful on an otherwise idle machine.
#include <benchmark/benchmark.h>

#include <pthread.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>

#include "device/link.h"
#include "device/transfer.h"
#include "fakes/fake_platform.h"
#include "fakes/fake_progress.h"
#include "recording/store.h"
#include "shell/app_state.h"
#include "shell/handlers.h"
#include "support/logger_harness.h"

namespace {

using Clock = std::chrono::steady_clock;

double cpuSeconds(clockid_t clock) {
    timespec t{};
    clock_gettime(clock, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

double threadCpuSeconds(std::thread& t) {
    clockid_t id;
    if (pthread_getcpuclockid(t.native_handle(), &id) != 0) return 0.0;
    return cpuSeconds(id);
}

struct TransferRun {
    std::uint32_t samples = 0;
    double streamSeconds = 0;   // first sample seen .. last sample seen
    double programCpu = 0;      // process CPU less the simulator's thread, same interval
    std::uint32_t sentInStream = 0;  // samples the simulator wrote in that interval
};

// Transfers span `spanIndex` from a simulator on COM1, playing the 50 ms and
// 100 ms timers. Between ticks it looks at the samples every pollMs (0: only at
// the ticks, so that the looking costs nothing) to time the stream. Returns
// what arrived and how fast.
TransferRun transfer(const sim::Options& options, int spanIndex, int pollMs) {
    resetGlobalStateForTests();
    fake::reset();
    fake::resetProgress();
    gApp.deviceAnswered.create(Event::Reset::Manual);
    gApp.countConfirmed.create(Event::Reset::Manual);
    for (int n = 2; n <= 8; ++n) testsupport::mapPort(n, "none");

    testsupport::LoggerOnPort logger;
    TransferRun run;
    std::string error;
    if (!logger.start(options, 1, &error)) return run;
    gSettings.port = 1;
    openConfiguredPort();

    fake::state().dialogAnswers.push_back(spanIndex + 1);
    startTransfer();
    while (!fake::state().postedCommands.empty()) {  // a fresh program may ping twice
        fake::state().postedCommands.clear();
        startTransfer();
    }

    auto next50 = Clock::now();
    auto next100 = next50;
    bool started = false;
    Clock::time_point first, last;
    double cpuFirst = 0, simFirst = 0, cpuLast = 0, simLast = 0;
    std::uint32_t seen = 0, sentFirst = 0, sentLast = 0;
    while (gApp.countSent == 1 || gApp.cmdHead != gApp.cmdTail || gApp.receiving == 1) {
        auto wake = next50 < next100 ? next50 : next100;
        if (pollMs > 0) wake = std::min(wake, Clock::now() + std::chrono::milliseconds(pollMs));
        std::this_thread::sleep_until(wake);
        const auto now = Clock::now();
        if (now >= next50) {
            pumpCommands();
            next50 += std::chrono::milliseconds(50);
        }
        const std::uint32_t received = gApp.receivedCount.load();
        if (gApp.receiving == 1 && received > 0 && !started) {
            started = true;
            first = now;
            cpuFirst = cpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
            simFirst = threadCpuSeconds(logger.runner);
            sentFirst = logger.stats().samplesSent.load();
        }
        if (started && received != seen) {
            seen = received;
            last = now;
            cpuLast = cpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
            simLast = threadCpuSeconds(logger.runner);
            sentLast = logger.stats().samplesSent.load();
        }
        if (now >= next100) {
            trackProgress();
            next100 += std::chrono::milliseconds(100);
        }
    }
    closeLink();
    logger.stop();
    testsupport::mapPort(1, "");
    for (int n = 2; n <= 8; ++n) testsupport::mapPort(n, "");

    run.samples = gHeader.recordCount;
    run.streamSeconds = std::chrono::duration<double>(last - first).count();
    run.programCpu = (cpuLast - cpuFirst) - (simLast - simFirst);
    run.sentInStream = sentLast - sentFirst;
    return run;
}

void BM_TransferRealPace(benchmark::State& state) {
    sim::Options options;
    options.sampleTime = 50;
    options.pace = sim::Pace::Real;
    TransferRun run;
    for (auto _ : state) run = transfer(options, 6, 0);  // "2 hours" at 0.5 s: 14,400 samples
    if (run.samples != 14400 || run.streamSeconds <= 0) {
        state.SkipWithError("the transfer did not complete");
        return;
    }
    const double rate = run.samples / run.streamSeconds;
    state.counters["samples"] = run.samples;
    state.counters["samples_per_s"] = rate;
    state.counters["of_line_rate_%"] = 100.0 * rate / 1440.0;
    // What the simulator managed to write meanwhile: when the machine is busy it
    // falls behind the line's pace itself, and the program can only keep up.
    state.counters["sim_sent_per_s"] = run.sentInStream / run.streamSeconds;
    state.counters["program_cpu_%_of_core"] = 100.0 * run.programCpu / run.streamSeconds;
}
BENCHMARK(BM_TransferRealPace)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

void BM_TransferFast(benchmark::State& state) {
    sim::Options options;
    options.sampleTime = 2;
    options.pace = sim::Pace::Fast;
    options.profile = sim::Profile::Ramp;
    TransferRun run;
    for (auto _ : state) run = transfer(options, 8, 1);  // 4,320,000 asked, the store's 1,048,576 sent
    if (run.samples != kStoreCapacity || run.streamSeconds <= 0) {
        state.SkipWithError("the transfer did not complete");
        return;
    }
    state.counters["samples"] = run.samples;
    state.counters["stream_s"] = run.streamSeconds;
    state.counters["samples_per_s"] = run.samples / run.streamSeconds;
    state.counters["x_line_rate"] = run.samples / run.streamSeconds / 1440.0;
}
BENCHMARK(BM_TransferFast)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
