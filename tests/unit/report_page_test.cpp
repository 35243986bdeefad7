// The load report's page through the recording surface (what is drawn where),
// and its SVG and HTML forms.
#include "report/report_page.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "chart/svg_surface.h"
#include "fakes/fake_platform.h"
#include "recording/store.h"
#include "recording/timestamps.h"
#include "report/load_report.h"
#include "report/report_html.h"
#include "report/report_window.h"
#include "shell/app_state.h"
#include "shell/messages.h"
#include "shell/user_prefs.h"
#include "support/recording_surface.h"
#include "support/temp_dir.h"

namespace {

// A recording of count records at sampleTime from 2009-12-31 23:50, values from fill.
template <class Fill>
LoadReport reportOf(std::uint32_t count, std::uint16_t sampleTime, Fill fill, ReportOptions options = {}) {
    resetGlobalStateForTests();
    gHeader.sampleTime = sampleTime;
    gHeader.recordCount = count;
    assignTimesForward({2009, 12, 31, 23, 50, 0});
    for (std::uint32_t i = 0; i < count; ++i) gStore[i].value = fill(i);
    LoadReport r;
    computeLoadReport(0, count - 1, options, r);
    return r;
}

std::uint8_t wandering(std::uint32_t i) {
    static std::mt19937 rng(7);
    const unsigned d = rng() % 100;
    if (d < 2) return 201;
    if (d < 4) return 255;
    return static_cast<std::uint8_t>(i / 700 % 2 ? 40 + rng() % 60 : 70 + rng() % 120);
}

bool within(const test::DrawnRect& r, ReportRect box) {
    return r.left >= box.left && r.right <= box.right && r.top >= box.top && r.bottom <= box.bottom;
}

}  // namespace

// The curve falls from the maximum to the minimum across the plot, and the
// share of its width at or above a level is that level's share of the time.
TEST(ReportPage, DurationCurveFallsAndSpendsEachLevelsShare) {
    const LoadReport r = reportOf(20000, 100, wandering, {{80, 150}, 15, 0.0});
    const ReportRect box{400, 50, 790, 300};
    test::RecordingSurface s;
    drawLoadDurationCurve(s, r, box, {});
    EXPECT_EQ(s.state(), test::SurfaceState{});

    const auto points = s.tracePoints();
    ASSERT_GE(points.size(), 4u);
    for (std::size_t i = 1; i < points.size(); ++i) {
        EXPECT_GE(points[i].x, points[i - 1].x) << i;
        EXPECT_GE(points[i].y, points[i - 1].y) << i;  // y downwards: the value never rises
        EXPECT_TRUE(points[i].connected);
    }
    const int x0 = points.front().x, x1 = points.back().x, width = x1 - x0;
    EXPECT_GT(x0, box.left);
    EXPECT_LT(x1, box.right);
    // Threshold lines: one per level, across the plot, in the marker pen.
    const auto marks = s.linesWith(PenId::Marker);
    ASSERT_EQ(marks.size(), 2u);
    for (std::size_t k = 0; k < 2; ++k) {
        const ThresholdFigures& th = r.thresholds[k];
        EXPECT_EQ(marks[k].y0, marks[k].y1);
        EXPECT_EQ(marks[k].x0, x0);
        EXPECT_EQ(marks[k].x1, x1);
        // Where the curve goes below the level's line, as a share of the width.
        int below = x1;
        for (const auto& p : points)
            if (p.y > marks[k].y0) {
                below = p.x;
                break;
            }
        const double expected = static_cast<double>(th.readings) / r.readings;
        EXPECT_NEAR(static_cast<double>(below - x0) / width, expected, 2.0 / width) << th.level;
    }
    // The top of the curve is the maximum, its end the minimum, on the scale of the marks.
    const double perPercent = static_cast<double>(marks[0].y0 - marks[1].y0) / (150 - 80);
    EXPECT_NEAR(marks[0].y0 - (r.max - 80) * perPercent, points.front().y, 1.0);
    EXPECT_NEAR(marks[0].y0 + (80 - r.min) * perPercent, points.back().y, 1.0);
}

