#include "recording/store.h"

#include <atomic>
#include <cstring>
#include <memory>

RecordingHeader gHeader{};

namespace {
// Allocated once, before main, for the life of the process.
std::unique_ptr<SampleRecord[]> allocateStore() {
    return std::unique_ptr<SampleRecord[]>(new SampleRecord[kStoreCapacity]());
}
std::unique_ptr<SampleRecord[]> gStoreBlock = allocateStore();
}  // namespace

SampleRecord* const gStore = gStoreBlock.get();

std::uint16_t loadSampleTime() {
    return std::atomic_ref<std::uint16_t>(gHeader.sampleTime).load(std::memory_order_relaxed);
}

void storeSampleTime(std::uint16_t t) {
    std::atomic_ref<std::uint16_t>(gHeader.sampleTime).store(t, std::memory_order_relaxed);
}

void resetRecordingForTests() {
    gHeader = RecordingHeader{};
    std::memset(static_cast<void*>(gStore), 0, kStoreBytes);
}
