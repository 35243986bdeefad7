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

// The one-pass figures in the reference's terms.
test::RefReport asReference(const LoadReport& r) {
    test::RefReport o;
    o.readings = r.readings, o.markers = r.markers, o.gaps = r.gaps;
    if (r.readings == 0) return o;
    o.sum = r.sum, o.max = r.max, o.min = r.min, o.maxAt = r.maxAt, o.minAt = r.minAt;
    o.p50 = r.p50, o.p95 = r.p95, o.p99 = r.p99;
    for (const ThresholdFigures& t : r.thresholds)
        o.thresholds.push_back(
            {t.level, t.readings, t.episodes, t.longestRecords, t.longestRecords ? t.longestStart : 0});
    for (const DemandInterval& iv : r.intervals)
        o.intervals.push_back({test::refHundredths(recordAt(iv.start)), iv.readings, iv.sum, iv.whole});
    o.maxDemand = r.maxDemand, o.partial = r.demandPartial;
    for (const DayFigures& d : r.days) {
        char date[16];
        std::snprintf(date, sizeof date, "%04d-%02d-%02d", 2000 + d.year, d.month, d.day);
        o.days.push_back({date, d.readings, d.sum, d.readings > 0 ? d.max : -1});
    }
    for (int v = 0; v < 255; ++v)
        if (test::refIsReading(static_cast<std::uint8_t>(v)) && r.histogram[v] > 0)
            o.histogram[v] = r.histogram[v];
    return o;
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
        {"from an interval's start to its last slot", 5040, 100, {2009, 3, 1, 23, 45, 0}, {1, 150, 254}, 1},
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

        const test::RefReport got = asReference(r);
        EXPECT_EQ(std::vector<std::uint64_t>({got.readings, got.markers, got.gaps, got.sum}),
                  std::vector<std::uint64_t>({ref.readings, ref.markers, ref.gaps, ref.sum}));
        EXPECT_EQ(std::vector<std::size_t>({got.maxAt, got.minAt}),
                  std::vector<std::size_t>({ref.maxAt, ref.minAt}));
        EXPECT_EQ(std::vector<int>({got.max, got.min, got.p50, got.p95, got.p99}),
                  std::vector<int>({ref.max, ref.min, ref.p50, ref.p95, ref.p99}));
        EXPECT_EQ(got.histogram, ref.histogram);
        EXPECT_TRUE(got.thresholds == ref.thresholds);
        EXPECT_TRUE(got.intervals == ref.intervals);
        EXPECT_EQ(std::make_pair(got.maxDemand, got.partial), std::make_pair(ref.maxDemand, ref.partial));
        EXPECT_TRUE(got.days == ref.days);
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

TEST(LoadReport, HandComputedExampleInBothLanguages) {
    handExample();
    LoadReport r;
    computeLoadReport(0, 7, {{100, 80}, 15, 360.0}, r);
    EXPECT_EQ(
        reportSummary(r, "example.udd", false),
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
    const std::string json = reportJson(r);
    for (const char* part :
         {"\"mean\":87.50,\"p50\":90,\"p95\":110,\"p99\":110,",
          "{\"level\":80,\"time_s\":5.00,\"share\":83.33,\"episodes\":3,\"longest_s\":2.00,"
          "\"longest_start\":\"2008-12-31T23:59:57.00\"}",
          "\"max_demand\":100.00,\"max_demand_start\":\"2008-12-31T23:45:00.00\","
          "\"max_demand_partial\":true,",
          "\"energy_kwh\":0.53,\"histogram\":{\"40\":1,\"80\":1,\"90\":1,\"100\":1,\"105\":1,"
          "\"110\":1}}\n"})
        EXPECT_NE(json.find(part), std::string::npos) << part;
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
    EXPECT_EQ(reportJson(r),
              "{\"records\":1,\"readings\":0,\"markers\":1,\"gaps\":0,\"sample_time_s\":1.00,"
              "\"start\":\"2009-01-01T00:00:01.00\",\"end\":\"2009-01-01T00:00:01.00\","
              "\"duration_s\":1.00}\n");
    EXPECT_NE(reportSummary(r, "m", false).find("No readings: the records are markers and gaps only.\n"),
              std::string::npos);

    computeLoadReport(0, 7, {{200}, 15, 0.0}, r);
    ASSERT_EQ(r.thresholds.size(), 1u);
    EXPECT_NE(reportJson(r).find("{\"level\":200,\"time_s\":0.00,\"share\":0.00,\"episodes\":0}"),
              std::string::npos);
}

}  // namespace
