// Navigation of the charts: the view reset, the zoom span, the scroll bar and
// the cursor drag, checked against the view state and the fake window.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "chart/chart_reading.h"
#include "chart/navigation.h"
#include "chart/renderer.h"
#include "fakes/fake_platform.h"
#include "recording/store.h"
#include "shell/app_state.h"
#include "shell/handlers.h"
#include "support/chart_recording.h"
#include "support/recording_surface.h"

namespace {

constexpr int kTwoMinutes = 0, kFiveMinutes = 1, kTenMinutes = 2, kFiveHours = 7;

class ChartNavigation : public testing::Test {
protected:
    void SetUp() override {
        resetGlobalStateForTests();
        fake::reset();
    }
    // The user opens the list, picks a row and confirms it.
    static void chooseSpan(int row) {
        spanComboNotification(7);
        fake::state().comboSel = row;
        spanComboNotification(9);
    }
    static void drag(int fromX, int toX, int y = 400) {
        chartMouseDown(fromX, y);
        chartMouseMove(toX, y, true);
        chartMouseUp(toX, y);
    }
    static void expectInvariants() {
        EXPECT_EQ(gApp.zoomOffset, gApp.cursorX * gApp.samplesPerPixel);
        EXPECT_EQ(gApp.zoomStart, gApp.mainStart + gApp.zoomOffset);
        EXPECT_LE(gApp.cursorX, 540);
        EXPECT_LE(std::uint64_t{gApp.mainStart} + 600ull * gApp.samplesPerPixel, gHeader.recordCount);
    }
    struct View {
        int dataPresent;
        std::uint32_t spp, mainStart, zoomStart, zoomOffset;
        std::uint16_t cursorX;
        std::uint32_t scrollMax, scrollPage, scrollPos;
        bool scrollVisible;
        bool operator==(const View&) const = default;
    };
    static View view() {
        return {gApp.dataPresent, gApp.samplesPerPixel, gApp.mainStart, gApp.zoomStart, gApp.zoomOffset,
                gApp.cursorX,     fake::state().scrollMax, fake::state().scrollPage, fake::state().scrollPos,
                fake::state().scrollVisible};
    }
};

// The worked example: 900,000 samples at 0.02 s, zoomed at the right end of the
// cursor to "2 minutes".
TEST_F(ChartNavigation, NineHundredThousandSamplesZoomedToTwoMinutesAtTheCursor) {
    fake::state().scrollVisible = true;
    test::showRecording({.count = 900000, .sampleTime = 2, .spanIndex = kFiveHours});
    EXPECT_EQ(gApp.dataPresent, 1);
    EXPECT_EQ(gApp.samplesPerPixel, 1500u);
    EXPECT_EQ(gApp.mainStart, 0u);
    EXPECT_EQ(fake::state().comboSel, kFiveHours);
    EXPECT_FALSE(fake::state().scrollVisible);
    ASSERT_FALSE(fake::state().invalidations.empty());
    EXPECT_TRUE(fake::state().invalidations.back());  // erased
    test::RecordingSurface s;
    paintCharts(s);
    EXPECT_EQ(gApp.mainLast, 899999);

    drag(155, 155 + 540);
    EXPECT_EQ(gApp.cursorX, 540);
    EXPECT_EQ(gApp.zoomStart, 810000u);
    expectInvariants();

    fake::state().invalidations.clear();
    const int focusBefore = fake::state().focusRequests;
    chooseSpan(kTwoMinutes);
    EXPECT_EQ(gApp.samplesPerPixel, 10u);
    EXPECT_EQ(gApp.mainStart, 810000u);
    EXPECT_EQ(gApp.zoomStart, 810000u);
    EXPECT_EQ(gApp.cursorX, 0);
    EXPECT_EQ(fake::state().scrollMax, 89400u);
    EXPECT_EQ(fake::state().scrollPage, 596u);
    EXPECT_EQ(fake::state().scrollPos, 80460u);
    EXPECT_TRUE(fake::state().scrollVisible);
    EXPECT_EQ(fake::state().invalidations, std::vector<bool>{true});
    EXPECT_EQ(fake::state().focusRequests, focusBefore + 1);
    EXPECT_EQ(fake::state().comboSel, kTwoMinutes);
    expectInvariants();
}

TEST_F(ChartNavigation, SpanEqualToTheRecordingIsAcceptedAndHidesTheScrollBar) {
    test::showRecording({.count = 30000, .sampleTime = 2, .spanIndex = kTenMinutes});
    chooseSpan(kTwoMinutes);
    fake::state().scrollVisible = true;
    test::fillRecording({.count = 6000, .sampleTime = 2});  // w for "2 minutes" at 0.02 s is 6000
    resetView();
    drag(155, 300);
    chooseSpan(kTwoMinutes);
    EXPECT_EQ(gApp.samplesPerPixel, 10u);
    EXPECT_EQ(gApp.mainStart, 0u);
    EXPECT_EQ(fake::state().scrollMax, 0u);
    EXPECT_FALSE(fake::state().scrollVisible);
    expectInvariants();
    // The bar is hidden: a stray request changes nothing.
    const View before = view();
    scrollMainChart(ScrollLineRight, 0);
    EXPECT_EQ(view(), before);
}

TEST_F(ChartNavigation, RefusedSpansRestoreTheSavedSelectionAndChangeNothingElse) {
    struct Case {
        std::uint16_t sampleTime;
        std::uint32_t count;
        int row;
    };
    // "2 minutes" at 0.05 s is 2400 samples; "5 minutes" at 0.02 s is 15,000 of
    // a 10,000-sample recording; without a sample time no span can be computed.
    for (Case c : {Case{5, 200000, kTwoMinutes}, Case{2, 10000, kFiveMinutes}, Case{0, 200000, kFiveMinutes}}) {
        SCOPED_TRACE(c.sampleTime);
        SetUp();
        test::showRecording({.count = c.count, .sampleTime = c.sampleTime, .spanIndex = kFiveHours});
        drag(155, 255);
        fake::state().invalidations.clear();
        const View before = view();
        const int focusBefore = fake::state().focusRequests;
        chooseSpan(c.row);
        EXPECT_EQ(fake::state().comboSel, kFiveHours);
        EXPECT_EQ(view(), before);
        EXPECT_TRUE(fake::state().invalidations.empty());
        EXPECT_EQ(fake::state().focusRequests, focusBefore + 1);
        EXPECT_TRUE(fake::state().messages.empty());
    }
    // The list never dropped down (keyboard or wheel): the span on show comes back.
    SetUp();
    test::showRecording({.count = 10000, .sampleTime = 2, .spanIndex = kTenMinutes});
    fake::state().comboSel = kFiveMinutes;
    spanComboNotification(9);
    EXPECT_EQ(fake::state().comboSel, kTenMinutes);
}

// Changes made without the list dropping down (keyboard, wheel) go straight to
// the confirmation; a refused span must still return to the span on show.
TEST_F(ChartNavigation, RefusedSpanReturnsToTheSpanOnShowHoweverItWasChanged) {
    constexpr int kTwelveHours = 8;
    const struct {
        std::uint16_t spanIndex;  // stored in the recording
        int accepted;             // picked first without a drop-down; -1: none
        int refused;              // then picked without a drop-down
        int shown;                // selection afterwards
    } cases[] = {
        {kFiveHours, -1, kTwelveHours, kFiveHours},
        {kFiveHours, kTwoMinutes, kTwelveHours, kTwoMinutes},
        {kFiveHours, kTenMinutes, kTwelveHours, kTenMinutes},
        {14, -1, kTwelveHours, -1},  // the file's span index names no span
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.accepted);
        SetUp();
        test::showRecording({.count = 900000, .sampleTime = 2, .spanIndex = c.spanIndex});
        if (c.accepted >= 0) {
            fake::state().comboSel = c.accepted;
            spanComboNotification(9);
            ASSERT_EQ(gApp.samplesPerPixel, std::uint32_t(kSpanTable[c.accepted].halfSpan / 2 * 2 / 600));
        }
        const View before = view();
        fake::state().comboSel = c.refused;
        spanComboNotification(9);
        EXPECT_EQ(fake::state().comboSel, c.shown);
        EXPECT_EQ(view(), before);
    }
}

