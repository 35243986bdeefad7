// The load report: the figures a technician hands over about a recording
// (peak, spread, time above thresholds, demand per clock interval, day by day,
// energy), computed in one pass over a span of records.
//
// The figures are plain data: the command line writes them as text or JSON,
// and a window or a printed page can draw them without computing anything
// again. Times are the records' own stamps; durations are record counts times
// the header's sample time.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "recording/store.h"

// A reading is a record whose value is neither a marker (201, 202) nor a gap
// (255): 0..200 and 203..254, in percent of rated power.
inline constexpr bool isReading(std::uint8_t v) { return !isMarker(v) && !isGap(v); }

inline constexpr int kMaxReportThresholds = 32;
inline constexpr std::array<int, 6> kDemandMinutes = {1, 5, 10, 15, 30, 60};

struct ReportOptions {
    std::vector<std::uint8_t> thresholds = {80, 100};  // levels 1..254 in percent; sorted and made unique
    int demandMinutes = 15;                            // one of kDemandMinutes
    double ratedKw = 0.0;                              // > 0: energy is computed; 0: no energy
};

// Whether the options can be used: thresholds 1..254 (at most 32 distinct),
// a demand interval of kDemandMinutes, a rated power of 0 (none) or a finite
// positive number up to 1e6 kW.
bool reportOptionsValid(const ReportOptions& o);

// The time fields of a stamp (a record's bytes 0..7).
struct ReportStamp {
    std::uint8_t year, month, day, hour, minute, second, tenths, hundredths;
};
ReportStamp stampOf(const SampleRecord& r);

struct ThresholdFigures {
    std::uint8_t level;            // percent
    std::uint32_t readings;        // readings >= level
    std::uint32_t episodes;        // maximal runs of consecutive records that are readings >= level
    std::uint32_t longestRecords;  // length of the longest run; 0 when never reached
    std::uint32_t longestStart;    // record index of its first record (valid when longestRecords > 0)
    ReportStamp longestStartStamp;
};

// One clock interval [start, start + demandMinutes): the records whose stamps
// fall into it, in record order. Whole when the recording covers it
// completely: the first record's stamp is at or before its start and the last
// record's stamp at or after its last sample slot (its end minus one stamp
// step, min(sampleTime, 100) hundredths).
struct DemandInterval {
    ReportStamp start;       // aligned: minute a multiple of the interval, seconds and fractions 0
    std::uint32_t readings;  // 0: no mean (markers and gaps only)
    std::uint64_t sum;       // of the readings' values
    bool whole;
};

struct DayFigures {
    std::uint8_t year, month, day;  // year minus 2000
    std::uint32_t readings;
    std::uint8_t max;  // valid when readings > 0
    std::uint64_t sum;
};

struct LoadReport {
    std::uint32_t first = 0;  // record index of the span's first record
    std::uint32_t records = 0;
    std::uint32_t readings = 0;
    std::uint32_t markers = 0;
    std::uint32_t gaps = 0;
    std::uint16_t sampleTime = 0;  // 1/100 s
    ReportStamp start{}, end{};    // first and last record of the span

    // Valid only when readings > 0 (there are no figures without readings).
    std::uint8_t max = 0, min = 0;
    std::uint32_t maxAt = 0, minAt = 0;  // record index of the first record holding it
    ReportStamp maxAtStamp{}, minAtStamp{};
    std::uint64_t sum = 0;  // of all readings
    std::uint8_t p50 = 0, p95 = 0, p99 = 0;
    std::vector<ThresholdFigures> thresholds;
    int demandMinutes = 15;
    std::vector<DemandInterval> intervals;  // in record order
    // Highest demand over the whole intervals with readings; over the partial
    // ones (demandPartial) when no whole interval has a reading. -1: none.
    int maxDemand = -1;
    bool demandPartial = false;
    std::vector<DayFigures> days;                // in record order
    double ratedKw = 0.0;                        // 0: no energy
    std::array<std::uint32_t, 256> histogram{};  // count per value (markers and gaps included)
};

// The figures over records[0 .. count-1] at sampleTime (1/100 s); their
// indices count from `first` (the index of records[0] in its store). The
// options must be valid. count 0 gives an empty report.
void computeLoadReport(const SampleRecord* records, std::uint32_t count, std::uint32_t first,
                       std::uint16_t sampleTime, const ReportOptions& options, LoadReport& out);
// The figures over records first .. last (inclusive) of the recording in
// memory; last is cut to its last record.
void computeLoadReport(std::uint32_t first, std::uint32_t last, const ReportOptions& options,
                       LoadReport& out);

// Derived figures, all in exact integer arithmetic rounded half up.
// Hundredths of a second for n records.
std::uint64_t reportHundredths(const LoadReport& r, std::uint64_t records);
// The mean of sum over n in hundredths (n > 0): 12.345 -> 1235.
std::uint64_t meanHundredths(std::uint64_t sum, std::uint64_t n);
// p percent of the readings as hundredths of a percent (share of a threshold).
std::uint64_t shareHundredths(std::uint64_t part, std::uint64_t whole);
// Energy in hundredths of a kWh (rated power given, readings present).
std::uint64_t energyHundredthsKwh(const LoadReport& r);
