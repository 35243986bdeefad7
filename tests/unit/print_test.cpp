#include "chart/print.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "chart/renderer.h"
#include "fakes/fake_output.h"
#include "fakes/fake_platform.h"
#include "shell/app_state.h"
#include "shell/handlers.h"
#include "shell/main_window.h"
#include "shell/messages.h"
#include "support/recording_surface.h"

namespace {

const platform::CalendarTime kNow{2026, 3, 5, 9, 41, 17};

// Every record carries its own index in its timestamp, so a label tells which
// record it shows: day 1 + i / 86400 % 28, and the time of day i % 86400.
SampleRecord stamped(std::uint32_t i) {
    SampleRecord r{};
    r.year = 6;
    r.month = static_cast<std::uint8_t>(1 + i / (86400u * 28u) % 12u);
    r.day = static_cast<std::uint8_t>(1 + i / 86400u % 28u);
    r.hour = static_cast<std::uint8_t>(i % 86400u / 3600u);
    r.minute = static_cast<std::uint8_t>(i % 3600u / 60u);
    r.second = static_cast<std::uint8_t>(i % 60u);
    r.value = static_cast<std::uint8_t>(i % 7u == 3u ? 201u : i % 150u);
    return r;
}

void fillRecording(std::uint32_t count) {
    for (std::uint32_t i = 0; i < count; ++i) gStore[i] = stamped(i);
    gHeader.recordCount = count;
}

// The text drawn at (x, y), or "" when none.
std::string textAt(const test::RecordingSurface& s, int x, int y) {
    for (const test::DrawnText& t : s.texts())
        if (t.x == x && t.y == y) return t.text;
    return "";
}
const test::DrawnText* drawnAt(const std::vector<test::DrawnText>& texts, int x, int y) {
    for (const test::DrawnText& t : texts)
        if (t.x == x && t.y == y) return &t;
    return nullptr;
}

class PrintTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetGlobalStateForTests();
        fake::reset();
        fake::resetOutput();
        fillRecording(100000);
        gApp.dataPresent = 1;
        gApp.samplesPerPixel = 7;
        gApp.mainStart = 1234;
        gApp.cursorX = 200;
        gApp.zoomOffset = gApp.cursorX * gApp.samplesPerPixel;
        gApp.zoomStart = gApp.mainStart + gApp.zoomOffset;
        std::snprintf(gApp.windowTitle, sizeof gApp.windowTitle, "Vantrel Data Acquisition Software");
    }
    PrintView view() const { return {gApp.mainStart, gApp.zoomStart, gApp.cursorX, gApp.samplesPerPixel}; }
};

TEST_F(PrintTest, HeaderTitleAndDateLine) {
    test::RecordingSurface page;
    printHeader(page, kNow);
    const auto texts = page.texts();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0].text, "Vantrel Data Acquisition");
    EXPECT_EQ(texts[0].x, 10);
    EXPECT_EQ(texts[0].y, 20);
    EXPECT_EQ(texts[0].font, FontId::Title);
    EXPECT_EQ(texts[0].align, AlignLeftBottom);
    EXPECT_EQ(texts[1].text, platform::formatLongDate(kNow) + ", " + platform::formatTimeNoSeconds(kNow));
    EXPECT_EQ(texts[1].x, 790);
    EXPECT_EQ(texts[1].y, 20);
    EXPECT_EQ(texts[1].font, FontId::Small);
    EXPECT_EQ(texts[1].align, AlignRightBottom);
    EXPECT_EQ(page.state(), test::SurfaceState{});
}

TEST_F(PrintTest, TimeLabelInThreeLinesOfTheSmallFont) {
    SampleRecord r{};
    r.year = 6;
    r.month = 12;
    r.day = 25;
    r.hour = 14;
    r.minute = 5;
    r.second = 9;
    test::RecordingSurface page;
    drawPrintTimeLabel(page, "Start:", r, 10, 380);
    const auto texts = page.texts();
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(textAt(page, 10, 380), "Start:");
    EXPECT_EQ(textAt(page, 10, 390), "25/12-06,");
    EXPECT_EQ(textAt(page, 10, 400), "14:05:09");
    for (const auto& t : texts) {
        EXPECT_EQ(t.font, FontId::Small);
        EXPECT_EQ(t.align, AlignLeftBottom);
    }
    EXPECT_EQ(page.state(), test::SurfaceState{});
}

