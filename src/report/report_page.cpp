#include "report/report_page.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "report/report_texts.h"

namespace {

std::string percent(unsigned v) { return std::to_string(v) + " %"; }

// A text of the table with %s filled in (the texts carry at most two).
std::string fill(const char* format, const std::string& a, const std::string& b = {}) {
    std::string out;
    int used = 0;
    for (const char* p = format; *p != '\0'; ++p) {
        if (p[0] == '%' && p[1] == 's') {
            out += used++ == 0 ? a : b;
            ++p;
        } else {
            out += *p;
        }
    }
    return out;
}

// Puts back what a drawing routine selects.
struct KeepState {
    DrawingSurface& s;
    PenId pen;
    BrushId brush;
    FontId font;
    int align;
    Rgb bk;
    explicit KeepState(DrawingSurface& surface)
        : s(surface),
          pen(s.selectPen(PenId::Black)),
          brush(s.selectBrush(BrushId::White)),
          font(s.selectFont(FontId::Small)),
          align(s.setTextAlign(AlignLeftBottom)),
          bk(s.setBkColor(kWhite)) {}
    ~KeepState() {
        s.setBkColor(bk);
        s.setTextAlign(align);
        s.selectFont(font);
        s.selectBrush(brush);
        s.selectPen(pen);
    }
    KeepState(const KeepState&) = delete;
    KeepState& operator=(const KeepState&) = delete;
};

void text(DrawingSurface& s, int x, int y, int align, const std::string& t) {
    s.setTextAlign(align);
    s.textOut(x, y, t.c_str());
}

// The plot area of a box: room above for the title, left for the value
// labels, below for the time labels. Values 0..top map onto base..y0.
struct Plot {
    int x0, x1;  // columns x0 .. x1-1
    int y0;      // the scale's top
    int base;    // the axis line, value 0
    int top;     // percent at y0

    explicit Plot(ReportRect box, int topPercent)
        : x0(box.left + 38), x1(box.right - 4), y0(box.top + 24), base(box.bottom - 18), top(topPercent) {
        x1 = std::max(x1, x0 + 1);
        base = std::max(base, y0 + 1);
    }
    int width() const { return x1 - x0; }
    // Value in hundredths of a percent -> row.
    int yOf(std::uint64_t hundredths) const {
        const std::uint64_t span = static_cast<std::uint64_t>(base - y0);
        const std::uint64_t h = std::min<std::uint64_t>(hundredths, static_cast<std::uint64_t>(top) * 100);
        return base - static_cast<int>((h * span + static_cast<std::uint64_t>(top) * 50) /
                                       (static_cast<std::uint64_t>(top) * 100));
    }
    int yOfPercent(unsigned v) const { return yOf(std::uint64_t{v} * 100); }
};

// Title, axes, the value scale and the threshold lines of a plot.
void drawFrame(DrawingSurface& s, const Plot& p, ReportRect box, const std::string& title,
               const std::string& caption) {
    s.selectFont(FontId::Label);
    text(s, box.left, box.top + 16, AlignLeftBottom, title);
    s.selectFont(FontId::Small);
    if (!caption.empty()) text(s, box.right - 4, box.top + 16, AlignRightBottom, caption);

    s.selectPen(PenId::Frame);
    const int step = p.top <= 100 ? 25 : 50;
    for (int v = 0; v <= p.top; v += step) {
        const int y = p.yOfPercent(static_cast<unsigned>(v));
        s.moveTo(p.x0 - 4, y);
        s.lineTo(p.x0, y);
        text(s, p.x0 - 6, y + 5, AlignRightBottom, percent(static_cast<unsigned>(v)));
    }
    s.moveTo(p.x0 - 1, p.y0);
    s.lineTo(p.x0 - 1, p.base + 1);
    s.moveTo(p.x0 - 1, p.base);
    s.lineTo(p.x1, p.base);
}

void drawThresholds(DrawingSurface& s, const LoadReport& r, const Plot& p) {
    s.selectPen(PenId::Marker);
    for (const ThresholdFigures& th : r.thresholds) {
        const int y = p.yOfPercent(th.level);
        s.moveTo(p.x0, y);
        s.lineTo(p.x1, y);
        text(s, p.x1 - 2, y - 1, AlignRightBottom, percent(th.level));
    }
}

void noPlot(DrawingSurface& s, const Plot& p, const ReportLook& look) {
    text(s, (p.x0 + p.x1) / 2, (p.y0 + p.base) / 2, AlignCenterBottom, reportTexts(look.german).noPlot);
}

// "YYYY-MM-DD HH:MM".
std::string minuteStamp(const ReportStamp& s) { return reportStampShown(s).substr(0, 16); }

}  // namespace