// Bars stay in their box, one per interval or at most one per pixel column,
// and the tallest is the highest demand.
TEST(ReportPage, DemandBarsFitTheirBoxAndTheTallestIsTheHighestDemand) {
    struct Case {
        std::uint32_t count;
        std::uint16_t sampleTime;
        int minutes;
    };
    for (const Case c : {Case{20000, 100, 15}, Case{200000, 50, 1}, Case{30, 6000, 60}}) {
        const LoadReport r = reportOf(c.count, c.sampleTime, wandering, {{80, 100}, c.minutes, 0.0});
        const ReportRect box{400, 300, 790, 550};
        test::RecordingSurface s;
        drawDemandBars(s, r, box, {});
        EXPECT_EQ(s.state(), test::SurfaceState{});
        std::vector<test::DrawnRect> bars;
        for (const auto& rect : s.rects())
            if (rect.brush == BrushId::Bar) bars.push_back(rect);
        ASSERT_FALSE(bars.empty()) << c.count;
        std::size_t withReadings = 0;
        for (const DemandInterval& iv : r.intervals) withReadings += iv.readings > 0 ? 1 : 0;
        EXPECT_LE(bars.size(), withReadings);
        EXPECT_LE(bars.size(), static_cast<std::size_t>(box.width())) << c.count;
        int lastRight = box.left;
        for (const auto& b : bars) {
            EXPECT_TRUE(within(b, box)) << b.left << "," << b.top << "," << b.right << "," << b.bottom;
            EXPECT_EQ(b.pen, PenId::Null);
            EXPECT_GE(b.left, lastRight - 1);  // in time order, not overlapping
            lastRight = b.right;
        }
        if (r.intervals.size() <= static_cast<std::size_t>(box.width())) {
            EXPECT_EQ(bars.size(), withReadings);
        }
        // The tallest bar against the 100 % mark.
        const auto marks = s.linesWith(PenId::Marker);
        ASSERT_EQ(marks.size(), 2u);
        const int base = bars.front().bottom - 1;
        const int top =
            std::min_element(bars.begin(), bars.end(), [](auto& a, auto& b) { return a.top < b.top; })->top;
        double demand = 0;  // partial intervals too
        for (const DemandInterval& iv : r.intervals)
            if (iv.readings > 0) demand = std::max(demand, static_cast<double>(iv.sum) / iv.readings);
        EXPECT_NEAR(base - (base - marks[1].y0) * demand / 100.0, top, 1.0) << c.count;
    }
}

// The page: German numbers, every table on the left, both plots on the
// right, the days cut with a note when they do not fit, and no readings said
// as such with nothing plotted.
TEST(ReportPage, WholePageInBothLanguagesAndWithoutReadings) {
    const LoadReport r = reportOf(40000, 2000, wandering, {{80, 100}, 15, 7.5});  // 20 s: over nine days
    const ReportRect page{0, 0, kReportPageWidth, kReportPageHeight};
    test::RecordingSurface s;
    drawReportPage(s, r, page, {true, false});
    EXPECT_EQ(s.state(), test::SurfaceState{});
    std::string all;
    for (const auto& t : s.texts()) {
        all += t.text + "\n";
        EXPECT_TRUE(t.x >= 0 && t.x <= page.right && t.y >= 0 && t.y <= page.bottom) << t.text;
    }
    EXPECT_NE(all.find("Lastbericht\n"), std::string::npos);
    EXPECT_NE(
        all.find("Ganze Aufzeichnung   Beginn: 2009-12-31 23:50:00.00   Ende: 2010-01-01 10:56:39.00\n"),
        std::string::npos);
    EXPECT_NE(all.find("40.000\n"), std::string::npos);  // records, German thousands
    EXPECT_NE(all.find(" kWh  (Nennleistung 7,50 kW)\n"), std::string::npos);
    EXPECT_NE(all.find("Lastdauerlinie\n"), std::string::npos);
    for (const auto& t : s.texts()) {
        if (t.text.rfind("2010-01-0", 0) == 0 && t.text.size() == 10) {
            EXPECT_LT(t.x, page.width() / 2) << t.text;  // days on the left
        }
    }
    EXPECT_GT(s.tracePoints().front().x, page.width() / 2);

    // More thresholds and days than fit: as many rows as fit, then a note of
    // how many were left out, all above the page's bottom.
    std::vector<std::uint8_t> levels;
    for (int level = 10; level <= 250; level += 10) levels.push_back(static_cast<std::uint8_t>(level));
    LoadReport many = reportOf(60, 100, wandering, {levels, 15, 0.0});
    for (std::uint32_t i = 0; i < 60; ++i)
        gStore[i].month = static_cast<std::uint8_t>(1 + i / 28),
        gStore[i].day = static_cast<std::uint8_t>(1 + i % 28);
    computeLoadReport(0, 59, {levels, 15, 0.0}, many);
    ASSERT_EQ(many.days.size(), 60u);
    s.clear();
    drawReportPage(s, many, page, {false, true});
    const auto texts = s.texts();
    std::vector<std::string> notes;
    for (const auto& t : texts) {
        EXPECT_LE(t.y, page.bottom) << t.text;
        if (t.text.rfind("… and ", 0) == 0) notes.push_back(t.text);
    }
    EXPECT_EQ(notes, (std::vector<std::string>{"… and 4 more", "… and 60 more"}));
    EXPECT_NE(std::find_if(texts.begin(), texts.end(),
                           [](auto& t) { return t.text.rfind("Shown part: records 1 to 60", 0) == 0; }),
              texts.end());

    const LoadReport none =
        reportOf(50, 100, [](std::uint32_t i) -> std::uint8_t { return i % 2 ? 201 : 255; });
    s.clear();
    drawReportPage(s, none, page, {false, false});
    EXPECT_TRUE(s.tracePoints().empty());
    std::size_t said = 0;
    for (const auto& t : s.texts()) said += t.text == "No readings" ? 1 : 0;
    EXPECT_EQ(said, 3u);  // the figures and both plots
    for (const auto& rect : s.rects()) EXPECT_NE(rect.brush, BrushId::Bar);
}

