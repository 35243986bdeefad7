// The chart renderer drawn onto a recording surface: exact coordinates, the
// value classes, the float stepping of the zoom chart, the labels, and that
// every routine puts back what it changed.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <string>
#include <vector>

#include "chart/chart_reading.h"
#include "chart/envelope.h"
#include "chart/print.h"
#include "chart/renderer.h"
#include "fakes/fake_platform.h"
#include "recording/store.h"
#include "shell/app_state.h"
#include "shell/handlers.h"
#include "shell/messages.h"
#include "support/chart_recording.h"
#include "support/recording_surface.h"

namespace {

using test::RecordingSurface;
using test::SurfaceState;

class ChartRenderer : public testing::Test {
protected:
    void SetUp() override {
        resetGlobalStateForTests();
        fake::reset();
    }
    // Values 0.. of the store, the recording counting exactly that many records.
    static void setValues(const std::vector<int>& values) {
        for (std::size_t i = 0; i < values.size(); ++i) gStore[i].value = static_cast<std::uint8_t>(values[i]);
        gHeader.recordCount = static_cast<std::uint32_t>(values.size());
    }
    // A surface whose current objects differ from every default, to prove a
    // routine restores the previous state rather than resetting to defaults.
    static void unusualState(RecordingSurface& s) {
        s.selectPen(PenId::Marker);
        s.selectBrush(BrushId::Cursor);
        s.selectFont(FontId::Small);
        s.setTextAlign(AlignCenterBottom);
        s.setBkColor(Rgb{1, 2, 3});
        s.clear();
    }
};

TEST_F(ChartRenderer, AxesSitOnTheOriginWithArrowsTicksAndLabels) {
    RecordingSurface s;
    drawAxes(s, 150, 530, true);
    const auto lines = s.lines();
    ASSERT_EQ(lines.size(), 9u + 20u + 10u);
    for (const auto& l : lines) EXPECT_EQ(l.pen, PenId::Frame);
    EXPECT_EQ(lines[0], (test::DrawnLine{145, 530, 760, 530, PenId::Frame}));
    EXPECT_EQ(lines[1], (test::DrawnLine{760, 530, 755, 525, PenId::Frame}));
    EXPECT_EQ(lines[3], (test::DrawnLine{150, 535, 150, 320, PenId::Frame}));
    EXPECT_EQ(lines[6], (test::DrawnLine{750, 535, 750, 320, PenId::Frame}));
    // Value tick at 100 % on both axes; last time tick under the right axis.
    EXPECT_NE(std::find(lines.begin(), lines.end(), test::DrawnLine{150, 330, 145, 330, PenId::Frame}), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), test::DrawnLine{750, 330, 755, 330, PenId::Frame}), lines.end());
    EXPECT_EQ(lines.back(), (test::DrawnLine{750, 530, 750, 535, PenId::Frame}));

    const auto texts = s.texts();
    ASSERT_EQ(texts.size(), 7u);
    struct Expect {
        int x, y;
        const char* text;
        int align;
    };
    const Expect expected[] = {{145, 320, "P[%]", 10}, {140, 437, "50", 10}, {140, 337, "100", 10},
                               {755, 320, "P[%]", 8},  {760, 437, "50", 8},  {760, 337, "100", 8},
                               {750, 535, "t", 0}};
    for (std::size_t i = 0; i < texts.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(texts[i].x, expected[i].x);
        EXPECT_EQ(texts[i].y, expected[i].y);
        EXPECT_EQ(texts[i].text, expected[i].text);
        EXPECT_EQ(texts[i].align, expected[i].align);
        EXPECT_EQ(texts[i].font, FontId::Axis);
        EXPECT_EQ(texts[i].bk, kWindowBackground);
    }
}

