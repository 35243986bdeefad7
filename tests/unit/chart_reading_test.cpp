// Reading the charts: peaks against a brute-force minimum and maximum, the
// readout's text, wheel and keys at every navigation limit, the PNG picture,
// the per-user preference file, and recordings opened from outside.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <limits>
#include <map>
#include <string>

#include "chart/chart_reading.h"
#include "chart/envelope.h"
#include "chart/navigation.h"
#include "chart/print.h"
#include "chart/renderer.h"
#include "fakes/fake_output.h"
#include "fakes/fake_platform.h"
#include "recording/recording_file.h"
#include "recording/store.h"
#include "shell/app_state.h"
#include "shell/handlers.h"
#include "shell/main_window.h"
#include "shell/messages.h"
#include "shell/outside_files.h"
#include "shell/user_prefs.h"
#include "support/chart_recording.h"
#include "support/program_dir.h"
#include "support/recording_surface.h"

namespace {

// Readings of every kind with single markers and gaps sprinkled in, a marker
// run and a long gap, so that columns of each sort occur at every width.
std::uint8_t mixedValue(std::uint32_t i) {
    if (i >= 20000 && i < 26000) return 255;  // gap-only columns even at 1,728 per column
    if (i % 9973 == 17) return 201;
    if (i % 7919 == 5) return 202;
    if (i % 613 == 7) return 255;
    std::uint32_t x = i * 2654435761u;
    x ^= x >> 13;
    if (x % 97 == 0) return static_cast<std::uint8_t>(203 + x % 52);  // above the marker codes
    return static_cast<std::uint8_t>(x % 201);
}
std::uint8_t flatValue(std::uint32_t) { return 42; }

ColumnEnvelope bruteForce(std::uint32_t first, std::uint32_t end) {
    ColumnEnvelope e;
    for (std::uint32_t i = first; i < std::min(end, gHeader.recordCount); ++i) {
        const std::uint8_t v = gStore[i].value;
        if (isMarker(v)) {
            e.hasMarker = true;
        } else if (!isGap(v)) {
            e.low = e.hasReading ? std::min(e.low, v) : v;
            e.high = e.hasReading ? std::max(e.high, v) : v;
            e.hasReading = true;
        }
    }
    return e;
}

class ChartReading : public testing::Test {
protected:
    void SetUp() override {
        resetGlobalStateForTests();
        fake::reset();
        fake::resetOutput();
    }
    void TearDown() override { resetGlobalStateForTests(); }
    test::ProgramDir dir_;  // XDG_CONFIG_HOME and DAQSetup.cnf land here
};

// ---- peaks ---------------------------------------------------------------------------

// Each column's vertical line spans exactly the brute-force lowest to highest
// reading of the records the column covers; markers and gap-only columns as
// the plain trace draws them. Both charts, at unaligned starts.
TEST_F(ChartReading, PeaksMatchBruteForceMinMaxAtEveryWidth) {
    struct Case {
        const char* name;
        std::uint32_t count;
        std::uint32_t samplesPerPixel;
    };
    const Case cases[] = {
        {"1 per column", 1000, 1},
        {"7 per column", 4200 + 55, 7},
        {"1,500 per column (5 hours)", 900000, 1500},
        {"12 days at one second", 1036800, 1728},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::showRecording({.count = c.count, .value = mixedValue});
        ASSERT_EQ(gApp.samplesPerPixel, c.samplesPerPixel);
        for (const auto& [start, increment] : std::map<std::uint32_t, float>{
                 {0u, static_cast<float>(c.samplesPerPixel)},
                 {c.count / 3 + 13, zoomIncrement(c.samplesPerPixel)},
                 {c.count - 60 * c.samplesPerPixel, zoomIncrement(c.samplesPerPixel)}}) {
            test::RecordingSurface s;
            const std::int32_t last = drawPeaks(s, kMainBaseY, start, increment);
            test::RecordingSurface plain;
            EXPECT_EQ(last, drawTrace(plain, kMainBaseY, start, increment));  // the same "End:" record

            std::map<int, std::pair<int, int>> traceY;  // column -> topmost, lowest y of the trace
            for (const auto& p : s.tracePoints()) {
                auto [it, fresh] = traceY.try_emplace(p.x, p.y, p.y);
                it->second = {std::min(it->second.first, p.y), std::max(it->second.second, p.y)};
                (void)fresh;
            }
            std::map<int, int> markers;
            std::map<int, int> overTop;  // columns under a mark along the top: readings above 100 %
            for (const auto& l : s.linesWith(PenId::Marker)) {
                if (l.x0 == l.x1) {
                    markers[l.x0]++;
                } else {
                    EXPECT_EQ(l.y0, kMainBaseY - 200);
                    EXPECT_EQ(l.y1, kMainBaseY - 200);
                    for (int x = l.x0; x < l.x1; ++x) overTop[x]++;
                }
            }

            std::uint32_t expectedNext = start;  // columns cover the records without a hole
            for (int col = 0; col < kChartColumns; ++col) {
                const ColumnRange r = columnRange(start, increment, col);
                if (r.first >= gHeader.recordCount) break;
                ASSERT_LE(r.first, expectedNext) << col;
                ASSERT_GT(r.end, r.first) << col;
                expectedNext = r.end;
                const ColumnEnvelope want = bruteForce(r.first, r.end);
                ASSERT_EQ(envelopeOf(r.first, r.end), want) << "column " << col;
                const int x = kChartLeft + col;
                if (want.hasReading) {
                    ASSERT_EQ(traceY.count(x), 1u) << x;
                    EXPECT_EQ(traceY[x].first, readingY(kMainBaseY, want.high)) << x;
                    EXPECT_EQ(traceY[x].second, readingY(kMainBaseY, want.low)) << x;
                } else {
                    EXPECT_EQ(traceY.count(x), 0u) << x;
                }
                EXPECT_EQ(markers.count(x), want.hasMarker ? 1u : 0u) << x;
                EXPECT_EQ(overTop[x], want.hasReading && want.high > 100 ? 1 : 0) << x;
            }
            if (increment >= 1.0f) {
                // A chart whose exact span reaches the recording's end ends on
                // its last record, however short the float steps fall.
                const bool reachesEnd = static_cast<double>(start) + static_cast<double>(increment) * kChartColumns >=
                                        static_cast<double>(gHeader.recordCount);
                EXPECT_EQ(reachesEnd ? std::int64_t{gHeader.recordCount} - 1 : std::int64_t{expectedNext} - 1, last);
            }
        }
    }
}

// At one sample per column the peaks are the plain trace, call for call.
TEST_F(ChartReading, PeaksAtOneSamplePerColumnDrawThePlainTrace) {
    test::showRecording({.count = 900, .value = mixedValue});
    test::RecordingSurface peaks, plain;
    drawPeaks(peaks, kMainBaseY, 0, 1.0f);
    drawTrace(plain, kMainBaseY, 0, 1.0f);
    EXPECT_EQ(peaks.lines(), plain.lines());
}

// A new recording of the same length must not be drawn from the old one's table.
TEST_F(ChartReading, ANewRecordingReplacesThePeaksTable) {
    test::showRecording({.count = 900000, .value = mixedValue});
    const ColumnEnvelope before = envelopeOf(0, 900000);
    EXPECT_EQ(before, bruteForce(0, 900000));
    test::showRecording({.count = 900000, .value = flatValue});
    EXPECT_EQ(envelopeOf(0, 900000), (ColumnEnvelope{true, false, 42, 42}));
}

// Screen, printout and pictures draw through the same switch.
TEST_F(ChartReading, PeaksAreOffUntilChosenAndTheChoiceIsKeptForTheUser) {
    test::showRecording({.count = 900000, .value = mixedValue});
    test::RecordingSurface off;
    paintCharts(off);
    EXPECT_FALSE(peaksShown());

    std::string settingsBefore = test::readFileBytes(dir_.settingsFile().string());
    setPeaksShown(true);
    EXPECT_TRUE(fake::state().invalidations.back());
    test::RecordingSurface on;
    paintCharts(on);
    EXPECT_GT(on.lines().size(), off.lines().size());  // vertical runs in every column
    EXPECT_TRUE(loadUserPrefs().showPeaks);
    EXPECT_EQ(test::readFileBytes(dir_.settingsFile().string()), settingsBefore);  // DAQSetup.cnf untouched

    // Lines the program does not know survive; the choice is read back at start.
    const std::string path = userPrefsPath();
    EXPECT_EQ(path, (dir_.path() / "vantreldaq/view.conf").string());
    test::writeFileBytes(path, "# mine\nother=7\nshow-peaks = 1\n");
    setPeaksShown(false);
    EXPECT_EQ(test::readFileBytes(path), "# mine\nother=7\nshow-peaks=0\n");
    restorePeaksShown(true);
    applyUserPrefs();
    EXPECT_FALSE(peaksShown());
}

// The printout shows the peaks the screen shows, line for line.
TEST_F(ChartReading, PrintedTracesAreTheScreensWithPeaksOnAndOff) {
    test::showRecording({.count = 900000, .sampleTime = 2, .value = mixedValue});
    moveZoomCursor(123);
    for (bool peaks : {false, true}) {
        restorePeaksShown(peaks);
        test::RecordingSurface screen, page;
        paintCharts(screen);
        printCharts(page, PrintView{gApp.mainStart, gApp.zoomStart, gApp.cursorX, gApp.samplesPerPixel},
                    platform::CalendarTime{2026, 3, 1, 8, 0, 0});
        EXPECT_EQ(page.linesWith(PenId::Trace), screen.linesWith(PenId::Trace)) << peaks;
        EXPECT_EQ(page.linesWith(PenId::Marker), screen.linesWith(PenId::Marker)) << peaks;
    }
}

// ---- readout -------------------------------------------------------------------------

std::uint8_t readoutValue(std::uint32_t i) {
    switch (i) {
    case 1: return 201;
    case 2: return 255;
    case 3: return 230;
    default: return static_cast<std::uint8_t>(i % 100);
    }
}

TEST_F(ChartReading, ReadoutNamesTimeAndValueInTheCurrentLanguage) {
    EXPECT_EQ(readoutText(300, 400), "");  // no recording
    test::showRecording({.count = 900, .sampleTime = 25, .value = readoutValue});  // one sample per column
    struct Case {
        int x, y;
        std::uint16_t language;
        const char* text;
    };
    const Case cases[] = {
        {150 + 87, 400, English, "2006-03-05 07:08:30.75\nValue: 87"},
        {150 + 87, 400, German, "05.03.2006 07:08:30,75\nWert: 87"},
        {151, 400, English, "2006-03-05 07:08:09.25\nMarker (201)"},
        {152, 400, German, "05.03.2006 07:08:09,50\nLücke (kein Messwert)"},
        {150 + 25, 200, English, "2006-03-05 07:08:09.50\nGap (no reading)"},  // zoom: a tenth per column
        {153, 400, English, "2006-03-05 07:08:09.75\nValue: 230"},
        {150, 400, English, ""},  // the axis, not the plot area
        {750, 400, English, ""},
        {300, 329, English, ""},
        {300, 530, English, ""},
        {300, 250, English, ""},
        {300, 49, English, ""},
    };
    for (const Case& c : cases) {
        gSettings.language = c.language;
        EXPECT_EQ(readoutText(c.x, c.y), c.text) << c.x << "," << c.y;
    }
}

TEST_F(ChartReading, ReadoutWithPeaksGivesTheColumnsSpanLowestAndHighest) {
    test::showRecording({.count = 900000, .sampleTime = 2, .value = mixedValue});
    restorePeaksShown(true);
    const ColumnRange r = columnRange(0, 1500.0f, 100);
    const ColumnEnvelope e = bruteForce(r.first, r.end);
    const std::string text = readoutText(250, 400);
    EXPECT_NE(text.find("Lowest: " + std::to_string(e.low) + ", Highest: " + std::to_string(e.high)),
              std::string::npos)
        << text;
    EXPECT_EQ(text.rfind("2006-03-05 07:58:09.00 – 2006-03-05 07:58:38.98\n", 0), 0u) << text;
    // Inside the long gap.
    const std::string gap = readoutText(150 + 14, 400);
    EXPECT_NE(gap.find("\nGap (no reading)"), std::string::npos) << gap;
}

// ---- wheel and keys --------------------------------------------------------------------

class WheelAndKeys : public ChartReading {
protected:
    // 900,000 samples at 0.02 s, zoomed to "10 minutes" (30,000 samples).
    void SetUp() override {
        ChartReading::SetUp();
        test::showRecording({.count = 900000, .sampleTime = 2, .spanIndex = 7});
        chooseSpan(2);
        ASSERT_EQ(gApp.samplesPerPixel, 50u);
    }
    static void chooseSpan(int row) {
        spanComboNotification(7);
        fake::state().comboSel = row;
        spanComboNotification(9);
    }
    struct View {
        std::uint32_t spp, mainStart, zoomStart;
        std::uint16_t cursorX;
        std::uint32_t scrollPos;
        int combo;
        bool operator==(const View&) const = default;
    };
    static View view() {
        return {gApp.samplesPerPixel, gApp.mainStart, gApp.zoomStart, gApp.cursorX, gApp.scrollPos,
                fake::state().comboSel};
    }
    static std::uint32_t lastPos() { return gApp.scrollMax - gApp.scrollPage + 1; }
    static std::uint32_t lastMainStart() { return gHeader.recordCount - 600 * gApp.samplesPerPixel; }
};

TEST_F(WheelAndKeys, KeysStopAtEveryLimit) {
    struct Case {
        const char* name;
        std::function<void()> before;
        ChartKey key;
        bool shift;
        std::function<bool()> holds;
    };
    auto atCursor = [](int n) { return [n] { moveZoomCursor(n - gApp.cursorX); }; };
    auto atPos = [](std::uint32_t pos) { return [pos] { scrollMainChart(ScrollThumbPosition, pos); }; };
    const Case cases[] = {
        {"left at the start", atCursor(0), ChartKey::Left, false, [] { return gApp.cursorX == 0; }},
        {"left", atCursor(7), ChartKey::Left, false, [] { return gApp.cursorX == 6; }},
        {"shift+left near the start", atCursor(4), ChartKey::Left, true, [] { return gApp.cursorX == 0; }},
        {"right at the end", atCursor(540), ChartKey::Right, false, [] { return gApp.cursorX == 540; }},
        {"shift+right near the end", atCursor(535), ChartKey::Right, true, [] { return gApp.cursorX == 540; }},
        {"shift+right", atCursor(100), ChartKey::Right, true,
         [] { return gApp.cursorX == 110 && gApp.zoomStart == gApp.mainStart + 110 * 50; }},
        {"home", atPos(900), ChartKey::Home, false, [] { return gApp.mainStart == 0 && gApp.scrollPos == 0; }},
        {"end", atPos(0), ChartKey::End, false,
         [] { return gApp.mainStart == lastMainStart() && gApp.scrollPos == lastPos(); }},
        {"page up near the start", atPos(20), ChartKey::PageUp, false, [] { return gApp.scrollPos == 0; }},
        {"page up", atPos(100), ChartKey::PageUp, false, [] { return gApp.scrollPos == 68; }},
        {"page down near the end", atPos(lastPos() - 20), ChartKey::PageDown, false,
         [] { return gApp.scrollPos == lastPos() && gApp.mainStart == lastMainStart(); }},
        {"page down", atPos(100), ChartKey::PageDown, false, [] { return gApp.scrollPos == 132; }},
    };
    for (const Case& c : cases) {
        c.before();
        EXPECT_TRUE(chartKey(c.key, c.shift)) << c.name;
        EXPECT_TRUE(c.holds()) << c.name << ": cursor " << gApp.cursorX << ", pos " << gApp.scrollPos;
        EXPECT_EQ(gApp.zoomStart, gApp.mainStart + gApp.cursorX * gApp.samplesPerPixel) << c.name;
    }
}

TEST_F(WheelAndKeys, WheelScrollsAndZoomsOnlyAsTheControlsWould) {
    // Up scrolls towards the start, a line step per notch; nothing past either end.
    scrollMainChart(ScrollThumbPosition, 10);
    EXPECT_TRUE(chartWheel(400, 400, 3, false));
    EXPECT_EQ(gApp.scrollPos, 7u);
    scrollMainChart(ScrollThumbPosition, 1);
    chartWheel(400, 400, 2, false);
    EXPECT_EQ(gApp.scrollPos, 0u);
    chartKey(ChartKey::End, false);
    chartWheel(400, 400, -1, false);
    EXPECT_EQ(gApp.scrollPos, lastPos());

    // Outside the main chart the wheel is not ours and changes nothing.
    const View before = view();
    EXPECT_FALSE(chartWheel(400, 150, 1, false));
    EXPECT_FALSE(chartWheel(400, 150, 1, true));
    EXPECT_EQ(view(), before);

    // Ctrl: the next span the combo box accepts, until none is left.
    chartWheel(400, 400, -1, true);  // "10 minutes" -> "20 minutes"
    EXPECT_EQ(fake::state().comboSel, 3);
    EXPECT_EQ(gApp.samplesPerPixel, 100u);
    chartWheel(400, 400, 3, true);  // -> 10, 5, 2 minutes
    EXPECT_EQ(fake::state().comboSel, 0);
    EXPECT_EQ(gApp.samplesPerPixel, 10u);
    const View shortest = view();
    chartWheel(400, 400, 1, true);  // nothing shorter than 6,000 samples
    EXPECT_EQ(view(), shortest);
    chartWheel(400, 400, -20, true);  // up to "5 hours", the whole recording, and no further
    EXPECT_EQ(fake::state().comboSel, 7);
    EXPECT_EQ(gApp.samplesPerPixel, 1500u);
    EXPECT_EQ(gApp.mainStart, 0u);
}

// Fine wheels send parts of a notch: they add up to line steps, and what is
// left over is dropped once the wheel leaves the main chart.
TEST_F(WheelAndKeys, PartNotchesAddUpAndAreDroppedOffTheChart) {
    scrollMainChart(ScrollThumbPosition, 10);
    int pending = 0;
    chartWheelTurned(pending, 400, 400, 60, false);
    EXPECT_EQ(gApp.scrollPos, 10u);
    chartWheelTurned(pending, 400, 400, 90, false);
    EXPECT_EQ(gApp.scrollPos, 9u);
    EXPECT_EQ(pending, 30);
    EXPECT_FALSE(chartWheelTurned(pending, 400, 150, 60, false));
    EXPECT_EQ(pending, 0);
    chartWheelTurned(pending, 400, 400, 90, false);
    EXPECT_EQ(gApp.scrollPos, 9u);
}

// Menu and readout places: the click, else the pointer, else the main
// chart's middle; the readout turns back inside the client area.
TEST(ChartPlaces, MenuPointAndReadoutOrigin) {
    EXPECT_EQ(chartMenuPoint(false, {10, 20}, true, {300, 400}).x, 10);
    EXPECT_EQ(chartMenuPoint(true, {10, 20}, true, {300, 400}).y, 400);
    EXPECT_EQ(chartMenuPoint(true, {10, 20}, false, {300, 400}).x, 450);
    const struct {
        ChartPoint pointer;
        int wantX, wantY;
    } cases[] = {{{100, 100}, 114, 118}, {{750, 100}, 642, 118}, {{100, 540}, 114, 492}, {{750, 540}, 642, 492}};
    for (const auto& c : cases) {
        const ChartPoint at = readoutOrigin(c.pointer, 100, 40, 800, 578);
        EXPECT_EQ(at.x, c.wantX) << c.pointer.x;
        EXPECT_EQ(at.y, c.wantY) << c.pointer.y;
    }
}

TEST_F(WheelAndKeys, SpansThatDoNotFitAreSkippedAndNothingMovesWithoutARecording) {
    // At 0.05 s "2 minutes" is 4,800 samples, below ten per column.
    test::showRecording({.count = 30000, .sampleTime = 5, .spanIndex = 2});
    chartWheel(400, 400, 1, true);
    EXPECT_EQ(fake::state().comboSel, 1);
    EXPECT_EQ(gApp.samplesPerPixel, 10u);
    const View atFive = view();
    chartWheel(400, 400, 1, true);
    EXPECT_EQ(view(), atFive);
    // The whole recording shown: no scrolling at all.
    test::showRecording({.count = 30000, .sampleTime = 5, .spanIndex = 2});
    const View whole = view();
    for (ChartKey k : {ChartKey::Home, ChartKey::End, ChartKey::PageUp, ChartKey::PageDown}) chartKey(k, false);
    chartWheel(400, 400, -2, false);
    EXPECT_EQ(view(), whole);

    resetGlobalStateForTests();
    fake::reset();
    EXPECT_TRUE(chartWheel(400, 400, 1, true));
    EXPECT_TRUE(chartKey(ChartKey::Right, false));
    EXPECT_EQ(gApp.cursorX, 0);
    EXPECT_EQ(gApp.dataPresent, 0);
    EXPECT_TRUE(fake::state().invalidations.empty());
}

// ---- PNG picture -----------------------------------------------------------------------

TEST_F(ChartReading, PicturesAreWrittenWholeOrNotAtAll) {
    const std::string target = dir_.file("chart.png");
    test::writeFileBytes(target, "old");
    struct Case {
        const char* name;
        std::string answer;
        bool renders;
        std::string file;      // the target afterwards
        std::size_t messages;  // message 84 shown
    };
    const Case cases[] = {
        {"cancelled", "", true, "old", 0},
        {"no picture", target, false, "old", 1},
        {"no folder", dir_.file("missing/chart.png"), true, "old", 1},
        {"written", target, true, std::string("\x89PNG", 4), 0},
    };
    for (const Case& c : cases) {
        fake::reset();
        fake::output().pictureSucceeds = c.renders;
        fake::state().fileAnswers = {c.answer};
        commandSavePicture();
        EXPECT_EQ(test::readFileBytes(target), c.file) << c.name;
        ASSERT_EQ(fake::state().messages.size(), c.messages) << c.name;
        if (c.messages != 0) {
            EXPECT_EQ(fake::state().messages[0].caption, "Error:") << c.name;
        }
    }
    EXPECT_EQ(fake::state().fileDialogs.back().filter, "PNG Image (*.png)");
    // No temporary file is left beside the picture.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path()), {}), 1);
}

// ---- files from outside ------------------------------------------------------------------

TEST(OutsideFiles, CommandLineAndDroppedNames) {
    std::string a0 = "vantreldaq", f = "site.udd", opt = "--verbose", dd = "--", dash = "-odd.udd";
    struct Case {
        std::vector<char*> argv;
        const char* want;
    };
    const Case cases[] = {
        {{a0.data()}, nullptr},
        {{a0.data(), f.data()}, "site.udd"},
        {{a0.data(), opt.data(), f.data()}, "site.udd"},
        {{a0.data(), dd.data(), dash.data()}, "-odd.udd"},
        {{a0.data(), dash.data()}, nullptr},
    };
    for (const Case& c : cases) {
        std::vector<char*> argv = c.argv;
        const char* got = recordingArgument(static_cast<int>(argv.size()), argv.data());
        EXPECT_STREQ(got, c.want);
    }
    for (const auto& [name, ok] : std::map<std::string, bool>{{"a.udd", true},
                                                              {"/x/Site.UDD", true},
                                                              {".udd", false},
                                                              {"/x/.udd", false},
                                                              {"a.udd.txt", false},
                                                              {"a.csv", false},
                                                              {"udd", false}})
        EXPECT_EQ(isRecordingFileName(name), ok) << name;
}

// The file named on the command line is opened once the loop runs, with File >
// Open's checks and messages; a refused one leaves the program running empty.
TEST_F(ChartReading, AFileGivenOnTheCommandLineGoesThroughOpensChecks) {
    const std::string good = dir_.file("good.udd");
    test::fillRecording({.count = 1200, .sampleTime = 100});
    int code = 0;
    ASSERT_EQ(writeRecordingFile(good.c_str(), code), SaveStatus::Saved);
    const std::string cut = dir_.file("cut.udd");
    test::writeFileBytes(cut, test::readFileBytes(good).substr(0, 19));
    const std::string shortRecords = dir_.file("short.udd");
    test::writeFileBytes(shortRecords, test::readFileBytes(good).substr(0, 20 + 9 * 1199));

    struct Case {
        std::string path;
        const char* message;  // "" for none
        int dataPresent;
    };
    const Case cases[] = {
        {dir_.file("missing.udd"), "Unable to load data from disc!: 2", 0},
        {cut, "Error loading header from file!", 0},
        {shortRecords, "Error loading data from file!", 0},
        {good, "", 1},
    };
    for (const Case& c : cases) {
        resetGlobalStateForTests();
        fake::reset();
        ASSERT_EQ(runApplication(c.path.c_str()), 0);
        fake::state().messages.clear();  // the missing port's, at start-up
        EXPECT_EQ(gApp.dataPresent, 0) << "opened before the loop ran: " << c.path;
        ASSERT_EQ(fake::state().postedTasks.size(), 1u);
        fake::state().postedTasks[0]();
        EXPECT_EQ(gApp.dataPresent, c.dataPresent) << c.path;
        EXPECT_TRUE(fake::state().windowExists) << c.path;
        EXPECT_TRUE(fake::state().fileDialogs.empty()) << c.path;  // no dialog asked
        if (*c.message == '\0') {
            EXPECT_TRUE(fake::state().messages.empty()) << c.path;
            EXPECT_EQ(gHeader.recordCount, 1200u);
        } else {
            ASSERT_EQ(fake::state().messages.size(), 1u) << c.path;
            EXPECT_EQ(fake::state().messages[0].text, c.message);
        }
    }
}

}  // namespace