TEST_F(PrintTest, PageLayoutAxesBandAndLabels) {
    test::RecordingSurface page;
    const std::int32_t mainLast = gApp.mainLast = -77;
    const std::int32_t zoomLast = gApp.zoomLast = -78;
    PrintedLast last = printCharts(page, view(), kNow);
    // The window's last indices belong to the window.
    EXPECT_EQ(gApp.mainLast, mainLast);
    EXPECT_EQ(gApp.zoomLast, zoomLast);
    EXPECT_EQ(last.mainLast, 1234 + 600 * 7 - 1);

    // Only the cursor band is filled: the plot areas stay the paper's white.
    const auto rects = page.rects();
    ASSERT_EQ(rects.size(), 1u);
    EXPECT_EQ(rects[0].left, 351);
    EXPECT_EQ(rects[0].top, 330);
    EXPECT_EQ(rects[0].right, 410);
    EXPECT_EQ(rects[0].bottom, 529);
    EXPECT_EQ(rects[0].pen, PenId::Null);
    EXPECT_EQ(rects[0].brush, BrushId::Cursor);

    // No text sits on a coloured background on paper.
    const auto texts = page.texts();
    for (const auto& t : texts) EXPECT_EQ(t.bk, kWhite) << t.text;
    // Both charts' axis labels are there: "t" below each base line's end.
    EXPECT_NE(drawnAt(texts, 750, 535), nullptr);
    EXPECT_NE(drawnAt(texts, 750, 255), nullptr);

    const struct {
        int y;
        const char* caption;
        std::int64_t record;
    } labels[] = {
        {100, "Start:", gApp.zoomStart},
        {200, "End:", last.zoomLast},
        {380, "Start:", gApp.mainStart},
        {480, "End:", last.mainLast},
    };
    for (const auto& l : labels) {
        SCOPED_TRACE(l.y);
        const SampleRecord r = labelRecord(l.record);
        char date[16], time[16];
        std::snprintf(date, sizeof date, "%02u/%02u-%02u,", unsigned{r.day}, unsigned{r.month}, unsigned{r.year});
        std::snprintf(time, sizeof time, "%02u:%02u:%02u", unsigned{r.hour}, unsigned{r.minute}, unsigned{r.second});
        EXPECT_EQ(textAt(page, 10, l.y), l.caption);
        EXPECT_EQ(textAt(page, 10, l.y + 10), date);
        EXPECT_EQ(textAt(page, 10, l.y + 20), time);
        const test::DrawnText* t = drawnAt(texts, 10, l.y);
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(t->font, FontId::Small);
    }
    // The screen's "Start:" label places stay empty on paper.
    for (int y : {150, 430}) EXPECT_EQ(textAt(page, 10, y), "");
    EXPECT_EQ(page.state(), test::SurfaceState{});
}

// The page shows what the window shows: the same trace points and, in its
// "End:" labels, the records of the window's labels after a paint of the same
// view, including the single-precision shortfall of the zoom chart.
TEST_F(PrintTest, TracesAndEndLabelsMatchTheWindow) {
    for (std::uint32_t spp : {1u, 2u, 3u, 7u, 10u, 166u}) {
        SCOPED_TRACE(spp);
        gApp.samplesPerPixel = spp;
        gApp.mainStart = 5;
        gApp.cursorX = 540;
        gApp.zoomOffset = gApp.cursorX * spp;
        gApp.zoomStart = gApp.mainStart + gApp.zoomOffset;

        test::RecordingSurface window;
        paintCharts(window);
        const std::int32_t windowMainLast = gApp.mainLast;
        const std::int32_t windowZoomLast = gApp.zoomLast;
        test::RecordingSurface page;
        gApp.mainLast = gApp.zoomLast = 0;
        const PrintedLast last = printCharts(page, view(), kNow);
        EXPECT_EQ(gApp.mainLast, 0);
        EXPECT_EQ(gApp.zoomLast, 0);

        EXPECT_EQ(last.mainLast, windowMainLast);
        EXPECT_EQ(last.zoomLast, windowZoomLast);
        // The zoom chart's 600 steps of 0.1 fall just short of 60.
        if (spp == 1) {
            EXPECT_EQ(last.zoomLast, static_cast<std::int32_t>(gApp.zoomStart) + 58);
        }
        // The window's "End:" date line is "dd/mm-yy, hh:mm:ss"; the page splits it.
        EXPECT_EQ(textAt(window, 10, 515), textAt(page, 10, 490) + " " + textAt(page, 10, 500));
        EXPECT_EQ(textAt(window, 10, 235), textAt(page, 10, 210) + " " + textAt(page, 10, 220));

        const auto windowPoints = window.tracePoints();
        const auto pagePoints = page.tracePoints();
        ASSERT_EQ(windowPoints.size(), pagePoints.size());
        for (std::size_t i = 0; i < windowPoints.size(); ++i) {
            ASSERT_EQ(windowPoints[i].x, pagePoints[i].x) << i;
            ASSERT_EQ(windowPoints[i].y, pagePoints[i].y) << i;
            ASSERT_EQ(windowPoints[i].connected, pagePoints[i].connected) << i;
        }
        EXPECT_EQ(window.linesWith(PenId::Marker), page.linesWith(PenId::Marker));
    }
}