// A file whose span index names no span shows no selection, not the span of
// the recording shown before it.
TEST_F(ChartNavigation, SpanIndexBeyondTheTableShowsNoSelection) {
    for (std::uint16_t index : {std::uint16_t{14}, std::uint16_t{15}, std::uint16_t{0xFFFF}}) {
        test::showRecording({.count = 900000, .sampleTime = 2, .spanIndex = kFiveHours});
        ASSERT_EQ(fake::state().comboSel, kFiveHours);
        test::showRecording({.count = 900000, .sampleTime = 2, .spanIndex = index});
        EXPECT_EQ(fake::state().comboSel, -1) << index;
    }
}

TEST_F(ChartNavigation, WithoutARecordingTheComboOnlyGivesTheFocusBack) {
    fake::state().comboSel = 4;
    spanComboNotification(9);
    EXPECT_EQ(fake::state().comboSel, 4);
    EXPECT_EQ(fake::state().focusRequests, 1);
    EXPECT_EQ(gApp.dataPresent, 0);
    spanComboNotification(1);  // other notifications are ignored
    spanComboNotification(8);
    EXPECT_EQ(fake::state().focusRequests, 1);
    EXPECT_EQ(gApp.savedSpanSelection, 0);
}

TEST_F(ChartNavigation, ZoomAtTheRightEndStartsAtTheCursorClampedToFitTheRecording) {
    test::showRecording({.count = 100000, .sampleTime = 2, .spanIndex = kFiveMinutes});
    ASSERT_EQ(gApp.samplesPerPixel, 166u);
    drag(155, 155 + 540);
    ASSERT_EQ(gApp.zoomStart, 540u * 166u);
    chooseSpan(kFiveMinutes);  // 15,000 samples do not fit after record 89,640
    EXPECT_EQ(gApp.mainStart, 85000u);
    EXPECT_EQ(gApp.samplesPerPixel, 25u);
    expectInvariants();

    // Zooming again from the middle starts at the cursor's first sample.
    SetUp();
    test::showRecording({.count = 100000, .sampleTime = 2, .spanIndex = kFiveMinutes});
    drag(155, 155 + 100);
    chooseSpan(kFiveMinutes);
    EXPECT_EQ(gApp.mainStart, 16600u);
}