std::string reportTitle(const ReportLook& look) { return reportTexts(look.german).title; }

std::string reportSubtitle(const LoadReport& r, const ReportLook& look) {
    const ReportTexts& t = reportTexts(look.german);
    std::string line = look.shownPart
                           ? fill(t.shownScope, reportInteger(std::uint64_t{r.first} + 1, look.german),
                                  reportInteger(std::uint64_t{r.first} + r.records, look.german))
                           : std::string(t.wholeScope);
    if (r.records > 0)
        line += std::string("   ") + t.start + ": " + reportStampShown(r.start) + "   " + t.end + ": " +
                reportStampShown(r.end);
    return line;
}

std::vector<ReportRow> reportFigureRows(const LoadReport& r, const ReportLook& look) {
    const ReportTexts& t = reportTexts(look.german);
    const bool g = look.german;
    std::vector<ReportRow> rows = {
        {t.records, reportInteger(r.records, g)},
        {t.dayReadings, reportInteger(r.readings, g)},
        {t.markersRow, reportInteger(r.markers, g)},
        {t.gapsRow, reportInteger(r.gaps, g)},
        {t.sampleTime, reportFixed2(r.sampleTime, g) + " s"},
        {t.duration, reportDuration(reportHundredths(r, r.records), g)},
    };
    if (r.readings == 0) {
        rows.push_back({t.noPlot, {}});
        return rows;
    }
    rows.push_back({t.maximum, percent(r.max) + "  " + t.at + " " + reportStampShown(r.maxAtStamp)});
    rows.push_back({t.minimum, percent(r.min) + "  " + t.at + " " + reportStampShown(r.minAtStamp)});
    rows.push_back({t.mean, reportFixed2(meanHundredths(r.sum, r.readings), g) + " %"});
    rows.push_back({t.percentiles, percent(r.p50) + " / " + percent(r.p95) + " / " + percent(r.p99)});
    if (r.maxDemand >= 0) {
        const DemandInterval& top = r.intervals[static_cast<std::size_t>(r.maxDemand)];
        std::size_t whole = 0;
        for (const DemandInterval& iv : r.intervals) whole += iv.whole ? 1 : 0;
        rows.push_back({std::string(t.demand) + " (" + std::to_string(r.demandMinutes) + " min)",
                        reportFixed2(meanHundredths(top.sum, top.readings), g) + " %  " + t.from + " " +
                            reportStampShown(top.start)});
        rows.push_back({t.intervalsRow, reportInteger(r.intervals.size(), g) + ", " +
                                            reportInteger(whole, g) + " " + t.whole});
        if (r.demandPartial) rows.push_back({{}, t.partial});
    }
    if (r.ratedKw > 0) {
        const auto rated = static_cast<std::uint64_t>(std::llround(r.ratedKw * 100));
        rows.push_back({t.energy, reportFixed2(energyHundredthsKwh(r), g) + " kWh  (" + t.rated + " " +
                                      reportFixed2(rated, g) + " kW)"});
    }
    return rows;
}

ReportTable reportThresholdTable(const LoadReport& r, const ReportLook& look) {
    if (r.readings == 0) return {};
    const ReportTexts& t = reportTexts(look.german);
    const bool g = look.german;
    ReportTable table = {{t.threshold, t.time, t.share, t.episodes, t.longest, t.from}};
    for (const ThresholdFigures& th : r.thresholds) {
        const bool reached = th.longestRecords > 0;
        table.push_back({percent(th.level), reportDuration(reportHundredths(r, th.readings), g),
                         reportFixed2(shareHundredths(th.readings, r.readings), g) + " %",
                         reportInteger(th.episodes, g),
                         reached ? reportDuration(reportHundredths(r, th.longestRecords), g) : "-",
                         reached ? reportStampShown(th.longestStartStamp) : "-"});
    }
    return table;
}