TEST_F(ChartRenderer, EveryRoutinePutsBackWhatItChanged) {
    gHeader.recordCount = 1000;
    gStore[3].value = 201;  // a marker switches pens inside the trace
    for (bool background : {true, false}) {
        RecordingSurface s;
        unusualState(s);
        const SurfaceState before = s.state();
        drawAxes(s, 150, 250, background);
        EXPECT_EQ(s.state(), before);
        if (!background) {
            // On paper the labels keep the surface's own background colour.
            for (const auto& t : s.texts()) EXPECT_EQ(t.bk, (Rgb{1, 2, 3}));
        }
    }
    RecordingSurface s;
    unusualState(s);
    const SurfaceState before = s.state();
    drawTrace(s, 530, 0, 1.0f);
    EXPECT_EQ(s.state(), before);
    drawTimeLabel(s, "Start:", SampleRecord{}, 10, 430);
    EXPECT_EQ(s.state(), before);
    drawNoData(s, 450, 150);
    EXPECT_EQ(s.state(), before);
    for (const auto& t : s.texts()) {
        if (t.text == "No data present") {
            EXPECT_EQ(t.bk, (Rgb{1, 2, 3}));  // background left alone
        }
    }

    for (int data : {0, 1}) {
        gApp.dataPresent = data;
        gApp.samplesPerPixel = 1;
        RecordingSurface fresh;
        paintCharts(fresh);
        EXPECT_EQ(fresh.state(), SurfaceState{});
    }
}

TEST_F(ChartRenderer, ValuesMapTwoPixelsPerPercentAboveTheBaseLine) {
    setValues({0, 100, 50, 200, 203, 254, 125, 126});
    RecordingSurface s;
    drawTrace(s, 530, 0, 1.0f);
    const auto points = s.tracePoints();
    ASSERT_GE(points.size(), 8u);
    const int expectedY[] = {530, 330, 430, 330, 330, 330, 330, 330};  // above 100 %: held on the top
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(points[i].x, 150 + i);
        EXPECT_EQ(points[i].y, expectedY[i]) << i;
        EXPECT_EQ(points[i].connected, i != 0) << i;
    }

    RecordingSurface zoom;
    drawTrace(zoom, 250, 0, 1.0f);
    const auto z = zoom.tracePoints();
    EXPECT_EQ(z[0].y, 250);
    EXPECT_EQ(z[1].y, 50);    // the "100" tick of the zoom chart
    EXPECT_EQ(z[7].y, 50);
    EXPECT_EQ(z[5].y, 50);
    // The five columns above 100 % are marked by one red line along the top.
    EXPECT_EQ(s.linesWith(PenId::Marker), (std::vector{test::DrawnLine{153, 330, 158, 330, PenId::Marker}}));
    EXPECT_EQ(zoom.linesWith(PenId::Marker), (std::vector{test::DrawnLine{153, 50, 158, 50, PenId::Marker}}));
}

// Readings above 100 % draw nothing outside their own chart's plot area, in the
// window and on paper, with or without peaks; the columns that hold one carry
// the over-top mark, and the readout still tells the true value.
TEST_F(ChartRenderer, ReadingsAboveFullScaleStayInsideTheirOwnChart) {
    const auto insideItsChart = [](const test::DrawnLine& l) {
        const auto in = [&](int top) { return std::min(l.y0, l.y1) >= top && std::max(l.y0, l.y1) <= top + 200; };
        return in(kZoomBaseY - 200) || in(kMainBaseY - 200);
    };
    const struct {
        const char* name;
        std::uint8_t (*value)(std::uint32_t);
        bool everyColumnOver;
    } recordings[] = {
        {"constant 180 %", [](std::uint32_t) -> std::uint8_t { return 180; }, true},
        {"every value", [](std::uint32_t i) { return static_cast<std::uint8_t>(i * 7); }, false},
    };
    for (const auto& r : recordings) {
        for (bool peaks : {false, true}) {
            SCOPED_TRACE(std::string(r.name) + (peaks ? ", peaks" : ""));
            SetUp();
            restorePeaksShown(peaks);
            test::showRecording({.count = 60000, .value = r.value});
            RecordingSurface window;
            paintCharts(window);
            RecordingSurface page;
            printCharts(page, {gApp.mainStart, gApp.zoomStart, gApp.cursorX, gApp.samplesPerPixel}, {2026, 3, 5, 9, 41, 17});
            for (const RecordingSurface* s : {&window, &page}) {
                for (const auto& l : s->lines()) {
                    if (l.pen == PenId::Trace || l.pen == PenId::Marker) {
                        EXPECT_TRUE(insideItsChart(l)) << l.x0 << "," << l.y0 << " -> " << l.x1 << "," << l.y1;
                    }
                }
                if (!r.everyColumnOver) continue;
                const auto marks = s->linesWith(PenId::Marker);
                for (int top : {kZoomBaseY - 200, kMainBaseY - 200}) {
                    const test::DrawnLine whole{150, top, 750, top, PenId::Marker};
                    EXPECT_EQ(std::count(marks.begin(), marks.end(), whole), 1) << top;
                }
            }
            if (r.everyColumnOver) {
                EXPECT_NE(readoutText(400, 400).find(": 180"), std::string::npos) << readoutText(400, 400);
            }
        }
    }
    restorePeaksShown(false);
}