// Text into XML: markup characters escaped, and whatever is not UTF-8 or not
// an XML character replaced, so a file name or a text from anywhere cannot
// break the file.
TEST(ReportHtml, TextIsEscapedAndCleanedForXml) {
    const std::string fffd = "\xEF\xBF\xBD";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"a&b<c>\"d\"'", "a&amp;b&lt;c&gt;&quot;d&quot;'"},
        {"Lücken € 𝄞\tx\n", "Lücken € 𝄞\tx\n"},
        {"\xFF", fffd},                                               // not UTF-8 at all
        {"\xC0\x80", fffd + fffd},                                    // overlong
        {"\xE2\x82", fffd + fffd},                                    // cut short
        {"\xED\xA0\x80", fffd + fffd + fffd},                         // a surrogate
        {"\xEF\xBF\xBF", fffd + fffd + fffd},                         // U+FFFF
        {std::string("a\x01\x1b\x7f", 4), "a" + fffd + fffd + fffd},  // control characters
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(xmlEscaped(in), out) << in;
}

// The SVG surface: lines batched into one path per pen, rectangles and texts
// where the page asks, and the HTML file self-contained with both plots.
TEST(ReportHtml, SvgAndHtmlCarryThePageWithNothingOutside) {
    SvgSurface svg(100, 50);
    svg.moveTo(0, 10);
    svg.lineTo(20, 10);
    svg.lineTo(20, 30);
    svg.selectPen(PenId::Marker);
    svg.moveTo(1, 1);
    svg.lineTo(5, 1);
    svg.selectPen(PenId::Null);
    svg.selectBrush(BrushId::Bar);
    svg.rectangle(10, 20, 14, 40);
    svg.setTextAlign(AlignRightBottom);
    svg.textOut(90, 45, "80 % <&>");
    EXPECT_EQ(
        svg.finish(),
        "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"100\" height=\"50\" viewBox=\"0 0 100 50\" "
        "font-family=\"DejaVu Sans, Verdana, Arial, sans-serif\" shape-rendering=\"crispEdges\">\n"
        "<rect width=\"100\" height=\"50\" fill=\"#ffffff\"/>\n"
        "<path d=\"M0.5 10.5 L20.5 10.5 L20.5 30.5\" fill=\"none\" stroke=\"#000000\" stroke-width=\"1\"/>\n"
        "<path d=\"M1.5 1.5 L5.5 1.5\" fill=\"none\" stroke=\"#ff0000\" stroke-width=\"1\"/>\n"
        "<rect x=\"10\" y=\"20\" width=\"3\" height=\"19\" fill=\"#6e8cd7\"/>\n"
        "<text x=\"90\" y=\"41.5\" font-size=\"13.7\" font-weight=\"bold\" stroke=\"#ffffff\" stroke-width=\"3\" "
        "stroke-linejoin=\"round\" paint-order=\"stroke\" text-anchor=\"end\">80 % "
        "&lt;&amp;&gt;</text>\n</svg>");

    const LoadReport r = reportOf(3000, 100, wandering);
    const std::string html = reportHtml(r, {true, false});
    EXPECT_EQ(html.rfind("<!DOCTYPE html>\n<html xmlns=\"http://www.w3.org/1999/xhtml\" lang=\"de\">", 0),
              0u);
    std::size_t svgs = 0;
    for (std::size_t at = 0; (at = html.find("<svg ", at)) != std::string::npos; ++at) ++svgs;
    EXPECT_EQ(svgs, 2u);
    for (const char* outside : {"<script", "src=", "href=", "url(", "<link", "@import"})
        EXPECT_EQ(html.find(outside), std::string::npos) << outside;
    EXPECT_NE(html.find("<th>Mittelwert</th><td>"), std::string::npos);
}