ReportTable reportDayTable(const LoadReport& r, const ReportLook& look) {
    if (r.readings == 0) return {};
    const ReportTexts& t = reportTexts(look.german);
    ReportTable table = {{t.day, t.dayReadings, t.dayMax, t.dayMean}};
    for (const DayFigures& d : r.days) {
        char date[16];
        std::snprintf(date, sizeof date, "%04u-%02u-%02u", 2000u + d.year, unsigned{d.month},
                      unsigned{d.day});
        const bool any = d.readings > 0;
        table.push_back({date, reportInteger(d.readings, look.german), any ? percent(d.max) : "-",
                         any ? reportFixed2(meanHundredths(d.sum, d.readings), look.german) + " %" : "-"});
    }
    return table;
}

int reportPlotTop(const LoadReport& r) {
    int highest = r.readings > 0 ? r.max : 0;
    for (const ThresholdFigures& th : r.thresholds) highest = std::max<int>(highest, th.level);
    return std::max(100, (highest + 49) / 50 * 50);
}

void drawLoadDurationCurve(DrawingSurface& s, const LoadReport& r, ReportRect box, const ReportLook& look) {
    const KeepState keep(s);
    const ReportTexts& t = reportTexts(look.german);
    const Plot p(box, reportPlotTop(r));
    drawFrame(s, p, box, t.curveTitle, std::string("x: ") + t.timeAxis);
    for (int share = 0; share <= 100; share += 25) {
        const int x = p.x0 + share * (p.width() - 1) / 100;
        text(s, x, p.base + 14, AlignCenterBottom, percent(static_cast<unsigned>(share)));
    }
    if (r.readings == 0) {
        noPlot(s, p, look);
        return;
    }
    // From the highest value down: each value holds for its share of the
    // readings; the steps between values are vertical.
    s.selectPen(PenId::Trace);
    const std::uint64_t n = r.readings;
    const auto xOf = [&](std::uint64_t cum) {
        return p.x0 + static_cast<int>(cum * static_cast<std::uint64_t>(p.width()) / n);
    };
    std::uint64_t cum = 0;
    bool first = true;
    for (int v = 254; v >= 0; --v) {
        const auto value = static_cast<std::uint8_t>(v);
        if (!isReading(value) || r.histogram[value] == 0) continue;
        const int y = p.yOfPercent(value);
        const int xa = xOf(cum);
        cum += r.histogram[value];
        if (first)
            s.moveTo(xa, y);
        else
            s.lineTo(xa, y);
        first = false;
        s.lineTo(std::max(xOf(cum), xa + 1), y);
    }
    drawThresholds(s, r, p);
}

void drawDemandBars(DrawingSurface& s, const LoadReport& r, ReportRect box, const ReportLook& look) {
    const KeepState keep(s);
    const ReportTexts& t = reportTexts(look.german);
    const Plot p(box, reportPlotTop(r));
    drawFrame(s, p, box, std::string(t.barsTitle) + " (" + std::to_string(r.demandMinutes) + " min)", {});
    if (r.readings == 0 || r.intervals.empty()) {
        noPlot(s, p, look);
        return;
    }
    text(s, p.x0, p.base + 14, AlignLeftBottom, minuteStamp(r.intervals.front().start));
    if (r.intervals.size() > 1)
        text(s, p.x1, p.base + 14, AlignRightBottom, minuteStamp(r.intervals.back().start));

    // One slot per interval, or per pixel column when there are more intervals
    // than columns; a slot shows the highest demand that falls on it.
    const std::uint64_t n = r.intervals.size();
    const std::uint64_t slots = std::min<std::uint64_t>(n, static_cast<std::uint64_t>(p.width()));
    std::vector<std::int64_t> best(slots, -1);
    for (std::uint64_t i = 0; i < n; ++i) {
        const DemandInterval& iv = r.intervals[i];
        if (iv.readings == 0) continue;
        std::int64_t& b = best[i * slots / n];
        b = std::max(b, static_cast<std::int64_t>(meanHundredths(iv.sum, iv.readings)));
    }
    s.selectPen(PenId::Null);
    s.selectBrush(BrushId::Bar);
    const auto w = static_cast<std::uint64_t>(p.width());
    for (std::uint64_t k = 0; k < slots; ++k) {
        if (best[k] < 0) continue;
        const int left = p.x0 + static_cast<int>(k * w / slots);
        int right = p.x0 + static_cast<int>((k + 1) * w / slots);  // exclusive
        if (right - left >= 4) --right;                            // a gap between wide bars
        const int y = p.yOf(static_cast<std::uint64_t>(best[k]));
        if (y >= p.base) continue;  // a demand of 0 has no height
        // With the null pen the fill covers left .. right-2 and top .. bottom-2.
        s.rectangle(left, y, right + 1, p.base + 1);
    }
    drawThresholds(s, r, p);
}