TEST_F(ChartRenderer, MarkersAreRedLinesThatBreakTheTraceAndGapsBreakIt) {
    setValues({10, 20, 201, 30, 40, 255, 50, 60, 202, 70});
    RecordingSurface s;
    drawTrace(s, 530, 0, 1.0f);
    const auto markers = s.linesWith(PenId::Marker);
    ASSERT_EQ(markers.size(), 2u);
    EXPECT_EQ(markers[0], (test::DrawnLine{152, 530, 152, 330, PenId::Marker}));
    EXPECT_EQ(markers[1], (test::DrawnLine{158, 530, 158, 330, PenId::Marker}));

    // The trace restarts with a move at the first sample after each break.
    std::vector<test::RecordingSurface::TracePoint> pts;
    for (const auto& p : s.tracePoints()) if (p.x < 160) pts.push_back(p);
    ASSERT_EQ(pts.size(), 7u);
    const int xs[] = {150, 151, 153, 154, 156, 157, 159};
    const bool joined[] = {false, true, false, true, false, true, false};
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(pts[i].x, xs[i]);
        EXPECT_EQ(pts[i].connected, joined[i]) << i;
    }
}

TEST_F(ChartRenderer, ALoneSampleBetweenBreaksDrawsNothing) {
    setValues({255, 50, 201, 60, 255, 255});
    RecordingSurface s;
    drawTrace(s, 530, 0, 1.0f);
    for (const auto& l : s.linesWith(PenId::Trace)) {
        EXPECT_NE(l.x0, 151);
        EXPECT_NE(l.x1, 151);
        EXPECT_NE(l.x0, 153);
        EXPECT_NE(l.x1, 153);
    }
    EXPECT_TRUE(s.linesWith(PenId::Trace).empty());
}

// The zoom chart steps by a tenth of samplesPerPixel in single precision; the
// accumulated rounding decides its last sample.
TEST_F(ChartRenderer, ZoomChartLastSampleFollowsTheFloatAccumulator) {
    gHeader.recordCount = kStoreCapacity;
    const std::uint32_t start = 5000;
    struct Case {
        std::uint32_t spp;
        std::int32_t zoomLast;
    };
    for (Case c : {Case{1, 58}, Case{2, 118}, Case{3, 179}, Case{10, 599}}) {
        RecordingSurface s;
        EXPECT_EQ(drawTrace(s, 250, start, zoomIncrement(c.spp)), static_cast<std::int32_t>(start) + c.zoomLast)
            << c.spp;
        EXPECT_EQ(drawTrace(s, 530, start, static_cast<float>(c.spp)),
                  static_cast<std::int32_t>(start + 600 * c.spp - 1));
    }
    // A tenth of 10 is exactly 1: the zoom chart shows 600 consecutive samples.
    test::fillRecording({.count = 10000});
    RecordingSurface s;
    drawTrace(s, 250, 100, zoomIncrement(10));
    const auto pts = s.tracePoints();
    ASSERT_EQ(pts.size(), 600u);
    for (int i = 0; i < 600; ++i) EXPECT_EQ(pts[i].y, 250 - 2 * test::sawValue(100 + i));
}