class ChartScrolling : public ChartNavigation {
protected:
    void SetUp() override {
        ChartNavigation::SetUp();
        test::showRecording({.count = 900000, .sampleTime = 2, .spanIndex = kFiveHours});
        chooseSpan(kTwoMinutes);  // max 89,400, page 596, position 0
        ASSERT_EQ(fake::state().scrollMax, 89400u);
        ASSERT_EQ(fake::state().scrollPage, 596u);
    }
    static std::uint32_t scrollFrom(std::uint32_t pos, int request, std::uint32_t thumb = 0) {
        scrollMainChart(ScrollThumbPosition, pos);
        scrollMainChart(request, thumb);
        return fake::state().scrollPos;
    }
};

TEST_F(ChartScrolling, LineAndPageRequestsStopAtTheirBoundaries) {
    constexpr std::uint32_t last = 89400 - 596 + 1;  // 88,805
    EXPECT_EQ(scrollFrom(0, ScrollLineLeft), 0u);
    EXPECT_EQ(scrollFrom(1, ScrollLineLeft), 0u);
    EXPECT_EQ(scrollFrom(last - 1, ScrollLineRight), last);
    EXPECT_EQ(scrollFrom(last, ScrollLineRight), last);
    EXPECT_EQ(scrollFrom(32, ScrollPageLeft), 0u);
    EXPECT_EQ(scrollFrom(33, ScrollPageLeft), 1u);
    EXPECT_EQ(scrollFrom(89400 - 596 - 32, ScrollPageRight), last);
    EXPECT_EQ(scrollFrom(89400 - 596 - 33, ScrollPageRight), 89400u - 596 - 1);
    EXPECT_EQ(scrollFrom(1000, ScrollPageRight), 1032u);
    EXPECT_EQ(scrollFrom(1000, 8), 1000u);  // end of scrolling: unchanged
    // Every scroll repaints without erasing.
    fake::state().invalidations.clear();
    scrollMainChart(ScrollLineRight, 0);
    EXPECT_EQ(fake::state().invalidations, std::vector<bool>{false});
}

