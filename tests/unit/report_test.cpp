// The load report: the one-pass figures against a brute-force reference over
// random recordings with markers and gaps, and one small example worked out by
// hand in both languages and as JSON.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "recording/store.h"
#include "recording/timestamps.h"
#include "report/load_report.h"
#include "report/report_format.h"
#include "shell/app_state.h"
#include "support/report_reference.h"

namespace {

// Stamps the first count records forward from the given time, as Set time does.
void stamp(std::uint32_t count, std::uint16_t sampleTime, const platform::CalendarTime& start) {
    gHeader.sampleTime = sampleTime;
    gHeader.recordCount = count;
    assignTimesForward(start);
}

SampleRecord recordAt(const ReportStamp& s) {
    return {s.year, s.month, s.day, s.hour, s.minute, s.second, s.tenths, s.hundredths, 0};
}

// Runs around a wandering level with jumps, markers and bursts of gaps, so
// that episodes start and end at thresholds, markers and gaps alike.
void randomValues(std::uint32_t count, unsigned seed) {
    std::mt19937 rng(seed);
    int level = 90;
    for (std::uint32_t i = 0; i < count;) {
        const unsigned dice = rng() % 1000;
        if (dice < 8) {
            gStore[i++].value = static_cast<std::uint8_t>(201 + rng() % 2);
        } else if (dice < 12) {
            for (unsigned n = 1 + rng() % 30; n > 0 && i < count; --n) gStore[i++].value = 255;
        } else {
            if (dice < 40) level = static_cast<int>(rng() % 255);
            level = std::clamp(level + static_cast<int>(rng() % 7) - 3, 0, 254);
            const int v = level == 201 || level == 202 ? 203 : level;
            gStore[i++].value = static_cast<std::uint8_t>(v);
        }
    }
}

TEST(LoadReport, FiguresMatchTheBruteForceReference) {
    struct Case {
        const char* what;
        std::uint32_t count;
        std::uint16_t sampleTime;
        platform::CalendarTime start;
        std::vector<std::uint8_t> thresholds;
        int minutes;
    };
    const std::vector<Case> cases = {
        {"midnight and year end, 0.5 s", 30000, 50, {2008, 12, 31, 23, 55, 0}, {80, 100}, 15},
        {"starts on an interval and ends on its last slot, 1-minute demand", 5040, 100, {2009, 3, 1, 23, 45, 0}, {1, 150, 254}, 1},
        {"no whole hour: partial demand", 200000, 2, {2010, 6, 30, 23, 59, 58}, {80, 100, 203}, 60},
        {"7 s sample time steps 1 s stamps over a leap day", 700, 700, {2012, 2, 28, 23, 59, 0}, {50}, 5},
        {"one record", 1, 10, {2011, 1, 1, 0, 0, 0}, {80, 100}, 30},
        {"full store at 0.2 s", kStoreCapacity, 20, {2015, 12, 31, 22, 0, 0}, {100, 80, 100}, 10},
    };
    unsigned seed = 7;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        resetGlobalStateForTests();
        randomValues(c.count, seed++);
        stamp(c.count, c.sampleTime, c.start);
        LoadReport r;
        computeLoadReport(0, c.count - 1, {c.thresholds, c.minutes, 0.0}, r);
        std::vector<int> levels(c.thresholds.begin(), c.thresholds.end());
        std::sort(levels.begin(), levels.end());
        levels.erase(std::unique(levels.begin(), levels.end()), levels.end());
        const test::RefReport ref = test::referenceReport(gStore, c.count, c.sampleTime, levels, c.minutes);

        ASSERT_EQ(r.records, c.count);
        ASSERT_EQ(r.readings, ref.readings);
        EXPECT_EQ(r.markers, ref.markers);
        EXPECT_EQ(r.gaps, ref.gaps);
        if (ref.readings == 0) continue;
        EXPECT_EQ(r.sum, ref.sum);
        EXPECT_EQ(r.max, ref.max);
        EXPECT_EQ(r.maxAt, ref.maxAt);
        EXPECT_EQ(r.min, ref.min);
        EXPECT_EQ(r.minAt, ref.minAt);
        EXPECT_EQ(std::vector<int>({r.p50, r.p95, r.p99}), std::vector<int>({ref.p50, ref.p95, ref.p99}));
        for (int v = 0; v < 256; ++v)
            if (test::refIsReading(static_cast<std::uint8_t>(v))) {
                EXPECT_EQ(r.histogram[v], ref.histogram.count(v) ? ref.histogram.at(v) : 0u) << v;
            }

        ASSERT_EQ(r.thresholds.size(), ref.thresholds.size());
        for (std::size_t i = 0; i < ref.thresholds.size(); ++i) {
            const ThresholdFigures& t = r.thresholds[i];
            const test::RefThreshold& e = ref.thresholds[i];
            EXPECT_EQ(t.level, e.level);
            EXPECT_EQ(t.readings, e.count) << e.level;
            EXPECT_EQ(t.episodes, e.episodes) << e.level;
            EXPECT_EQ(t.longestRecords, e.longest) << e.level;
            if (e.longest > 0) {
                EXPECT_EQ(t.longestStart, e.longestStart) << e.level;
            }
        }

        ASSERT_EQ(r.intervals.size(), ref.intervals.size());
        for (std::size_t i = 0; i < ref.intervals.size(); ++i) {
            EXPECT_EQ(test::refHundredths(recordAt(r.intervals[i].start)), ref.intervals[i].start) << i;
            EXPECT_EQ(r.intervals[i].readings, ref.intervals[i].n) << i;
            EXPECT_EQ(r.intervals[i].sum, ref.intervals[i].sum) << i;
            EXPECT_EQ(r.intervals[i].whole, ref.intervals[i].whole) << i;
        }
        EXPECT_EQ(r.maxDemand, ref.maxDemand);
        EXPECT_EQ(r.demandPartial, ref.partial);

        ASSERT_EQ(r.days.size(), ref.days.size());
        for (std::size_t i = 0; i < ref.days.size(); ++i) {
            char date[16];
            std::snprintf(date, sizeof date, "%04d-%02d-%02d", 2000 + r.days[i].year, r.days[i].month, r.days[i].day);
            EXPECT_EQ(date, ref.days[i].date);
            EXPECT_EQ(r.days[i].readings, ref.days[i].n);
            EXPECT_EQ(r.days[i].sum, ref.days[i].sum);
            if (ref.days[i].n > 0) {
                EXPECT_EQ(r.days[i].max, ref.days[i].max);
            }
        }
    }
}