// The dialog's fields as typed: what is taken and what is refused.
TEST(ReportWindow, TypedOptionsAreReadOrRefused) {
    const std::vector<std::pair<std::string, std::vector<int>>> levels = {
        {"80, 100", {80, 100}},
        {"90;120 254", {90, 120, 254}},
        {" 1 ", {1}},
        {"", {}},
        {"0", {}},
        {"255", {}},
        {"80,-5", {}},
        {"8O", {}},
        {"1,2,3,4,5,6,7,8,9", {}},
    };
    for (const auto& [text, expected] : levels) {
        std::vector<int> got{42};
        EXPECT_EQ(parseReportLevels(text, got), !expected.empty()) << text;
        EXPECT_EQ(got, expected.empty() ? std::vector<int>{42} : expected) << text;
    }
    EXPECT_EQ(formatReportLevels({80, 100}), "80, 100");

    const std::vector<std::tuple<std::string, bool, double>> kw = {
        {"", true, 0},        {"  ", true, 0},        {"7,5", true, 7.5},    {"55", true, 55},
        {"0.25", true, 0.25}, {"1000000", true, 1e6}, {"1000001", false, 0}, {"0", false, 0},
        {"1e3", false, 0},    {"7.5.1", false, 0},    {"-3", false, 0},      {",", false, 0},
    };
    for (const auto& [text, ok, value] : kw) {
        double got = -1;
        EXPECT_EQ(parseReportKw(text, got), ok) << text;
        EXPECT_DOUBLE_EQ(got, ok ? value : -1.0) << text;
    }
    EXPECT_EQ(formatReportKw(7.5, true), "7,5");
    EXPECT_EQ(formatReportKw(55, false), "55");
    EXPECT_EQ(formatReportKw(0, false), "");
}

// The window's figures over the whole recording or the main chart's records;
// Save… keeps the folder on success and names the file and the reason on a
// failure, leaving the folder setting alone.
TEST(ReportWindow, ScopeAndSaveWithItsMessages) {
    reportOf(5000, 100, wandering);
    gApp.dataPresent = 1;
    gApp.mainStart = 1000;
    gApp.mainLast = 2999;
    UserPrefs prefs;
    LoadReport r;
    ASSERT_TRUE(computeWindowReport(prefs, r));
    EXPECT_EQ(r.records, 5000u);
    prefs.reportShownOnly = true;
    ASSERT_TRUE(computeWindowReport(prefs, r));
    EXPECT_EQ(r.first, 1000u);
    EXPECT_EQ(r.records, 2000u);

    test::TempDir dir;
    setUserPrefsPath(dir.file("view.conf"));
    fake::reset();
    const std::string good = dir.file("r.html");
    fake::state().fileAnswers = {good};
    commandSaveLoadReport(r, {false, true});
    EXPECT_EQ(test::readFileBytes(good), reportHtml(r, {false, true}));
    EXPECT_EQ(fake::state().fileDialogs.back().filter, "HTML file (*.html)");
    EXPECT_EQ(loadUserPrefs().picturesFolder, dir.path().string());
    EXPECT_TRUE(fake::state().messages.empty());

    const std::string bad = dir.file("gone") + "/r.html";
    gSettings.language = German;
    EXPECT_EQ(saveLoadReport(bad, r, {true, true}), ENOENT);
    ASSERT_EQ(fake::state().messages.size(), 1u);
    EXPECT_EQ(fake::state().messages[0].text.rfind(
                  "Der Lastbericht konnte nicht gespeichert werden als\n" + bad, 0),
              0u);
    EXPECT_TRUE(fake::state().messages[0].errorIcon);
    setUserPrefsPath({});
    resetGlobalStateForTests();
}
