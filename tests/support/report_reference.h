// A brute-force load report for tests: every figure computed the slow, obvious
// way (sorted readings for the percentiles, explicit runs, absolute times
// through std::chrono for the clock intervals), to hold the one-pass figures
// against.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "recording/store.h"

namespace test {

struct RefThreshold {
    int level;
    std::uint64_t count = 0, episodes = 0, longest = 0;
    std::size_t longestStart = 0;  // index in the span
    bool operator==(const RefThreshold&) const = default;
};
struct RefInterval {
    std::int64_t start;  // hundredths since 2000-01-01
    std::uint64_t n = 0, sum = 0;
    bool whole = false;
    bool operator==(const RefInterval&) const = default;
};
struct RefDay {
    std::string date;
    std::uint64_t n = 0, sum = 0;
    int max = -1;
    bool operator==(const RefDay&) const = default;
};
struct RefReport {
    std::uint64_t readings = 0, markers = 0, gaps = 0, sum = 0;
    int max = -1, min = 256;
    std::size_t maxAt = 0, minAt = 0;
    int p50 = -1, p95 = -1, p99 = -1;
    std::vector<RefThreshold> thresholds;
    std::vector<RefInterval> intervals;
    int maxDemand = -1;
    bool partial = false;
    std::vector<RefDay> days;
    std::map<int, std::uint64_t> histogram;
};

inline std::int64_t refHundredths(const SampleRecord& r) {
    using namespace std::chrono;
    const sys_days d = year_month_day{year{2000 + r.year}, month{r.month}, day{r.day}};
    return (d - sys_days{year{2000} / January / 1}).count() * 8640000LL + r.hour * 360000LL +
           r.minute * 6000LL + r.second * 100LL + r.tenths * 10LL + r.hundredths;
}

inline bool refIsReading(std::uint8_t v) { return v != 201 && v != 202 && v != 255; }

// thresholds: sorted, distinct.
inline RefReport referenceReport(const SampleRecord* recs, std::size_t n, std::uint16_t sampleTime,
                                 const std::vector<int>& thresholds, int minutes) {
    RefReport r;
    std::vector<int> values;
    for (std::size_t i = 0; i < n; ++i) {
        const int v = recs[i].value;
        if (v == 201 || v == 202)
            r.markers++;
        else if (v == 255)
            r.gaps++;
        else {
            values.push_back(v);
            r.sum += v;
            r.histogram[v]++;
            if (v > r.max) r.max = v, r.maxAt = i;
            if (v < r.min) r.min = v, r.minAt = i;
        }
    }
    r.readings = values.size();
    if (values.empty()) return r;
    std::sort(values.begin(), values.end());
    auto rank = [&](std::uint64_t p) { return values[(p * values.size() + 99) / 100 - 1]; };
    r.p50 = rank(50), r.p95 = rank(95), r.p99 = rank(99);

    for (int level : thresholds) {
        RefThreshold t{level};
        std::size_t i = 0;
        while (i < n) {
            if (!(refIsReading(recs[i].value) && recs[i].value >= level)) {
                ++i;
                continue;
            }
            std::size_t j = i;
            while (j < n && refIsReading(recs[j].value) && recs[j].value >= level) ++j;
            t.episodes++;
            t.count += j - i;
            if (j - i > t.longest) t.longest = j - i, t.longestStart = i;
            i = j;
        }
        r.thresholds.push_back(t);
    }

    const std::int64_t width = minutes * 6000LL;
    const std::int64_t first = refHundredths(recs[0]), last = refHundredths(recs[n - 1]);
    const std::int64_t step = std::min<std::int64_t>(sampleTime, 100);
    for (std::size_t i = 0; i < n; ++i) {
        const std::int64_t start = refHundredths(recs[i]) / width * width;
        if (r.intervals.empty() || r.intervals.back().start != start)
            r.intervals.push_back({start, 0, 0, first <= start && last >= start + width - step});
        char date[16];
        std::snprintf(date, sizeof date, "%04d-%02d-%02d", 2000 + recs[i].year, recs[i].month, recs[i].day);
        if (r.days.empty() || r.days.back().date != date) r.days.push_back({date});
        if (refIsReading(recs[i].value)) {
            r.intervals.back().n++, r.intervals.back().sum += recs[i].value;
            r.days.back().n++, r.days.back().sum += recs[i].value;
            r.days.back().max = std::max<int>(r.days.back().max, recs[i].value);
        }
    }
    for (bool whole : {true, false}) {
        double best = -1;
        for (std::size_t i = 0; i < r.intervals.size(); ++i) {
            const RefInterval& iv = r.intervals[i];
            if (iv.whole != whole || iv.n == 0) continue;
            const double mean = static_cast<double>(iv.sum) / static_cast<double>(iv.n);
            if (mean > best + 1e-12) best = mean, r.maxDemand = static_cast<int>(i);
        }
        if (r.maxDemand >= 0) {
            r.partial = !whole;
            break;
        }
    }
    return r;
}

// A value with two decimals rounded half up, as the report writes it.
inline std::string refFixed2(std::uint64_t num, std::uint64_t den) {
    const std::uint64_t h = (num * 200 + den) / (2 * den);
    char text[32];
    std::snprintf(text, sizeof text, "%llu.%02llu", static_cast<unsigned long long>(h / 100),
                  static_cast<unsigned long long>(h % 100));
    return text;
}

}  // namespace test