TEST_F(ChartScrolling, ThumbPositionsAboveSixteenBitsDoNotWrap) {
    scrollMainChart(ScrollThumbTrack, 70000);
    EXPECT_EQ(fake::state().scrollPos, 70000u);
    EXPECT_EQ(gApp.mainStart, 704697u);  // 70,000 x 900,000 / 89,400
    scrollMainChart(ScrollThumbPosition, 65536 + 10);
    EXPECT_EQ(gApp.mainStart, std::uint32_t(std::uint64_t{65546} * 900000 / 89400));
    // A thumb beyond the bar's end is held at the last position.
    scrollMainChart(ScrollThumbTrack, 4000000000u);
    EXPECT_EQ(fake::state().scrollPos, 88805u);
    expectInvariants();
}

TEST_F(ChartScrolling, ScrollingToTheEndClampsTheMainChartAndMovesTheCursorWithTheData) {
    drag(155, 155 + 200);
    ASSERT_EQ(gApp.zoomOffset, 2000u);
    scrollMainChart(ScrollThumbPosition, 88805);
    EXPECT_EQ(gApp.mainStart, 900000u - 6000u);  // 894,010 before clamping
    EXPECT_EQ(fake::state().scrollPos, 88805u);  // the bar keeps its position
    EXPECT_EQ(gApp.zoomStart, 894000u + 2000u);
    EXPECT_EQ(gApp.cursorX, 200);
    expectInvariants();
}

// With a span that is not a whole number of columns, the spp-truncated chart
// is narrower than the span the bar was reckoned on; the bar's last position
// must still reach the recording's last sample.
TEST_F(ChartNavigation, EndClampMayLieBeyondCountMinusSpanWhenSamplesPerPixelIsTruncated) {
    test::showRecording({.count = 100000, .sampleTime = 7, .spanIndex = kTenMinutes});
    chooseSpan(kTenMinutes);  // w = 2 x (30,000 / 7) = 8,570, 14 per column = 8,400 shown
    ASSERT_EQ(gApp.samplesPerPixel, 14u);
    const std::uint32_t last = fake::state().scrollMax - fake::state().scrollPage + 1;
    scrollMainChart(ScrollThumbPosition, last - 1);
    EXPECT_EQ(gApp.mainStart, std::uint32_t(std::uint64_t{last - 1} * 100000 / fake::state().scrollMax));
    scrollMainChart(ScrollLineRight, 0);
    EXPECT_EQ(fake::state().scrollPos, last);
    EXPECT_EQ(gApp.mainStart, 100000u - 8400u);
    EXPECT_GT(gApp.mainStart, 100000u - 8570u);
    test::RecordingSurface s;
    paintCharts(s);
    EXPECT_EQ(gApp.mainLast, 99999);
}