// The zoom chart's choice of samples for increments that are neither whole
// numbers nor tenths of whole numbers as floats: each column shows the sample
// at the floor of the exact sum of the single-precision accumulator and the
// increment, and the accumulator keeps that sum rounded to single precision.
// Computed here with integers (multiples of 2^-30, rounding to 24 bits with
// ties to even), independently of the floating-point unit.
TEST_F(ChartRenderer, ZoomColumnsFollowTheExactSumOfTheFloatAccumulator) {
    constexpr int kScale = 30;
    auto scaled = [](float f) {
        int e = 0;
        const double m = std::frexp(static_cast<double>(f), &e);  // f = m * 2^e, 0.5 <= m < 1
        return static_cast<std::int64_t>(std::ldexp(m, 24)) << (e - 24 + kScale);
    };
    auto roundTo24Bits = [](std::int64_t n) {
        const int bits = std::bit_width(static_cast<std::uint64_t>(n));
        if (bits <= 24) return n;
        const int shift = bits - 24;
        std::int64_t q = n >> shift;
        const std::int64_t rest = n & ((std::int64_t{1} << shift) - 1);
        const std::int64_t half = std::int64_t{1} << (shift - 1);
        if (rest > half || (rest == half && (q & 1) != 0)) ++q;
        return q << shift;
    };
    constexpr std::uint32_t start = 777;
    std::vector<int> values(start + 600 * 175 + 10);
    for (std::size_t i = 0; i < values.size(); ++i) values[i] = static_cast<int>(i % 101);
    setValues(values);
    for (std::uint32_t spp : {2u, 3u, 7u, 1500u, 1747u}) {
        const float increment = zoomIncrement(spp);
        RecordingSurface s;
        const std::int32_t last = drawTrace(s, 250, start, increment);
        const auto pts = s.tracePoints();
        ASSERT_EQ(pts.size(), 600u) << spp;
        std::int64_t acc = 0;
        std::uint32_t index = start;
        for (int k = 0; k < 600; ++k) {
            EXPECT_EQ(pts[k].x, 150 + k);
            ASSERT_EQ(pts[k].y, 250 - 2 * values[index]) << "spp " << spp << " column " << k;
            const std::int64_t sum = acc + scaled(increment);
            index = start + static_cast<std::uint32_t>(sum >> kScale);
            acc = roundTo24Bits(sum);
        }
        EXPECT_EQ(last, static_cast<std::int32_t>(index) - 1) << spp;
    }
}

TEST_F(ChartRenderer, TimeLabelsShowCaptionAndTwoDigitDateTime) {
    RecordingSurface s;
    drawTimeLabel(s, "Start:", test::makeRecord(2006, 3, 5, 7, 8, 9, 0), 10, 430);
    const auto texts = s.texts();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0].text, "Start:");
    EXPECT_EQ(texts[0].x, 10);
    EXPECT_EQ(texts[0].y, 430);
    EXPECT_EQ(texts[1].text, "05/03-06, 07:08:09");
    EXPECT_EQ(texts[1].y, 445);
    for (const auto& t : texts) {
        EXPECT_EQ(t.font, FontId::Label);
        EXPECT_EQ(t.align, AlignLeftBottom);
        EXPECT_EQ(t.bk, kWindowBackground);
    }
    RecordingSurface odd;
    SampleRecord r{};
    r.day = 255;
    r.year = 199;
    drawTimeLabel(odd, "End:", r, 0, 0);
    EXPECT_EQ(odd.texts()[1].text, "255/00-199, 00:00:00");  // bytes print unsigned, never clipped
}

TEST_F(ChartRenderer, WithoutDataBothChartsSayNoDataAndLabelsShowTheZeroedRecord) {
    gStore[0] = test::makeRecord(2010, 1, 2, 3, 4, 5, 60);  // a transfer may already be filling the store
    RecordingSurface s;
    paintCharts(s);
    const auto texts = s.texts();
    const auto noData = std::count_if(texts.begin(), texts.end(), [](const auto& t) {
        return t.text == "No data present" && t.align == AlignCenterBottom && t.font == FontId::Label;
    });
    EXPECT_EQ(noData, 2);
    EXPECT_NE(std::find_if(texts.begin(), texts.end(), [](const auto& t) { return t.x == 450 && t.y == 150; }),
              texts.end());
    EXPECT_NE(std::find_if(texts.begin(), texts.end(), [](const auto& t) { return t.x == 450 && t.y == 430; }),
              texts.end());
    EXPECT_EQ(std::count_if(texts.begin(), texts.end(), [](const auto& t) { return t.text == "00/00-00, 00:00:00"; }),
              4);
    EXPECT_TRUE(s.tracePoints().empty());

    // Plot areas cleared with the surface's white brush and no outline.
    const auto rects = s.rects();
    ASSERT_EQ(rects.size(), 2u);
    EXPECT_EQ(rects[0].left, 151);
    EXPECT_EQ(rects[0].top, 251);
    EXPECT_EQ(rects[0].right, 751);
    EXPECT_EQ(rects[0].bottom, 50);
    EXPECT_EQ(rects[1].top, 531);
    EXPECT_EQ(rects[1].bottom, 330);
    for (const auto& r : rects) {
        EXPECT_EQ(r.pen, PenId::Null);
        EXPECT_EQ(r.brush, BrushId::White);
    }
}

