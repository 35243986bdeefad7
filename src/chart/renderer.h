// Drawing of the two charts: axes, traces, time labels and the no-data text.
// The main window's paint (paintCharts, shell/handlers.h) and the printed page
// both draw through these, on a DrawingSurface, in client pixels of the main
// window (logical units on paper).
//
// Every routine here puts back each pen, brush, font, alignment and background
// colour it changed before it returns.
#pragma once

#include <cstddef>
#include <cstdint>

#include "chart/drawing_surface.h"
#include "recording/store.h"

// Chart geometry.
inline constexpr int kChartLeft = 150;        // left axis of both charts; first trace column
inline constexpr int kChartColumns = 600;     // trace columns x = 150 .. 749
inline constexpr int kMainBaseY = 530;        // main chart base line
inline constexpr int kZoomBaseY = 250;        // zoom chart base line
inline constexpr int kCursorMaxX = 540;       // zoom cursor band: 0 .. 540 right of the left axis
inline constexpr int kCursorBandWidth = 60;   // columns of the main chart the zoom chart shows

// Readings above 100 % (101..200, 203..254) are held at the plot area's top,
// so they stay inside their own chart; the columns that hold one get an
// over-top mark, a line in the marker colour along that top edge.
inline constexpr int kFullScale = 100;        // the reading drawn on the plot area's top
inline constexpr int kPlotHeight = 200;       // pixels from the base line to the top (two per percent)

// y of reading v in the chart with base line baseY, held inside the plot area.
constexpr int readingY(int baseY, int v) { return baseY - 2 * (v < kFullScale ? v : kFullScale); }

// The columns of one chart whose readings lie above the top. A trace notes them
// while it draws and marks them once at its end, over the trace, joining
// neighbouring columns into one line.
class OverTopColumns {
public:
    void note(int x) {
        if (x >= kChartLeft && x < kChartLeft + kChartColumns) over_[static_cast<std::size_t>(x - kChartLeft)] = true;
    }
    // Draws the marks with the marker pen and puts the pen back.
    void draw(DrawingSurface& surface, int baseY) const;

private:
    bool over_[kChartColumns] = {};
};

// One chart's axes, ticks and axis labels; (x, y) is where the left axis meets
// the base line. labelBackground: the labels sit on the window's background
// colour (screen); false leaves the surface's background colour alone (paper).
void drawAxes(DrawingSurface& surface, int x, int y, bool labelBackground);

// Draws 600 columns (x = 150 .. 749) of samples from record index start,
// stepping by increment with a 32-bit float accumulator, and returns the index
// of the last sample covered: start + 600n - 1 for a whole-number increment n.
// Records at or beyond the recording's end (gHeader.recordCount) are never
// read: the trace stops there and the result is at most recordCount - 1 (-1
// for an empty recording). Columns whose exact span reaches the recording's
// end return its last record even where the float sum falls just short.
std::int32_t drawTrace(DrawingSurface& surface, int baseY, std::uint32_t start, float increment);
// The record a trace's "End:" label names: next is the index the stepping
// reached after the last column (or where the recording ended it), limit the
// number of records shown. Shared by every way of drawing a trace.
std::int32_t traceEndRecord(std::uint32_t start, float increment, std::uint32_t next, std::uint32_t limit);

// The zoom chart's increment for a main chart of samplesPerPixel: a tenth,
// formed in single precision.
float zoomIncrement(std::uint32_t samplesPerPixel);

// Caption at (x, y) and "dd/mm-yy, hh:mm:ss" of the record 15 units below, both
// left-bottom aligned on the window's background colour.
void drawTimeLabel(DrawingSurface& surface, const char* caption, SampleRecord record, int x, int y);

// "No data present" in the current language, centred, bottom at y.
void drawNoData(DrawingSurface& surface, int x, int y);

// The record a time label shows for index: clamped into the recording, and a
// zeroed record when the recording is empty, so a label never reads outside it.
SampleRecord labelRecord(std::int64_t index);

// Records of the current recording as far as the store can hold them.
std::uint32_t shownRecordCount();
