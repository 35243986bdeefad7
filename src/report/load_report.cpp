#include "report/load_report.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

namespace {

// Days since 2000-01-01 of a stamp's date (proleptic Gregorian). Fields out of
// range in a damaged file give some number, never undefined behaviour.
std::int64_t daysSince2000(int year2, int month, int day) {
    std::int64_t y = 2000 + year2;
    const int m = month < 1 ? 1 : (month > 12 ? 12 : month);
    if (m <= 2) --y;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 730425;  // 730425: days from 0000-03-01 to 2000-01-01
}

std::int64_t hundredthsOf(const ReportStamp& s) {
    return ((daysSince2000(s.year, s.month, s.day) * 24 + s.hour) * 60 + s.minute) * 6000 +
           std::int64_t{s.second} * 100 + s.tenths * 10 + s.hundredths;
}

// The first five stamp bytes (year .. minute) as one number: records of the
// same minute share it, so the per-record work is one comparison. Built from
// loads only (a 5-byte copy into a local would be stored and read back, which
// stalls the pass).
inline std::uint64_t minuteKey(const SampleRecord& r) {
    std::uint32_t date = 0;
    std::memcpy(&date, &r, 4);
    return date | std::uint64_t{r.minute} << 32;
}

// The readings of one minute, gathered in the pass and handed on when the minute ends.
struct MinuteTotals {
    ReportStamp stamp;  // of its first record
    std::uint32_t readings;
    std::uint64_t sum;
    std::uint8_t max;  // of the readings; 0 when none
};

struct IntervalRule {
    int minutes;
    std::int64_t firstHundredths, lastHundredths;  // of the span's first and last record
    std::int64_t step;                             // stamp step, hundredths
};

// Adds a minute to its demand interval and its day (new ones when the stamp
// leaves the current ones).
void addMinute(LoadReport& out, const MinuteTotals& m, const IntervalRule& rule) {
    ReportStamp aligned = m.stamp;
    aligned.minute = static_cast<std::uint8_t>(aligned.minute - aligned.minute % rule.minutes);
    aligned.second = aligned.tenths = aligned.hundredths = 0;
    DemandInterval* iv = out.intervals.empty() ? nullptr : &out.intervals.back();
    if (iv == nullptr || std::memcmp(&iv->start, &aligned, sizeof aligned) != 0) {
        const std::int64_t s = hundredthsOf(aligned);
        const bool whole =
            rule.firstHundredths <= s && rule.lastHundredths >= s + rule.minutes * 6000 - rule.step;
        out.intervals.push_back({aligned, 0, 0, whole});
        iv = &out.intervals.back();
    }
    iv->readings += m.readings;
    iv->sum += m.sum;
    DayFigures* d = out.days.empty() ? nullptr : &out.days.back();
    if (d == nullptr || d->year != m.stamp.year || d->month != m.stamp.month || d->day != m.stamp.day) {
        out.days.push_back({m.stamp.year, m.stamp.month, m.stamp.day, 0, 0, 0});
        d = &out.days.back();
    }
    d->readings += m.readings;
    d->sum += m.sum;
    if (m.readings > 0 && m.max > d->max) d->max = m.max;
}

}  // namespace

bool reportOptionsValid(const ReportOptions& o) {
    std::vector<std::uint8_t> levels = o.thresholds;
    std::sort(levels.begin(), levels.end());
    levels.erase(std::unique(levels.begin(), levels.end()), levels.end());
    if (levels.size() > static_cast<std::size_t>(kMaxReportThresholds)) return false;
    for (std::uint8_t l : levels)
        if (l < 1 || l > 254) return false;
    if (std::find(kDemandMinutes.begin(), kDemandMinutes.end(), o.demandMinutes) == kDemandMinutes.end())
        return false;
    return std::isfinite(o.ratedKw) && o.ratedKw >= 0.0 && o.ratedKw <= 1e6;
}

ReportStamp stampOf(const SampleRecord& r) {
    return {r.year, r.month, r.day, r.hour, r.minute, r.second, r.tenths, r.hundredths};
}