TEST_F(ChartRenderer, PaintWithDataDrawsBandTracesAndLabelsAtTheirPoints) {
    test::fillRecording({.count = 600000, .sampleTime = 100});
    gApp.dataPresent = 1;
    gApp.samplesPerPixel = 100;
    gApp.mainStart = 12345;
    gApp.cursorX = 37;
    gApp.zoomOffset = 3700;
    gApp.zoomStart = 12345 + 3700;
    gSettings.language = German;

    RecordingSurface s;
    paintCharts(s);
    const auto rects = s.rects();
    ASSERT_EQ(rects.size(), 3u);
    EXPECT_EQ(rects[2].left, 188);
    EXPECT_EQ(rects[2].top, 330);
    EXPECT_EQ(rects[2].right, 247);
    EXPECT_EQ(rects[2].bottom, 531);
    EXPECT_EQ(rects[2].pen, PenId::Null);
    EXPECT_EQ(rects[2].brush, BrushId::Cursor);

    EXPECT_EQ(gApp.mainLast, 12345 + 60000 - 1);
    EXPECT_EQ(gApp.zoomLast, 16045 + 6000 - 1);

    const auto texts = s.texts();
    auto at = [&](int x, int y) -> std::string {
        for (const auto& t : texts)
            if (t.x == x && t.y == y) return t.text;
        return "<none>";
    };
    // Record i is 2006-03-05 07:08:09 plus i seconds.
    EXPECT_EQ(at(10, 430), "Anfang:");
    EXPECT_EQ(at(10, 445), "05/03-06, 10:33:54");  // 12345 s later
    EXPECT_EQ(at(10, 150), "Anfang:");
    EXPECT_EQ(at(10, 165), "05/03-06, 11:35:34");  // 16045 s later
    EXPECT_EQ(at(10, 500), "Ende:");
    EXPECT_EQ(at(10, 515), "06/03-06, 03:13:53");  // 72344 s later
    EXPECT_EQ(at(10, 220), "Ende:");
    EXPECT_EQ(at(10, 235), "05/03-06, 13:15:33");  // 22044 s later
    EXPECT_EQ(std::count_if(texts.begin(), texts.end(), [](const auto& t) { return t.text == "Keine Daten vorhanden"; }),
              0);
}

// A recording shorter than the chart: no record past its end is read, and the
// labels stay inside it.
TEST_F(ChartRenderer, ShortRecordingIsDrawnUpToItsEndAndNoFurther) {
    for (std::uint32_t i = 0; i < 2000; ++i) gStore[i].value = 90;  // stale data beyond the recording
    test::showRecording({.count = 250, .value = [](std::uint32_t) -> std::uint8_t { return 20; }});
    EXPECT_EQ(gApp.samplesPerPixel, 1u);

    RecordingSurface s;
    paintCharts(s);
    const auto pts = s.tracePoints();
    ASSERT_FALSE(pts.empty());
    for (const auto& p : pts) EXPECT_TRUE(p.y == 530 - 40 || p.y == 250 - 40) << p.x << "," << p.y;
    int mainColumns = 0;
    for (const auto& p : pts) mainColumns += p.y == 490;
    EXPECT_EQ(mainColumns, 250);
    EXPECT_EQ(gApp.mainLast, 249);
    EXPECT_EQ(gApp.zoomLast, 58);  // 600 zoom steps of 0.1f stop just short of 60

    // An empty recording draws no trace and shows zeroed labels.
    resetGlobalStateForTests();
    gStore[0] = test::makeRecord(2010, 1, 2, 3, 4, 5, 60);
    gHeader.recordCount = 0;
    resetView();
    RecordingSurface empty;
    paintCharts(empty);
    EXPECT_TRUE(empty.tracePoints().empty());
    EXPECT_EQ(gApp.mainLast, -1);
    const auto texts = empty.texts();
    EXPECT_EQ(std::count_if(texts.begin(), texts.end(), [](const auto& t) { return t.text == "00/00-00, 00:00:00"; }),
              4);
}

TEST_F(ChartRenderer, LabelRecordStaysInsideTheRecording) {
    test::fillRecording({.count = 10});
    EXPECT_EQ(labelRecord(-1).second, gStore[0].second);
    EXPECT_EQ(labelRecord(9).second, gStore[9].second);
    EXPECT_EQ(labelRecord(10).second, gStore[9].second);
    gHeader.recordCount = kStoreCapacity + 5;  // a header that claims more than the store holds
    EXPECT_EQ(shownRecordCount(), kStoreCapacity);
}

}  // namespace