// With the band pushed to its rightmost place, the zoom chart ends on the
// recording's last sample: shown whole, and zoomed and scrolled to the end.
TEST_F(ChartNavigation, BandAtTheRightEndShowsTheLastSample) {
    const struct {
        std::uint32_t count;
        std::uint16_t sampleTime;
        int zoom;  // span chosen before scrolling to the end; -1: shown whole
    } cases[] = {
        {180000, 10, -1},  // 5 hours at 0.1 s
        {180000, 10, 5},   // ... zoomed to 1 hour
        {180000, 10, 6},   // ... zoomed to 2 hours
        {900000, 2, -1},   {900000, 2, kTwoMinutes}, {1036800, 100, -1}, {864000, 5, 8},
        {432000, 20, 3},   {36000, 50, 5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.count << " at " << c.sampleTime << " zoom " << c.zoom);
        SetUp();
        test::showRecording({.count = c.count, .sampleTime = c.sampleTime, .spanIndex = kFiveHours});
        if (c.zoom >= 0) {
            chooseSpan(c.zoom);
            scrollMainChart(ScrollThumbPosition, fake::state().scrollMax);
        }
        // Pushed right one pixel at a time and well beyond the end.
        chartMouseDown(155, 400);
        for (int x = 156; x <= 155 + 600; ++x) chartMouseMove(x, 400, true);
        chartMouseUp(755, 400);
        EXPECT_EQ(gApp.cursorX, maxCursorX());
        test::RecordingSurface s;
        paintCharts(s);
        EXPECT_EQ(gApp.mainLast, std::int32_t(c.count - 1));
        EXPECT_EQ(gApp.zoomLast, std::int32_t(c.count - 1));
    }
}

// A press inside the main chart drags the band: on the band (and one column
// left of it) from where it stands, beside it after centring the band on the
// press, as far as the band's range allows. Outside the chart nothing moves.
TEST_F(ChartNavigation, DragHitZoneIsTheBandAndOneColumnLeftInsideTheMainChart) {
    test::showRecording({.count = 600000});
    struct Press {
        int x, y;
        bool starts;
        int cursorAfter;
    };
    for (Press p : {Press{150, 400, true, 0}, Press{210, 400, true, 0}, Press{149, 400, false, 0},
                    Press{211, 400, true, 31}, Press{400, 400, true, 220}, Press{749, 400, true, 540},
                    Press{750, 400, false, 0}, Press{180, 331, true, 0}, Press{180, 529, true, 0},
                    Press{180, 330, false, 0}, Press{180, 530, false, 0}, Press{400, 530, false, 0}}) {
        moveZoomCursor(-1000);
        chartMouseDown(p.x, p.y);
        EXPECT_EQ(gApp.dragging, p.starts) << p.x << "," << p.y;
        EXPECT_EQ(gApp.cursorX, p.cursorAfter) << p.x << "," << p.y;
        EXPECT_EQ(gApp.zoomStart, gApp.mainStart + gApp.cursorX * gApp.samplesPerPixel) << p.x;
        chartMouseUp(p.x, p.y);
        EXPECT_FALSE(gApp.dragging);
    }
    // The zone moves with the cursor.
    drag(160, 260);
    ASSERT_EQ(gApp.cursorX, 100);
    chartMouseDown(250, 400);
    EXPECT_TRUE(gApp.dragging);
    EXPECT_EQ(gApp.dragAnchorX, 250);
    EXPECT_EQ(gApp.dragCursorX, 100);
    chartMouseUp(250, 400);
    // Centred, then dragged on from the new place.
    chartMouseDown(249, 400);
    EXPECT_EQ(gApp.cursorX, 69);
    chartMouseMove(259, 400, true);
    EXPECT_EQ(gApp.cursorX, 79);
    chartMouseUp(259, 400);
    // A short recording: the band stops over its last samples.
    test::showRecording({.count = 250});
    chartMouseDown(700, 400);
    EXPECT_EQ(gApp.cursorX, maxCursorX());
}