void drawReportPage(DrawingSurface& s, const LoadReport& r, ReportRect box, const ReportLook& look) {
    const KeepState keep(s);
    const ReportTexts& t = reportTexts(look.german);
    const int x = box.left + 10;
    s.selectFont(FontId::Title);
    text(s, x, box.top + 22, AlignLeftBottom, reportTitle(look));
    s.selectFont(FontId::Small);
    text(s, x, box.top + 38, AlignLeftBottom, reportSubtitle(r, look));

    // Left: the tables, one line of the small font each.
    constexpr int kLine = 13;
    int y = box.top + 60;
    for (const ReportRow& row : reportFigureRows(r, look)) {
        text(s, x, y, AlignLeftBottom, row.label);
        text(s, x + 118, y, AlignLeftBottom, row.value);
        y += kLine;
    }
    // The thresholds and the days, each as many rows as fit above the
    // page's bottom; a table cut short ends in a line saying how many rows
    // were left out.
    const auto table = [&](const ReportTable& rows, const int* right, const int* left, int reserve) {
        if (rows.empty()) return;
        y += 8;
        const int last = box.bottom - 6 - reserve;  // baseline of the last line that fits
        const std::size_t fit = y > last ? 0 : static_cast<std::size_t>((last - y) / kLine + 1);
        const std::size_t shown = rows.size() <= fit ? rows.size() : (fit > 1 ? fit - 1 : 0);
        for (std::size_t i = 0; i < shown; ++i) {
            for (std::size_t c = 0; c < rows[i].size(); ++c) {
                if (right[c] >= 0)
                    text(s, x + right[c], y, AlignRightBottom, rows[i][c]);
                else
                    text(s, x + left[c], y, AlignLeftBottom, rows[i][c]);
            }
            y += kLine;
        }
        if (shown < rows.size() && fit > 0) {
            text(s, x, y, AlignLeftBottom, fill(t.moreRows, reportInteger(rows.size() - shown, look.german)));
            y += kLine;
        }
    };
    // Per column: the right edge of a right-aligned one, else -1 and the left edge.
    static constexpr int kThresholdRight[] = {40, 100, 146, 192, 248, -1};
    static constexpr int kThresholdLeft[] = {0, 0, 0, 0, 0, 256};
    static constexpr int kDayRight[] = {-1, 130, 175, 235};
    static constexpr int kDayLeft[] = {0, 0, 0, 0};
    const ReportTable days = reportDayTable(r, look);
    // The thresholds leave the days room for their head and a note at least.
    table(reportThresholdTable(r, look), kThresholdRight, kThresholdLeft, days.empty() ? 0 : 8 + 2 * kLine);
    table(days, kDayRight, kDayLeft, 0);

    // Right: the curve above the bars.
    const int plotLeft = box.left + box.width() / 2;
    const int plotTop = box.top + 48;
    const int middle = plotTop + (box.bottom - plotTop) / 2;
    drawLoadDurationCurve(s, r, {plotLeft, plotTop, box.right - 10, middle - 6}, look);
    drawDemandBars(s, r, {plotLeft, middle + 6, box.right - 10, box.bottom - 4}, look);
}
