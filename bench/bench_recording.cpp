// Recording data with a full store of 1,048,576 records: timestamp assignment,
// save and load of the 9.4 MB recording file against a plain copy of the same
// bytes, and the CSV export.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/files.h"
#include "recording/csv_export.h"
#include "recording/recording_file.h"
#include "recording/store.h"
#include "recording/timestamps.h"
#include "shell/app_state.h"

namespace {

const std::filesystem::path& benchDir() {
    static const std::filesystem::path dir = [] {
        auto d = std::filesystem::temp_directory_path() / "vantrel-bench-recording";
        std::filesystem::create_directories(d);
        return d;
    }();
    return dir;
}
std::string benchFile(const char* name) { return (benchDir() / name).string(); }

void fullRecording(std::uint16_t sampleTime) {
    resetGlobalStateForTests();
    gHeader.sampleTime = sampleTime;
    gHeader.recordCount = kStoreCapacity;
    for (std::uint32_t i = 0; i < kStoreCapacity; ++i) gStore[i].value = static_cast<std::uint8_t>(i % 256);
    assignTimesBackward({2024, 3, 1, 12, 0, 0});
}

void BM_AssignTimesForward(benchmark::State& state) {
    fullRecording(static_cast<std::uint16_t>(state.range(0)));
    for (auto _ : state) {
        assignTimesForward({2024, 2, 28, 23, 0, 0});
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kStoreCapacity);
}
BENCHMARK(BM_AssignTimesForward)->Arg(2)->Arg(25)->Arg(100)->Unit(benchmark::kMillisecond);

void BM_AssignTimesBackward(benchmark::State& state) {
    fullRecording(static_cast<std::uint16_t>(state.range(0)));
    for (auto _ : state) {
        assignTimesBackward({2024, 3, 1, 0, 0, 0});
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kStoreCapacity);
}
BENCHMARK(BM_AssignTimesBackward)->Arg(2)->Arg(25)->Arg(100)->Unit(benchmark::kMillisecond);

// The recording file written and read back, as Save and Open do it.
void BM_SaveThenLoad(benchmark::State& state) {
    fullRecording(50);
    const std::string path = benchFile("full.udd");
    for (auto _ : state) {
        int code = 0;
        if (writeRecordingFile(path.c_str(), code) != SaveStatus::Saved) state.SkipWithError("save failed");
        if (readRecordingFile(path.c_str(), code) != LoadStatus::Loaded) state.SkipWithError("load failed");
    }
    state.SetBytesProcessed(state.iterations() * 2 * static_cast<std::int64_t>(kHeaderBytes + kStoreBytes));
}
BENCHMARK(BM_SaveThenLoad)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same bytes written to a file and read back with one call each: the
// reference the recording file is held to (at most twice this). Save puts the
// file on disc before it takes the old one's name, so the fair reference is
// the copy with its bytes on disc too (argument 1) rather than only in the
// system's cache (argument 0).
void BM_PlainCopyOfTheSameBytes(benchmark::State& state) {
    const bool onDisc = state.range(0) != 0;
    std::vector<char> bytes(kHeaderBytes + kStoreBytes, 'x');
    const std::string path = benchFile("plain.bin");
    for (auto _ : state) {
        std::FILE* out = std::fopen(path.c_str(), "wb");
        if (!out || std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size()) state.SkipWithError("write");
        if (out && onDisc && platform::flushToDisc(out) != 0) state.SkipWithError("flush");
        if (out) std::fclose(out);
        std::FILE* in = std::fopen(path.c_str(), "rb");
        if (!in || std::fread(bytes.data(), 1, bytes.size(), in) != bytes.size()) state.SkipWithError("read");
        if (in) std::fclose(in);
        benchmark::DoNotOptimize(bytes.data());
    }
    state.SetBytesProcessed(state.iterations() * 2 * static_cast<std::int64_t>(bytes.size()));
}
BENCHMARK(BM_PlainCopyOfTheSameBytes)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_WriteCsvAll(benchmark::State& state) {
    fullRecording(50);
    const std::string path = benchFile("all.csv");
    std::int64_t bytes = 0;
    for (auto _ : state) {
        std::FILE* f = std::fopen(path.c_str(), "wb");
        if (!f || writeCsv(f, 0, kStoreCapacity - 1, 1) != 0) state.SkipWithError("export failed");
        if (f) {
            bytes = std::ftell(f);
            std::fclose(f);
        }
    }
    state.SetBytesProcessed(state.iterations() * bytes);
}
BENCHMARK(BM_WriteCsvAll)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