TEST_F(ChartNavigation, DraggingMovesTheZoomChartAndStopsInsideBothEnds) {
    test::showRecording({.count = 600000});
    fake::state().invalidations.clear();
    chartMouseDown(170, 400);
    chartMouseMove(180, 400, true);
    EXPECT_EQ(gApp.cursorX, 10);
    EXPECT_EQ(gApp.zoomStart, 10u * 1000u);
    EXPECT_EQ(fake::state().invalidations, std::vector<bool>{false});
    chartMouseMove(175, 400, true);
    EXPECT_EQ(gApp.cursorX, 5);
    chartMouseMove(164, 400, true);  // past the left end: ignored, not snapped
    EXPECT_EQ(gApp.cursorX, 5);
    chartMouseMove(170, 400, true);
    EXPECT_EQ(gApp.cursorX, 0);
    chartMouseMove(700, 400, true);
    EXPECT_EQ(gApp.cursorX, 530);
    chartMouseMove(720, 400, true);  // n = 550: stays at its last position inside
    EXPECT_EQ(gApp.cursorX, 530);
    chartMouseMove(710, 900, true);  // the row does not matter once dragging
    EXPECT_EQ(gApp.cursorX, 540);
    chartMouseMove(-30000, 400, true);
    EXPECT_EQ(gApp.cursorX, 540);
    expectInvariants();
    chartMouseUp(710, 400);
    chartMouseMove(300, 400, true);
    EXPECT_EQ(gApp.cursorX, 540);  // no drag after the release
}

// A release the window never saw (outside it, or while another window had the
// mouse) must not leave the cursor glued to the pointer.
TEST_F(ChartNavigation, AMoveWithoutTheButtonOrACancelEndsTheDrag) {
    test::showRecording({.count = 600000});
    chartMouseDown(170, 400);
    chartMouseMove(200, 400, true);
    ASSERT_EQ(gApp.cursorX, 30);
    chartMouseMove(260, 400, false);
    EXPECT_FALSE(gApp.dragging);
    EXPECT_EQ(gApp.dragAnchorX, 0);
    EXPECT_EQ(gApp.cursorX, 30);
    chartMouseMove(300, 400, true);
    EXPECT_EQ(gApp.cursorX, 30);

    chartMouseDown(190, 400);
    chartMouseCancel();
    chartMouseMove(300, 400, true);
    EXPECT_EQ(gApp.cursorX, 30);
}

TEST_F(ChartNavigation, NoDragWithoutARecording) {
    chartMouseDown(160, 400);
    EXPECT_FALSE(gApp.dragging);
    chartMouseMove(300, 400, true);
    EXPECT_EQ(gApp.cursorX, 0);
    EXPECT_TRUE(fake::state().invalidations.empty());
}

TEST_F(ChartNavigation, ResetAfterZoomAndDragShowsTheNewRecordingWhole) {
    test::showRecording({.count = 900000, .sampleTime = 2, .spanIndex = kFiveHours});
    drag(155, 455);
    chooseSpan(kTwoMinutes);
    scrollMainChart(ScrollPageRight, 0);
    chartMouseDown(155, 400);  // a drag under way when the new recording arrives
    test::showRecording({.count = 48000, .sampleTime = 100, .spanIndex = kTenMinutes});
    EXPECT_EQ(gApp.samplesPerPixel, 80u);
    EXPECT_EQ(gApp.mainStart, 0u);
    EXPECT_EQ(gApp.zoomStart, 0u);
    EXPECT_EQ(gApp.cursorX, 0);
    EXPECT_FALSE(gApp.dragging);
    EXPECT_FALSE(fake::state().scrollVisible);
    EXPECT_EQ(fake::state().comboSel, kTenMinutes);
    const View before = view();
    scrollMainChart(ScrollThumbTrack, 100);  // the bar is hidden: ignored
    chartMouseMove(400, 400, true);
    EXPECT_EQ(view(), before);
}