// Eight records, one second apart, over the turn of 2008:
//   23:59:57 90, :58 110, :59 gap, 00:00:00 105, :01 marker, :02 40, :03 100, :04 80.
// Readings 90 110 105 40 100 80: sum 525, mean 87.50; sorted 40 80 90 100 105
// 110, so p50 = 90 (rank 3), p95 = p99 = 110 (rank 6). >= 80: five readings in
// the runs [90 110] [105] [100 80]; >= 100: three single runs. Demand: 23:45
// holds 90 110 (100.00), 00:00 holds 105 40 100 80 (81.25); neither is whole,
// so the highest partial one counts. Energy at 360 kW: 525 % x 3.6 kW s / 3600
// = 0.525 kWh -> 0.53.
void handExample() {
    resetGlobalStateForTests();
    const std::uint8_t values[] = {90, 110, 255, 105, 201, 40, 100, 80};
    for (std::uint32_t i = 0; i < 8; ++i) gStore[i].value = values[i];
    stamp(8, 100, {2008, 12, 31, 23, 59, 57});
}

TEST(LoadReport, HandComputedExampleAsSummaryInBothLanguagesAndAsJson) {
    handExample();
    LoadReport r;
    computeLoadReport(0, 7, {{100, 80}, 15, 360.0}, r);
    EXPECT_EQ(reportSummary(r, "example.udd", false),
              "Load report: example.udd\n"
              "Records               8  (readings 6, markers 1, gaps 1)\n"
              "Sample time           1.00 s\n"
              "Start                 2008-12-31 23:59:57.00\n"
              "End                   2009-01-01 00:00:04.00\n"
              "Duration              0:00:08.00\n"
              "Maximum               110 %  at 2008-12-31 23:59:58.00\n"
              "Minimum               40 %  at 2009-01-01 00:00:02.00\n"
              "Mean                  87.50 %\n"
              "p50 / p95 / p99       90 % / 110 % / 110 %\n"
              "Energy                0.53 kWh  (rated 360.00 kW)\n"
              "Demand (15 min)       100.00 %  from 2008-12-31 23:45:00.00  (2 intervals, 0 whole; no interval is "
              "whole; highest partial one)\n"
              "\n"
              "Threshold          Time     Share  Episodes       Longest  from\n"
              "     80 %    0:00:05.00   83.33 %         3    0:00:02.00  2008-12-31 23:59:57.00\n"
              "    100 %    0:00:03.00   50.00 %         3    0:00:01.00  2008-12-31 23:59:58.00\n"
              "\n"
              "Day            Readings     Max       Mean\n"
              "2008-12-31            2   110 %   100.00 %\n"
              "2009-01-01            4   105 %    81.25 %\n");
    EXPECT_EQ(reportSummary(r, "example.udd", true),
              "Lastbericht: example.udd\n"
              "Datensätze            8  (Messwerte 6, Marken 1, Lücken 1)\n"
              "Abtastzeit            1,00 s\n"
              "Beginn                2008-12-31 23:59:57.00\n"
              "Ende                  2009-01-01 00:00:04.00\n"
              "Dauer                 0:00:08,00\n"
              "Höchstwert            110 %  am 2008-12-31 23:59:58.00\n"
              "Tiefstwert            40 %  am 2009-01-01 00:00:02.00\n"
              "Mittelwert            87,50 %\n"
              "p50 / p95 / p99       90 % / 110 % / 110 %\n"
              "Energie               0,53 kWh  (Nennleistung 360,00 kW)\n"
              "Lastspitze (15 min)   100,00 %  ab 2008-12-31 23:45:00.00  (2 Intervalle, 0 vollständig; kein "
              "Intervall ist vollständig; höchstes Teilintervall)\n"
              "\n"
              " Schwelle          Zeit    Anteil  Episoden       Längste  ab\n"
              "     80 %    0:00:05,00   83,33 %         3    0:00:02,00  2008-12-31 23:59:57.00\n"
              "    100 %    0:00:03,00   50,00 %         3    0:00:01,00  2008-12-31 23:59:58.00\n"
              "\n"
              "Tag           Messwerte     Max     Mittel\n"
              "2008-12-31            2   110 %   100,00 %\n"
              "2009-01-01            4   105 %    81,25 %\n");
    EXPECT_EQ(reportJson(r),
              "{\"records\":8,\"readings\":6,\"markers\":1,\"gaps\":1,\"sample_time_s\":1.00,"
              "\"start\":\"2008-12-31T23:59:57.00\",\"end\":\"2009-01-01T00:00:04.00\",\"duration_s\":8.00,"
              "\"max\":110,\"max_at\":\"2008-12-31T23:59:58.00\",\"min\":40,\"min_at\":\"2009-01-01T00:00:02.00\","
              "\"mean\":87.50,\"p50\":90,\"p95\":110,\"p99\":110,\"thresholds\":["
              "{\"level\":80,\"time_s\":5.00,\"share\":83.33,\"episodes\":3,\"longest_s\":2.00,"
              "\"longest_start\":\"2008-12-31T23:59:57.00\"},"
              "{\"level\":100,\"time_s\":3.00,\"share\":50.00,\"episodes\":3,\"longest_s\":1.00,"
              "\"longest_start\":\"2008-12-31T23:59:58.00\"}],"
              "\"demand\":{\"interval_min\":15,\"max_demand\":100.00,\"max_demand_start\":\"2008-12-31T23:45:00.00\","
              "\"max_demand_partial\":true,\"intervals\":["
              "{\"start\":\"2008-12-31T23:45:00.00\",\"mean\":100.00,\"whole\":false},"
              "{\"start\":\"2009-01-01T00:00:00.00\",\"mean\":81.25,\"whole\":false}]},"
              "\"days\":[{\"date\":\"2008-12-31\",\"readings\":2,\"max\":110,\"mean\":100.00},"
              "{\"date\":\"2009-01-01\",\"readings\":4,\"max\":105,\"mean\":81.25}],"
              "\"energy_kwh\":0.53,"
              "\"histogram\":{\"40\":1,\"80\":1,\"90\":1,\"100\":1,\"105\":1,\"110\":1}}\n");
}

