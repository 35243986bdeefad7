#include "recording/store.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <utility>

RecordingHeader gHeader{};

namespace {
// Allocated once, before main, for the life of the process. calloc hands out
// blocks this large as pages the system zeroes when first touched, so a
// process that never fills the store (vantreldaq-cli --version, a report
// reading one file into one block) does not pay for clearing 20 MB at start:
// value-initialising them with new[]() cost about 80 ms per start on a busy VM.
struct FreeBlock {
    void operator()(void* p) const { std::free(p); }
};
template <typename T>
std::unique_ptr<T[], FreeBlock> allocateZeroed() {
    void* p = std::calloc(kStoreCapacity, sizeof(T));
    if (p == nullptr) std::abort();  // no memory for the store: nothing can run
    return std::unique_ptr<T[], FreeBlock>(static_cast<T*>(p));
}
std::unique_ptr<SampleRecord[], FreeBlock> gStoreBlockA = allocateZeroed<SampleRecord>();
std::unique_ptr<SampleRecord[], FreeBlock> gStoreBlockB = allocateZeroed<SampleRecord>();
std::unique_ptr<std::uint8_t[], FreeBlock> gReceiveBlock = allocateZeroed<std::uint8_t>();
}  // namespace

SampleRecord* gStore = gStoreBlockA.get();
SampleRecord* gSpareStore = gStoreBlockB.get();
std::uint8_t* const gReceivedValues = gReceiveBlock.get();

void swapStoreBlocks() { std::swap(gStore, gSpareStore); }

std::uint16_t loadSampleTime() { return gHeader.sampleTime; }

void storeSampleTime(std::uint16_t t) { gHeader.sampleTime = t; }

void resetRecordingForTests() {
    gHeader = RecordingHeader{};
    gStore = gStoreBlockA.get();
    gSpareStore = gStoreBlockB.get();
    std::memset(static_cast<void*>(gStore), 0, kStoreBytes);
    std::memset(static_cast<void*>(gSpareStore), 0, kStoreBytes);
    std::memset(gReceivedValues, 0, kStoreCapacity);
}
