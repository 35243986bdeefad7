// Peaks: the envelope of the samples each chart column covers.
//
// At "5 hours" the main chart shows one sample in 1,500; a short load peak
// between two shown samples never reaches the screen. With peaks shown, every
// column instead draws a vertical line from the smallest to the largest
// reading among all the samples it covers, joined to its neighbours like the
// plain trace. Off by default: the charts then look exactly as they always did.
//
// The smallest and largest reading of a stretch of records come from a table of
// per-block minima and maxima, built on first use after each new recording
// (resetView bumps a generation counter), so a repaint costs about the same
// whatever the samples per column. Only values change the table; setting the
// time does not touch it.
#pragma once

#include <cstdint>

#include "chart/drawing_surface.h"

// What a stretch of records holds, by the trace's value classes: readings
// (0..200, 203..254), markers (201, 202) and gaps (255).
struct ColumnEnvelope {
    bool hasReading = false;  // at least one reading; low/high are valid
    bool hasMarker = false;   // at least one marker
    std::uint8_t low = 0;     // smallest reading
    std::uint8_t high = 0;    // largest reading
    friend bool operator==(const ColumnEnvelope&, const ColumnEnvelope&) = default;
};

// Records of one chart column: first .. end-1. end is past first even where
// the increment is below one (the zoom chart below 10 samples per column).
struct ColumnRange {
    std::uint32_t first = 0;
    std::uint32_t end = 0;
};

// The envelope of records first .. end-1 of the recording on show, cut to the
// recording's end.
ColumnEnvelope envelopeOf(std::uint32_t first, std::uint32_t end);

// A new recording is on show: the table is rebuilt on its next use. resetView
// calls this for every recording, loaded or transferred.
void invalidateEnvelope();

// Records column `column` (0 .. 599) of a chart covers when drawn from start
// with increment, stepped exactly as drawTrace steps. The range may reach past
// the recording; first at or past its end means the column is empty.
ColumnRange columnRange(std::uint32_t start, float increment, int column);

// The envelope of 600 columns from start; the same columns, the same broken and
// joined points, and the same result (index of the last record covered) as
// drawTrace, which it equals at one sample per column.
std::int32_t drawPeaks(DrawingSurface& surface, int baseY, std::uint32_t start, float increment);

// The chart's trace as the user wants it: drawPeaks when peaks are shown,
// drawTrace otherwise. The window, the printout and the pictures all draw
// through this, so each shows what the screen shows.
std::int32_t drawChartTrace(DrawingSurface& surface, int baseY, std::uint32_t start, float increment);

// Whether peaks are shown; false at start until the user's preferences are
// loaded. restorePeaksShown sets the choice without saving or repainting (the
// shell's setPeaksShown does both when the user changes it).
bool peaksShown();
void restorePeaksShown(bool shown);
