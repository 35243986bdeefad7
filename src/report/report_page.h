// The load report as a page: title, the span's start and end, the figures as
// tables, the load-duration curve and the demand per interval as bars, with
// the threshold levels marked in both plots. Drawn through DrawingSurface so
// that the window, the printed page and the HTML file's pictures are one
// drawing; the tables come as text rows so the HTML file can carry them as a
// real table.
//
// Cost: the drawing reads only the report (the 256-bin histogram and the
// interval list), never the records; the bars take one pass over the
// intervals and at most one bar per pixel column.
#pragma once

#include <string>
#include <vector>

#include "chart/drawing_surface.h"
#include "report/load_report.h"

// How the report is told: its language and whether it covers the whole
// recording or only the stretch the main chart shows.
struct ReportLook {
    bool german = false;
    bool shownPart = false;  // the figures are over the main chart's stretch only
};

// A rectangle in surface units, right and bottom exclusive.
struct ReportRect {
    int left, top, right, bottom;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
};

// The page's design size; the window shows it at this size and the printer
// maps it onto the printable area of a landscape page.
inline constexpr int kReportPageWidth = 800;
inline constexpr int kReportPageHeight = 560;

// "Load report" and the line under it: the scope and the span's first and
// last stamp ("Whole recording   Start: … End: …").
std::string reportTitle(const ReportLook& look);
std::string reportSubtitle(const LoadReport& r, const ReportLook& look);

// The figures as label/value rows: records, readings, markers, gaps, sample
// time, duration and, with readings, maximum, minimum, mean, percentiles,
// highest demand and energy (rated power given).
struct ReportRow {
    std::string label;
    std::string value;
};
std::vector<ReportRow> reportFigureRows(const LoadReport& r, const ReportLook& look);

// A table as rows of cells, the head first: the thresholds (level, time,
// share, episodes, longest, from) and the days (day, readings, max, mean).
// Empty without readings.
using ReportTable = std::vector<std::vector<std::string>>;
ReportTable reportThresholdTable(const LoadReport& r, const ReportLook& look);
ReportTable reportDayTable(const LoadReport& r, const ReportLook& look);

// The plots' value scale: 0 up to this many percent (100, 150, 200, 250 or
// 300), enough for the highest reading and the highest threshold.
int reportPlotTop(const LoadReport& r);

// The load-duration curve in box: the readings from highest to lowest over
// 0..100 % of the time, a step per value that occurs, drawn with the trace
// pen; threshold levels as marker-pen lines with their percent. Without
// readings it says so. Puts back everything it selects.
void drawLoadDurationCurve(DrawingSurface& s, const LoadReport& r, ReportRect box, const ReportLook& look);

// The demand per interval in box: one bar per interval in record order (the
// mean of its readings), or, with more intervals than pixel columns, per
// column the highest of the intervals that fall on it; intervals without
// readings leave their place empty. Threshold levels as in the curve.
void drawDemandBars(DrawingSurface& s, const LoadReport& r, ReportRect box, const ReportLook& look);

// The whole page in box (designed for kReportPageWidth x kReportPageHeight):
// title and subtitle, the figure rows, the thresholds and as many days as
// fit on the left, the curve above the bars on the right.
void drawReportPage(DrawingSurface& s, const LoadReport& r, ReportRect box, const ReportLook& look);