void computeLoadReport(const SampleRecord* records, std::uint32_t count, std::uint32_t first,
                       std::uint16_t sampleTime, const ReportOptions& options, LoadReport& out) {
    // The lists keep their capacity, so a report recomputed with other
    // options (a window's dialog) allocates nothing.
    std::vector<ThresholdFigures> thresholds = std::move(out.thresholds);
    std::vector<DemandInterval> intervals = std::move(out.intervals);
    std::vector<DayFigures> days = std::move(out.days);
    out = LoadReport{};
    thresholds.clear();
    intervals.clear();
    days.clear();
    out.thresholds = std::move(thresholds);
    out.intervals = std::move(intervals);
    out.days = std::move(days);
    out.first = first;
    out.records = count;
    out.sampleTime = sampleTime;
    out.demandMinutes = options.demandMinutes;
    out.ratedKw = options.ratedKw;
    if (count == 0) return;
    out.start = stampOf(records[0]);
    out.end = stampOf(records[count - 1]);

    std::vector<std::uint8_t> levels = options.thresholds;
    std::sort(levels.begin(), levels.end());
    levels.erase(std::unique(levels.begin(), levels.end()), levels.end());
    const std::size_t nLevels = std::min<std::size_t>(levels.size(), kMaxReportThresholds);
    // Bit b of reach[v]: value v is a reading at or above level b.
    std::array<std::uint32_t, 256> reach{};
    for (int v = 0; v < 256; ++v)
        for (std::size_t b = 0; b < nLevels; ++b)
            if (isReading(static_cast<std::uint8_t>(v)) && v >= levels[b]) reach[v] |= 1u << b;
    std::array<std::uint8_t, 256> asReading{};  // the value of a reading, 0 for markers and gaps
    std::array<std::uint8_t, 256> readingBit{};
    for (int v = 0; v < 256; ++v) {
        readingBit[v] = isReading(static_cast<std::uint8_t>(v)) ? 1 : 0;
        asReading[v] = readingBit[v] ? static_cast<std::uint8_t>(v) : 0;
    }

    std::array<std::uint32_t, kMaxReportThresholds> runStart{}, episodes{}, longest{}, longestStart{};
    auto closeRuns = [&](std::uint32_t ended, std::uint32_t at) {
        while (ended != 0) {
            const int b = std::countr_zero(ended);
            ended &= ended - 1;
            const std::uint32_t len = at - runStart[b];
            ++episodes[b];
            if (len > longest[b]) {
                longest[b] = len;
                longestStart[b] = runStart[b];
            }
        }
    };

    std::array<std::uint32_t, 256>& hist = out.histogram;
    std::array<std::uint32_t, 256> firstAt{};

    // Records of one minute are gathered first and handed to their demand
    // interval and their day when the minute changes.
    const std::int64_t step = std::min<std::int64_t>(sampleTime, 100);
    const std::int64_t firstHundredths = hundredthsOf(out.start);
    const std::int64_t lastHundredths = hundredthsOf(out.end);
    const int minutes = options.demandMinutes;
    // Room for every interval and day between the first and the last stamp
    // at once: growing a list of 17,000 one-minute intervals step by step
    // costs more than the pass itself.
    if (lastHundredths >= firstHundredths) {
        const std::int64_t span = lastHundredths - firstHundredths;
        out.intervals.reserve(
            static_cast<std::size_t>(std::min<std::int64_t>(span / (minutes * 6000) + 2, count)));
        out.days.reserve(static_cast<std::size_t>(std::min<std::int64_t>(span / 8640000 + 2, count)));
    }
    const IntervalRule rule{minutes, firstHundredths, lastHundredths, step};
    std::uint32_t minuteReadings = 0;
    std::uint64_t minuteSum = 0;
    std::uint8_t minuteMax = 0;
    ReportStamp minuteStamp{};

    std::uint64_t key = minuteKey(records[0]);
    minuteStamp = out.start;
    std::uint32_t prevReach = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        const SampleRecord& r = records[i];
        if (const std::uint64_t k = minuteKey(r); k != key) {
            addMinute(out, {minuteStamp, minuteReadings, minuteSum, minuteMax}, rule);
            key = k;
            minuteStamp = stampOf(r);
            minuteReadings = 0;
            minuteSum = 0;
            minuteMax = 0;
        }
        const std::uint8_t v = r.value;
        if (hist[v]++ == 0) firstAt[v] = i;
        minuteReadings += readingBit[v];
        minuteSum += asReading[v];
        minuteMax = std::max(minuteMax, asReading[v]);
        if (const std::uint32_t m = reach[v]; m != prevReach) {
            const std::uint32_t changed = m ^ prevReach;
            for (std::uint32_t started = changed & m; started != 0; started &= started - 1)
                runStart[std::countr_zero(started)] = i;
            closeRuns(changed & prevReach, i);
            prevReach = m;
        }
    }
    addMinute(out, {minuteStamp, minuteReadings, minuteSum, minuteMax}, rule);
    closeRuns(prevReach, count);

    out.markers = hist[kMarkerLow] + hist[kMarkerHigh];
    out.gaps = hist[kGapValue];
    out.readings = count - out.markers - out.gaps;
    if (out.readings == 0) {
        out.intervals.clear();
        out.days.clear();
        return;
    }

    bool seen = false;
    std::uint64_t cumulative = 0;
    bool have50 = false, have95 = false, have99 = false;
    for (int v = 0; v < 255; ++v) {
        if (!isReading(static_cast<std::uint8_t>(v)) || hist[v] == 0) continue;
        if (!seen) {
            out.min = static_cast<std::uint8_t>(v);
            seen = true;
        }
        out.max = static_cast<std::uint8_t>(v);
        out.sum += std::uint64_t{hist[v]} * v;
        cumulative += hist[v];
        // Nearest rank: the smallest v with at least p % of the readings <= v.
        auto reached = [&](std::uint64_t p) { return cumulative * 100 >= p * out.readings; };
        if (!have50 && reached(50)) {
            out.p50 = static_cast<std::uint8_t>(v);
            have50 = true;
        }
        if (!have95 && reached(95)) {
            out.p95 = static_cast<std::uint8_t>(v);
            have95 = true;
        }
        if (!have99 && reached(99)) {
            out.p99 = static_cast<std::uint8_t>(v);
            have99 = true;
        }
    }
    out.maxAt = first + firstAt[out.max];
    out.minAt = first + firstAt[out.min];
    out.maxAtStamp = stampOf(records[firstAt[out.max]]);
    out.minAtStamp = stampOf(records[firstAt[out.min]]);

    for (std::size_t b = 0; b < nLevels; ++b) {
        ThresholdFigures t{};
        t.level = levels[b];
        for (int v = levels[b]; v < 255; ++v)
            if (isReading(static_cast<std::uint8_t>(v))) t.readings += hist[v];
        t.episodes = episodes[b];
        t.longestRecords = longest[b];
        if (longest[b] > 0) {
            t.longestStart = first + longestStart[b];
            t.longestStartStamp = stampOf(records[longestStart[b]]);
        }
        out.thresholds.push_back(t);
    }

    // Highest mean; exact comparison of sums over counts, the first one wins a tie.
    auto highest = [&](bool wantWhole) {
        int best = -1;
        for (std::size_t i = 0; i < out.intervals.size(); ++i) {
            const DemandInterval& iv = out.intervals[i];
            if (iv.whole != wantWhole || iv.readings == 0) continue;
            if (best < 0 || iv.sum * out.intervals[best].readings > out.intervals[best].sum * iv.readings)
                best = static_cast<int>(i);
        }
        return best;
    };
    out.maxDemand = highest(true);
    if (out.maxDemand < 0) {
        out.maxDemand = highest(false);
        out.demandPartial = true;
    }
}

