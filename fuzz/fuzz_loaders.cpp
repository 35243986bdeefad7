// Arbitrary bytes as a recording file and as a settings file.
//
// Recording: an accepted file replaces header and records exactly by its
// bytes; a refused one leaves header and store untouched. Settings: the block
// takes the bytes given, anything else keeps its value, and the language is
// always one the message table has.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "recording/recording_file.h"
#include "recording/settings_file.h"
#include "recording/store.h"
#include "shell/app_state.h"
#include "shell/messages.h"

namespace {

void check(bool ok) {
    if (!ok) std::abort();
}

// Fills the part of the store a small input could reach with a pattern.
void markStore(std::size_t records) {
    for (std::size_t i = 0; i < records; ++i)
        std::memset(static_cast<void*>(&gStore[i]), static_cast<int>(0x5A ^ i), sizeof(SampleRecord));
}
bool storeMarked(std::size_t records) {
    for (std::size_t i = 0; i < records; ++i) {
        const auto* p = reinterpret_cast<const std::uint8_t*>(&gStore[i]);
        for (std::size_t b = 0; b < sizeof(SampleRecord); ++b)
            if (p[b] != static_cast<std::uint8_t>(0x5A ^ i)) return false;
    }
    return true;
}

void fuzzRecording(const std::uint8_t* data, std::size_t size) {
    const std::size_t reach = size / sizeof(SampleRecord) + 2;
    const std::size_t marked = reach < kStoreCapacity ? reach : kStoreCapacity;
    markStore(marked);
    gHeader.sampleTime = 7;
    gHeader.spanIndex = 3;
    gHeader.recordCount = 11;
    gHeader.reserved.fill(0xEE);
    const RecordingHeader before = gHeader;

    const LoadStatus status = loadRecordingBytes(data, size);
    if (status != LoadStatus::Loaded) {
        check(std::memcmp(&gHeader, &before, sizeof before) == 0);
        check(storeMarked(marked));
        return;
    }
    check(size >= kHeaderBytes);
    check(gHeader.recordCount >= 1 && gHeader.recordCount <= kStoreCapacity && gHeader.sampleTime >= 1);
    std::uint8_t raw[kHeaderBytes];
    encodeHeader(gHeader, raw);
    check(std::memcmp(raw, data, kHeaderBytes) == 0);
    const std::size_t bytes = std::size_t{gHeader.recordCount} * sizeof(SampleRecord);
    check(size - kHeaderBytes >= bytes);
    check(std::memcmp(gStore, data + kHeaderBytes, bytes) == 0);
}

void fuzzSettings(const std::uint8_t* data, std::size_t size) {
    Settings s{};
    s.port = 1;
    s.reserved2.fill(0x33);
    std::uint8_t before[kSettingsBytes];
    encodeSettings(s, before);

    const int result = decodeSettingsBytes(data, size, s);
    check(result == (size >= kSettingsBytes ? 0 : kSettingsShort));
    check(s.language == English || s.language == German);

    std::uint8_t after[kSettingsBytes];
    encodeSettings(s, after);
    const std::size_t n = size < kSettingsBytes ? size : kSettingsBytes;
    for (std::size_t i = 0; i < kSettingsBytes; ++i) {
        if (i == 260 || i == 261) continue;  // language, checked above
        check(after[i] == (i < n ? data[i] : before[i]));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzRecording(data, size);
    fuzzSettings(data, size);
    return 0;
}
