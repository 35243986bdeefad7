// The Printer command: one landscape page with both charts as the window shows
// them. The page is composed here in the main window's client coordinates; the
// platform's printer layer maps them onto the printable area.
#pragma once

#include <cstdint>

#include "platform/clock.h"
#include "platform/printer.h"
#include "recording/store.h"

class DrawingSurface;

// The chart view a page shows: the fields of the window's view state it reads.
struct PrintView {
    std::uint32_t mainStart;        // first record of the main chart
    std::uint32_t zoomStart;        // first record of the zoom chart
    std::uint16_t cursorX;          // zoom cursor position, 0..540
    std::uint32_t samplesPerPixel;  // samples per column of the main chart
};

// Where the last indices of a page's traces end up: the page's own "End:"
// labels. The window's mainLast and zoomLast are not touched by printing.
struct PrintedLast {
    std::int32_t mainLast;
    std::int32_t zoomLast;
};

// Title (message 15, bold) at (10, 20) left-bottom, and "<long date>, <time>"
// of now at (790, 20) right-bottom in the 10-unit font.
void printHeader(DrawingSurface& page, const platform::CalendarTime& now);

// Caption, then "dd/mm-yy," and "hh:mm:ss" of the record, each line 10 units
// below the previous, left-bottom aligned in the small font.
void drawPrintTimeLabel(DrawingSurface& page, const char* caption, SampleRecord record, int x, int y);

// The whole page: header, both charts' axes without label background, the zoom
// cursor band (bottom edge 529), both traces and the four time labels at
// (10, 100), (10, 200), (10, 380), (10, 480). Puts back everything it selects.
PrintedLast printCharts(DrawingSurface& page, const PrintView& view, const platform::CalendarTime& now);

// Prints the page on a chosen printer: starts the document (named after the
// window title) and its page, composes it, ends page and document. Returns 0, or
// the printer layer's code when the job could not be started or finished.
int printChartsOnPrinter(platform::PrinterHandle printer, const PrintView& view);
