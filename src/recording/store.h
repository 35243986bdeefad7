// The one recording held in memory: its samples, its header and the table of
// spans a user can fetch or zoom to. Plain data; the modules that fill and read
// it keep the invariants stated below.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// One sample: its timestamp as decimal fields and the raw reading.
// Bytes 0..7 are written only by timestamp assignment (and by loading a file);
// the value byte is the instrument's reading and never changes afterwards.
struct SampleRecord {
    std::uint8_t year;        // calendar year minus 2000, 0..99
    std::uint8_t month;       // 1..12
    std::uint8_t day;         // 1..31
    std::uint8_t hour;        // 0..23
    std::uint8_t minute;      // 0..59
    std::uint8_t second;      // 0..59
    std::uint8_t tenths;      // 0..9
    std::uint8_t hundredths;  // 0..9
    std::uint8_t value;       // 0..149 reading, 150..254 reading not exported, 201/202 marker, 255 gap
};
static_assert(sizeof(SampleRecord) == 9, "a sample is 9 bytes on disk and in memory");
static_assert(alignof(SampleRecord) == 1, "samples are packed without padding");

// Value classes shared by every reader of samples.
inline constexpr std::uint8_t kMarkerLow = 201;
inline constexpr std::uint8_t kMarkerHigh = 202;
inline constexpr std::uint8_t kGapValue = 255;
inline constexpr std::uint8_t kFirstUnexportedValue = 150;

inline constexpr bool isMarker(std::uint8_t v) { return v == kMarkerLow || v == kMarkerHigh; }
inline constexpr bool isGap(std::uint8_t v) { return v == kGapValue; }

// The 20-byte header. In memory it is kept in host order; the file module
// converts to and from little-endian bytes, so the on-disk form is the same on
// any host.
struct RecordingHeader {
    std::uint16_t sampleTime;              // 1/100 s between samples, reported by the logger
    std::uint16_t spanIndex;               // SpanTable row of the fetched span, 0..13
    std::uint32_t recordCount;             // valid records 0 .. recordCount-1
    std::array<std::uint8_t, 12> reserved; // never interpreted, kept as loaded
};
inline constexpr std::size_t kHeaderBytes = 20;

inline constexpr std::uint32_t kStoreCapacity = 1048576;  // records
inline constexpr std::size_t kStoreBytes = std::size_t{kStoreCapacity} * sizeof(SampleRecord);

// The global recording on show. Its store is one of two blocks allocated at
// program start and kept for the whole run; records at or beyond recordCount
// are stale data. Only the user-interface thread reads or writes the header
// and the store: the reader thread puts samples into gReceivedValues.
extern RecordingHeader gHeader;
extern SampleRecord* gStore;       // kStoreCapacity records, the recording on show
// The other block: a file is read into it and becomes the recording on show
// (by swapStoreBlocks) only when every byte arrived. Contents are scratch.
extern SampleRecord* gSpareStore;  // kStoreCapacity records
// Exchanges gStore and gSpareStore (user-interface thread).
void swapStoreBlocks();

// Values of the transfer being received, in arrival order: written only by the
// reader thread while a transfer accepts samples, copied into gStore when the
// transfer completes, so a transfer that fails or is aborted never touches the
// recording on show.
extern std::uint8_t* const gReceivedValues;  // kStoreCapacity bytes

// The header's sampleTime. Kept as functions so every reader goes through one
// place; the logger's reports never reach the header directly.
std::uint16_t loadSampleTime();
void storeSampleTime(std::uint16_t t);

// Spans a user can fetch (transfer) or zoom to (combo box). The label of row i
// is message i + 1.
struct SpanRow {
    std::uint32_t halfSpan;  // half the span's length in 1/100 s
};
inline constexpr int kSpanCount = 14;
inline constexpr std::array<SpanRow, kSpanCount> kSpanTable = {{
    {6000}, {15000}, {30000}, {60000}, {150000}, {180000}, {360000},
    {900000}, {2160000}, {3240000}, {4320000}, {21600000}, {30240000}, {51840000},
}};

// Puts header and store back to their start values (tests only: the program
// never clears the store).
void resetRecordingForTests();