void computeLoadReport(std::uint32_t first, std::uint32_t last, const ReportOptions& options,
                       LoadReport& out) {
    const std::uint32_t count = std::min(gHeader.recordCount, kStoreCapacity);
    if (count == 0 || first >= count) {
        computeLoadReport(gStore, 0, first, gHeader.sampleTime, options, out);
        return;
    }
    if (last >= count) last = count - 1;
    const std::uint32_t n = last >= first ? last - first + 1 : 0;
    computeLoadReport(gStore + first, n, first, gHeader.sampleTime, options, out);
}

std::uint64_t reportHundredths(const LoadReport& r, std::uint64_t records) { return records * r.sampleTime; }

std::uint64_t meanHundredths(std::uint64_t sum, std::uint64_t n) {
    return n == 0 ? 0 : (sum * 200 + n) / (2 * n);
}

std::uint64_t shareHundredths(std::uint64_t part, std::uint64_t whole) {
    return whole == 0 ? 0 : (part * 20000 + whole) / (2 * whole);
}

std::uint64_t energyHundredthsKwh(const LoadReport& r) {
    // sum/100 x kW x (sampleTime/100 s) / 3600 s/h, in hundredths.
    const double e = static_cast<double>(r.sum) * r.ratedKw * r.sampleTime / 360000.0;
    return static_cast<std::uint64_t>(std::llround(e));
}
