#include <cstdio>
#include <string>

#include "report/report_format.h"

namespace {

void number(std::string& o, std::uint64_t v) { o += std::to_string(v); }

// Hundredths as a JSON number with two decimals: 1235 -> 12.35.
void hundredths(std::string& o, std::uint64_t h) {
    o += std::to_string(h / 100);
    o += '.';
    o += static_cast<char>('0' + h / 10 % 10);
    o += static_cast<char>('0' + h % 10);
}

void key(std::string& o, const char* name) {
    o += '"';
    o += name;
    o += "\":";
}

void stamp(std::string& o, const ReportStamp& s) {
    o += '"';
    o += reportStampText(s);
    o += '"';
}

}  // namespace

std::string reportStampText(const ReportStamp& s) {
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02uT%02u:%02u:%02u.%u%u", 2000u + s.year, unsigned{s.month},
                  unsigned{s.day}, unsigned{s.hour}, unsigned{s.minute}, unsigned{s.second}, s.tenths % 10u,
                  s.hundredths % 10u);
    return text;
}

std::string reportJson(const LoadReport& r) {
    std::string o;
    o.reserve(4096 + r.intervals.size() * 64 + r.days.size() * 64);
    o += '{';
    key(o, "records"), number(o, r.records), o += ',';
    key(o, "readings"), number(o, r.readings), o += ',';
    key(o, "markers"), number(o, r.markers), o += ',';
    key(o, "gaps"), number(o, r.gaps), o += ',';
    key(o, "sample_time_s"), hundredths(o, r.sampleTime);
    if (r.records > 0) {
        o += ',', key(o, "start"), stamp(o, r.start);
        o += ',', key(o, "end"), stamp(o, r.end);
    }
    o += ',', key(o, "duration_s"), hundredths(o, reportHundredths(r, r.records));
    if (r.readings == 0) return o + "}\n";

    o += ',', key(o, "max"), number(o, r.max);
    o += ',', key(o, "max_at"), stamp(o, r.maxAtStamp);
    o += ',', key(o, "min"), number(o, r.min);
    o += ',', key(o, "min_at"), stamp(o, r.minAtStamp);
    o += ',', key(o, "mean"), hundredths(o, meanHundredths(r.sum, r.readings));
    o += ',', key(o, "p50"), number(o, r.p50);
    o += ',', key(o, "p95"), number(o, r.p95);
    o += ',', key(o, "p99"), number(o, r.p99);

    o += ',', key(o, "thresholds"), o += '[';
    for (std::size_t i = 0; i < r.thresholds.size(); ++i) {
        const ThresholdFigures& t = r.thresholds[i];
        if (i > 0) o += ',';
        o += '{';
        key(o, "level"), number(o, t.level);
        o += ',', key(o, "time_s"), hundredths(o, reportHundredths(r, t.readings));
        o += ',', key(o, "share"), hundredths(o, shareHundredths(t.readings, r.readings));
        o += ',', key(o, "episodes"), number(o, t.episodes);
        if (t.longestRecords > 0) {
            o += ',', key(o, "longest_s"), hundredths(o, reportHundredths(r, t.longestRecords));
            o += ',', key(o, "longest_start"), stamp(o, t.longestStartStamp);
        }
        o += '}';
    }
    o += ']';

    o += ',', key(o, "demand"), o += '{';
    key(o, "interval_min"), number(o, static_cast<std::uint64_t>(r.demandMinutes));
    if (r.maxDemand >= 0) {
        const DemandInterval& top = r.intervals[static_cast<std::size_t>(r.maxDemand)];
        o += ',', key(o, "max_demand"), hundredths(o, meanHundredths(top.sum, top.readings));
        o += ',', key(o, "max_demand_start"), stamp(o, top.start);
        if (r.demandPartial) o += ',', key(o, "max_demand_partial"), o += "true";
    }
    o += ',', key(o, "intervals"), o += '[';
    for (std::size_t i = 0; i < r.intervals.size(); ++i) {
        const DemandInterval& iv = r.intervals[i];
        if (i > 0) o += ',';
        o += '{';
        key(o, "start"), stamp(o, iv.start);
        o += ',', key(o, "mean");
        if (iv.readings > 0)
            hundredths(o, meanHundredths(iv.sum, iv.readings));
        else
            o += "null";
        o += ',', key(o, "whole"), o += iv.whole ? "true" : "false";
        o += '}';
    }
    o += "]}";

    o += ',', key(o, "days"), o += '[';
    for (std::size_t i = 0; i < r.days.size(); ++i) {
        const DayFigures& d = r.days[i];
        char date[16];
        std::snprintf(date, sizeof date, "%04u-%02u-%02u", 2000u + d.year, unsigned{d.month},
                      unsigned{d.day});
        if (i > 0) o += ',';
        o += '{';
        key(o, "date"), o += '"', o += date, o += '"';
        o += ',', key(o, "readings"), number(o, d.readings);
        if (d.readings > 0) {
            o += ',', key(o, "max"), number(o, d.max);
            o += ',', key(o, "mean"), hundredths(o, meanHundredths(d.sum, d.readings));
        } else {
            o += ",\"max\":null,\"mean\":null";
        }
        o += '}';
    }
    o += ']';

    if (r.ratedKw > 0) o += ',', key(o, "energy_kwh"), hundredths(o, energyHundredthsKwh(r));

    o += ',', key(o, "histogram"), o += '{';
    bool firstBin = true;
    for (int v = 0; v < 255; ++v) {
        if (!isReading(static_cast<std::uint8_t>(v)) || r.histogram[v] == 0) continue;
        if (!firstBin) o += ',';
        firstBin = false;
        o += '"', o += std::to_string(v), o += "\":", number(o, r.histogram[v]);
    }
    o += "}}\n";
    return o;
}