// No readings: counts only, nothing divided. A level never reached: zero and
// no longest run. A span of the recording: indices count in the store.
TEST(LoadReport, EmptyCasesAndSpans) {
    handExample();
    LoadReport r;
    computeLoadReport(2, 4, {{80}, 15, 0.0}, r);  // gap, 105, marker
    EXPECT_EQ(r.first, 2u);
    EXPECT_EQ(r.maxAt, 3u);
    EXPECT_EQ(r.readings, 1u);

    computeLoadReport(4, 4, {{80}, 15, 0.0}, r);  // the marker alone
    EXPECT_EQ(reportJson(r), "{\"records\":1,\"readings\":0,\"markers\":1,\"gaps\":0,\"sample_time_s\":1.00,"
                             "\"start\":\"2009-01-01T00:00:01.00\",\"end\":\"2009-01-01T00:00:01.00\","
                             "\"duration_s\":1.00}\n");
    EXPECT_NE(reportSummary(r, "m", false).find("No readings: the records are markers and gaps only.\n"),
              std::string::npos);

    computeLoadReport(0, 7, {{200}, 15, 0.0}, r);
    ASSERT_EQ(r.thresholds.size(), 1u);
    EXPECT_NE(reportJson(r).find("{\"level\":200,\"time_s\":0.00,\"share\":0.00,\"episodes\":0}"), std::string::npos);

    EXPECT_FALSE(reportOptionsValid({{0}, 15, 0.0}));
    EXPECT_FALSE(reportOptionsValid({{255}, 15, 0.0}));
    EXPECT_FALSE(reportOptionsValid({{80}, 20, 0.0}));
    EXPECT_FALSE(reportOptionsValid({{80}, 15, -1.0}));
    EXPECT_TRUE(reportOptionsValid({{1, 254}, 60, 7.5}));
}

}  // namespace