// A recording shorter than the chart is drawn one sample per column; the cursor
// band stays over samples and no zoom span fits it.
TEST_F(ChartNavigation, ShortRecordingKeepsTheCursorOverItsSamples) {
    test::showRecording({.count = 250});
    EXPECT_EQ(gApp.samplesPerPixel, 1u);
    EXPECT_EQ(maxCursorX(), 190);
    drag(155, 155 + 400);
    EXPECT_EQ(gApp.cursorX, 0);  // past the end in one move: ignored
    chartMouseDown(155, 400);
    for (int x = 156; x <= 555; ++x) chartMouseMove(x, 400, true);
    chartMouseUp(555, 400);
    EXPECT_EQ(gApp.cursorX, 190);
    EXPECT_EQ(gApp.zoomStart, 190u);
    test::RecordingSurface s;
    paintCharts(s);
    EXPECT_LE(gApp.zoomLast, 249);
    EXPECT_GE(gApp.zoomLast, 190);

    const int before = fake::state().comboSel;
    chooseSpan(kTwoMinutes);
    EXPECT_EQ(fake::state().comboSel, before);
    EXPECT_EQ(gApp.samplesPerPixel, 1u);

    test::showRecording({.count = 40});
    EXPECT_EQ(maxCursorX(), 0);
    drag(155, 160);
    EXPECT_EQ(gApp.cursorX, 0);
}

// 600 whole columns of count / 600 samples stop short of the end of a count
// that is not a multiple of 600 (an early-ended fetch): after a reset the bar
// scrolls there, End brings the newest record into the main chart, the cursor
// band at its right end brings it into the zoom chart, and the "End:" labels
// always name the last record each chart shows.
TEST_F(ChartNavigation, TheNewestRecordIsReachableAfterAReset) {
    const auto endLabel = [](const test::RecordingSurface& s, int y) {
        for (const auto& t : s.texts())
            if (t.x == 10 && t.y == y + 15) return t.text;
        return std::string();
    };
    const auto labelOf = [](std::uint32_t i) {
        const SampleRecord& r = gStore[i];
        char text[40];
        std::snprintf(text, sizeof text, "%02u/%02u-%02u, %02u:%02u:%02u", unsigned{r.day}, unsigned{r.month},
                      unsigned{r.year}, unsigned{r.hour}, unsigned{r.minute}, unsigned{r.second});
        return std::string(text);
    };
    const struct {
        std::uint32_t count, samplesPerPixel;
        bool scrollBar;  // shown after the reset
    } cases[] = {{599, 1, false},  {600, 1, false},    {1199, 1, true},       {5000, 8, true},
                 {6001, 10, true}, {900000, 1500, false}, {1048576, 1747, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.count);
        SetUp();
        test::showRecording({.count = c.count, .sampleTime = 100});
        ASSERT_EQ(gApp.samplesPerPixel, c.samplesPerPixel);
        EXPECT_EQ(fake::state().scrollVisible, c.scrollBar);
        const std::uint32_t shown = std::min(c.count, 600 * c.samplesPerPixel);
        test::RecordingSurface whole;
        paintCharts(whole);
        EXPECT_EQ(gApp.mainLast, std::int32_t(shown - 1));
        EXPECT_EQ(endLabel(whole, 500), labelOf(shown - 1));

        chartKey(ChartKey::End, false);
        moveZoomCursor(540);
        if (c.count >= 600) expectInvariants();
        test::RecordingSurface end;
        paintCharts(end);
        EXPECT_EQ(gApp.mainLast, std::int32_t(c.count - 1));
        EXPECT_EQ(gApp.zoomLast, std::int32_t(c.count - 1));
        EXPECT_EQ(endLabel(end, 500), labelOf(c.count - 1));
        EXPECT_EQ(endLabel(end, 220), labelOf(c.count - 1));

        chartKey(ChartKey::Home, false);
        EXPECT_EQ(gApp.mainStart, 0u);
    }

    // A span equal to the count is accepted, yet its 600 whole columns of 14
    // samples show 8,400 of 8,570: the bar still reaches the other 170.
    SetUp();
    test::showRecording({.count = 8570, .sampleTime = 7, .spanIndex = kTenMinutes});
    chooseSpan(kTenMinutes);
    ASSERT_EQ(gApp.samplesPerPixel, 14u);
    EXPECT_TRUE(fake::state().scrollVisible);
    chartKey(ChartKey::End, false);
    test::RecordingSurface zoomed;
    paintCharts(zoomed);
    EXPECT_EQ(gApp.mainLast, 8569);
}

}  // namespace
