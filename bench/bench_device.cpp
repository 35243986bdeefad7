// The device link's speed: the dispatcher over sample frames, a full transfer
// over a pseudo-terminal at full speed, and the CPU the link's threads use while
// samples arrive at the real 57,600-baud pace. The logger runs as a separate
// process (vantrel-logger-sim), so the CPU measured is the program's own.
//
// Budgets: dispatcher >= 200 MB/s; 1,048,576 samples in <= 0.73 s; <= 1 % of a
// core at the real pace.
#include <benchmark/benchmark.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "device/link.h"
#include "device/protocol.h"
#include "logger_sim.h"
#include "recording/store.h"
#include "shell/app_state.h"

extern char** environ;

namespace {

constexpr int kPort = 3;

// A day's worth of realistic sample frames, as the logger sends them.
std::vector<std::uint8_t> sampleStream(std::uint32_t samples) {
    sim::Options o;
    std::vector<std::uint8_t> bytes;
    bytes.reserve(std::size_t{samples} * 4);
    for (std::uint32_t k = 0; k < samples; ++k) {
        std::uint8_t f[6];
        const int n = encodeLoggerFrame(sim::sampleValue(o, k), f);
        bytes.insert(bytes.end(), f, f + n);
    }
    return bytes;
}

double seconds(clockid_t clock) {
    timespec ts{};
    clock_gettime(clock, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}
// CPU of every thread but the calling one: the link's reader and writer.
double ioThreadsCpu() { return seconds(CLOCK_PROCESS_CPUTIME_ID) - seconds(CLOCK_THREAD_CPUTIME_ID); }

// vantrel-logger-sim in its own process, on a pseudo-terminal mapped to COM3.
struct LoggerProcess {
    pid_t pid = -1;
    bool start(std::vector<std::string> args) {
        int out[2];
        if (pipe(out) != 0) return false;
        args.insert(args.begin(), {VANTREL_LOGGER_SIM, "--no-register"});
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_adddup2(&fa, out[1], 1);
        posix_spawn_file_actions_addclose(&fa, out[0]);
        const int rc = posix_spawn(&pid, VANTREL_LOGGER_SIM, &fa, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&fa);
        close(out[1]);
        if (rc != 0) {
            close(out[0]);
            pid = -1;
            return false;
        }
        // First line: "logger on /dev/pts/N".
        std::string line;
        char c;
        while (read(out[0], &c, 1) == 1 && c != '\n') line += c;
        close(out[0]);
        const std::string prefix = "logger on ";
        if (line.rfind(prefix, 0) != 0) return false;
        setenv(("VANTREL_COM" + std::to_string(kPort)).c_str(), line.substr(prefix.size()).c_str(), 1);
        return true;
    }
    ~LoggerProcess() {
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
    }
};

bool requestAndStart(std::uint32_t n) {
    gApp.countConfirmed.reset();
    sendCode(static_cast<std::uint16_t>(CodeCountLow + (n & 0xFF)));
    sendCode(static_cast<std::uint16_t>(CodeCountMid + ((n >> 8) & 0xFF)));
    sendCode(static_cast<std::uint16_t>(CodeCountHigh + ((n >> 16) & 0xFF)));
    if (!gApp.countConfirmed.wait(10000)) return false;
    gApp.receivedCount = 0;
    gApp.acceptingSamples = true;
    gApp.startCodeWritten = true;
    sendCode(CodeStart);
    return true;
}

bool waitForSamples(std::uint32_t n, std::chrono::microseconds poll) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (gApp.receivedCount.load(std::memory_order_acquire) < n) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(poll);
    }
    return true;
}

// A transfer expecting n samples, as the program sets it up before the start code.
void expectSamples(std::uint32_t n) {
    gApp.expectedCount = n;
    gApp.acceptingSamples = true;
    gApp.startCodeWritten = true;
}

void BM_DispatchSampleFrames(benchmark::State& state) {
    resetGlobalStateForTests();
    expectSamples(262144);
    const std::vector<std::uint8_t> stream = sampleStream(262144);  // 1 MiB
    for (auto _ : state) {
        gApp.receivedCount.store(0, std::memory_order_relaxed);
        dispatchReceived(stream.data(), static_cast<int>(stream.size()));
        benchmark::DoNotOptimize(gApp.receivedCount.load(std::memory_order_relaxed));
    }
    if (gApp.receivedCount != 262144u) state.SkipWithError("samples lost");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * stream.size()));
}
BENCHMARK(BM_DispatchSampleFrames);

// The same bytes handed over one per call, as a reader that reads one byte at a
// time would.
void BM_DispatchOneByteCalls(benchmark::State& state) {
    resetGlobalStateForTests();
    expectSamples(262144);
    const std::vector<std::uint8_t> stream = sampleStream(262144);
    for (auto _ : state) {
        gApp.receivedCount.store(0, std::memory_order_relaxed);
        for (std::uint8_t b : stream) dispatchReceived(&b, 1);
        benchmark::DoNotOptimize(gApp.receivedCount.load(std::memory_order_relaxed));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * stream.size()));
}
BENCHMARK(BM_DispatchOneByteCalls);

void BM_FullTransferOverPty(benchmark::State& state) {
    resetGlobalStateForTests();
    gApp.countConfirmed.create(Event::Reset::Manual);
    LoggerProcess logger;
    if (!logger.start({"--pace", "fast", "--length", std::to_string(kStoreCapacity)}) ||
        openLink(kPort, 57600) != 1) {
        state.SkipWithError("no simulated logger");
        return;
    }
    double cpu = 0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        const double c0 = ioThreadsCpu();
        if (!requestAndStart(kStoreCapacity) || !waitForSamples(kStoreCapacity, std::chrono::microseconds(200))) {
            state.SkipWithError("transfer did not complete");
            break;
        }
        cpu += ioThreadsCpu() - c0;
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    }
    closeLink();
    const double samples = static_cast<double>(state.iterations()) * kStoreCapacity;
    state.counters["samples_per_s"] = benchmark::Counter(samples, benchmark::Counter::kIsRate);
    state.counters["io_cpu_ns_per_sample"] = cpu * 1e9 / samples;
}
BENCHMARK(BM_FullTransferOverPty)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

// About four seconds of samples at the line's own pace; reports the share of
// one core that the reader and writer threads used meanwhile.
void BM_CpuAtRealPace(benchmark::State& state) {
    resetGlobalStateForTests();
    gApp.countConfirmed.create(Event::Reset::Manual);
    LoggerProcess logger;
    if (!logger.start({"--pace", "real", "--length", std::to_string(kStoreCapacity)}) ||
        openLink(kPort, 57600) != 1) {
        state.SkipWithError("no simulated logger");
        return;
    }
    constexpr std::uint32_t kSamples = 5760;
    double cpu = 0;
    double wall = 0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        const double c0 = ioThreadsCpu();
        if (!requestAndStart(kSamples) || !waitForSamples(kSamples, std::chrono::milliseconds(100))) {
            state.SkipWithError("transfer did not complete");
            break;
        }
        cpu += ioThreadsCpu() - c0;
        const double w = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        wall += w;
        state.SetIterationTime(w);
    }
    closeLink();
    state.counters["io_cpu_percent_of_core"] = wall > 0 ? 100.0 * cpu / wall : 0;
    state.counters["samples_per_s"] = wall > 0 ? kSamples * static_cast<double>(state.iterations()) / wall : 0;
}
BENCHMARK(BM_CpuAtRealPace)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