TEST_F(PrintTest, GermanPageCaptions) {
    gSettings.language = German;
    test::RecordingSurface page;
    printCharts(page, view(), kNow);
    EXPECT_EQ(textAt(page, 10, 20), "Vantrel Data Acquisition");
    EXPECT_EQ(textAt(page, 10, 100), "Anfang:");
    EXPECT_EQ(textAt(page, 10, 200), "Ende:");
    EXPECT_EQ(textAt(page, 10, 380), "Anfang:");
    EXPECT_EQ(textAt(page, 10, 480), "Ende:");
}

TEST_F(PrintTest, PrinterCommandPrintsOnePageOfTheCurrentView) {
    test::RecordingSurface page;
    fake::output().pageSurface = &page;
    gApp.mainLast = gApp.zoomLast = 31;
    commandPrinter();
    EXPECT_TRUE(fake::state().messages.empty());
    EXPECT_EQ(fake::output().pagesStarted, 1);
    EXPECT_EQ(fake::output().pagesEnded, 1);
    EXPECT_EQ(fake::output().printersReleased, 1);
    ASSERT_EQ(fake::output().documentNames.size(), 1u);
    EXPECT_EQ(fake::output().documentNames[0], "Vantrel Data Acquisition Software");
    // The whole client area is mapped onto the paper.
    EXPECT_EQ(fake::output().clientWidth, kClientWidth);
    EXPECT_EQ(fake::output().clientHeight, kClientHeight);
    EXPECT_EQ(textAt(page, 10, 20), "Vantrel Data Acquisition");
    ASSERT_EQ(page.rects().size(), 1u);
    EXPECT_EQ(page.rects()[0].left, gApp.cursorX + 151);
    EXPECT_EQ(gApp.mainLast, 31);
    EXPECT_EQ(gApp.zoomLast, 31);
}

TEST_F(PrintTest, PrinterCommandFailures) {
    test::RecordingSurface page;

    // No recording: message 45 under "Print", no printer asked for.
    gApp.dataPresent = 0;
    commandPrinter();
    ASSERT_EQ(fake::state().messages.size(), 1u);
    EXPECT_EQ(fake::state().messages[0].text, "No data present,\naborting operation");
    EXPECT_EQ(fake::state().messages[0].caption, "Print");
    EXPECT_EQ(fake::output().chooseCalls, 0);
    gApp.dataPresent = 1;

    // No usable printer: message 79 without its code.
    fake::reset();
    fake::output().chooseResult = platform::kPrintNoPrinter;
    commandPrinter();
    ASSERT_EQ(fake::state().messages.size(), 1u);
    EXPECT_EQ(fake::state().messages[0].text, "Unable to open printer");
    EXPECT_EQ(fake::state().messages[0].caption, "Error:");
    EXPECT_TRUE(fake::state().messages[0].errorIcon);
    EXPECT_EQ(fake::output().pagesStarted, 0);

    // Cancelled dialog: nothing at all.
    fake::reset();
    fake::resetOutput();
    fake::output().printerCancelled = true;
    fake::output().pageSurface = &page;
    commandPrinter();
    EXPECT_TRUE(fake::state().messages.empty());
    EXPECT_EQ(fake::output().pagesStarted, 0);
    EXPECT_TRUE(fake::output().documentNames.empty());

    // The document cannot be started: its code is shown, the printer given back.
    fake::resetOutput();
    fake::output().pageSurface = &page;
    fake::output().startPageResult = platform::kPrintStartFailed;
    commandPrinter();
    ASSERT_EQ(fake::state().messages.size(), 1u);
    EXPECT_EQ(fake::state().messages[0].text, "Error printing...: 30011");
    EXPECT_EQ(fake::state().messages[0].caption, "Error:");
    EXPECT_EQ(fake::output().pagesEnded, 0);
    EXPECT_EQ(fake::output().printersReleased, 1);

    // The printer driver's own question (where a print-to-file driver should
    // put the file) cancelled: as the print dialog's Cancel, nothing said.
    fake::reset();
    fake::resetOutput();
    fake::output().pageSurface = &page;
    fake::output().startPageResult = platform::kPrintCancelled;
    commandPrinter();
    EXPECT_TRUE(fake::state().messages.empty());
    EXPECT_EQ(fake::output().printersReleased, 1);

    // The page cannot be finished: reported, not taken for success.
    fake::reset();
    fake::resetOutput();
    fake::output().pageSurface = &page;
    fake::output().endPageResult = platform::kPrintEndFailed;
    commandPrinter();
    ASSERT_EQ(fake::state().messages.size(), 1u);
    EXPECT_EQ(fake::state().messages[0].text, "Error printing...: 30012");
    EXPECT_EQ(fake::output().printersReleased, 1);

    // In German.
    fake::reset();
    gSettings.language = German;
    commandPrinter();
    ASSERT_EQ(fake::state().messages.size(), 1u);
    EXPECT_EQ(fake::state().messages[0].text, "Fehler beim Drucken...: 30012");
    EXPECT_EQ(fake::state().messages[0].caption, "Fehler:");
    gApp.dataPresent = 0;
    commandPrinter();
    EXPECT_EQ(fake::state().messages[1].caption, "Drucken");
}

}  // namespace
