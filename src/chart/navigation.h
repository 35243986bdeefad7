// Which part of the recording the two charts show: the zoom-span combo box sets
// how much the main chart spans, the scroll bar moves that span along the
// recording, the cursor band selects the tenth shown in the zoom chart. The
// entry points the main window calls (resetView, scrollMainChart, the mouse
// handlers and spanComboNotification) are declared in shell/handlers.h.
//
// While a recording is shown these hold after every operation:
//   zoomOffset = cursorX * samplesPerPixel, zoomStart = mainStart + zoomOffset,
//   0 <= cursorX <= maxCursorX() (540 for any recording of 600 samples or more),
//   no chart reads a record at or beyond the recording's end.
#pragma once

#include <cstdint>

// Shortest span the combo box may zoom to: ten samples per column.
inline constexpr std::uint32_t kMinZoomSamples = 6000;

// Scroll request codes of the scroll bar under the main chart.
enum ScrollRequest : int {
    ScrollLineLeft = 0,
    ScrollLineRight = 1,
    ScrollPageLeft = 2,
    ScrollPageRight = 3,
    ScrollThumbPosition = 4,
    ScrollThumbTrack = 5,
};
inline constexpr std::int32_t kScrollPageStep = 32;  // positions per page request, whatever the page size

// The combo box confirmed a selection: zooms the main chart to that span, or
// puts back the selection in force before the change (the span on show, however
// the change came: list, keyboard or wheel) if the span does not fit the
// recording. Always gives the focus back to the main window.
void applyZoomSpan();

// Rightmost cursor position: 540, or less for a recording shorter than the
// chart (the band stays over samples).
int maxCursorX();

// Samples a zoom span of combo box row `row` asks for at the recording's sample
// time: (half span / sample time) * 2, or 0 without a sample time.
std::uint32_t spanSamples(int row);
// Whether applyZoomSpan would accept row: at least 6,000 samples and no more
// than the recording holds.
bool spanFits(int row);

// Moves the zoom cursor band delta columns, stopping at either end of its
// range; the zoom chart follows. False when nothing moved (no recording, or
// already at that end).
bool moveZoomCursor(int delta);
