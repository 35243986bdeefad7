#include "recording/store.h"

#include <cstring>
#include <memory>
#include <utility>

RecordingHeader gHeader{};

namespace {
// Allocated once, before main, for the life of the process.
std::unique_ptr<SampleRecord[]> allocateStore() {
    return std::unique_ptr<SampleRecord[]>(new SampleRecord[kStoreCapacity]());
}
std::unique_ptr<SampleRecord[]> gStoreBlockA = allocateStore();
std::unique_ptr<SampleRecord[]> gStoreBlockB = allocateStore();
std::unique_ptr<std::uint8_t[]> gReceiveBlock(new std::uint8_t[kStoreCapacity]());
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
