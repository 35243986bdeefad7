#include "chart/navigation.h"

#include <algorithm>

#include "chart/envelope.h"
#include "chart/renderer.h"
#include "platform/window.h"
#include "recording/store.h"
#include "shell/app_state.h"
#include "shell/handlers.h"

namespace {

// Cursor drag hit zone: rows strictly inside the main chart, and the band's
// columns with one more on the left.
constexpr int kDragTop = 331;
constexpr int kDragBottom = 529;

void endDrag() {
    gApp.dragging = false;
    gApp.dragAnchorX = 0;
}

void setCursor(int n) {
    gApp.cursorX = static_cast<std::uint16_t>(n);
    gApp.zoomOffset = static_cast<std::uint32_t>(n) * gApp.samplesPerPixel;
    gApp.zoomStart = gApp.mainStart + gApp.zoomOffset;
}

// Largest mainStart that keeps the main chart inside the recording.
std::uint32_t lastMainStart() {
    const std::uint64_t span = std::uint64_t{kChartColumns} * gApp.samplesPerPixel;
    const std::uint32_t count = shownRecordCount();
    return span >= count ? 0 : static_cast<std::uint32_t>(count - span);
}

// Sets up the scroll bar for a main chart reckoned on a span of w samples from
// mainStart and shows it when there is anywhere to scroll to. The range follows
// the span; where the 600 whole columns leave a few records past the chart's
// end that the span's range would round away (fewer than one column's worth),
// the bar still gets one position to reach them.
void setScrollRange(std::uint32_t w) {
    const std::uint32_t count = shownRecordCount();
    const std::uint64_t r = count;
    std::uint32_t max = (count - w) / gApp.samplesPerPixel;
    std::uint32_t page = static_cast<std::uint32_t>(std::uint64_t{w} * max / r);
    if (max == 0 && lastMainStart() > 0) {
        max = 1;
        page = 1;
    }
    const std::uint32_t position = static_cast<std::uint32_t>(std::uint64_t{gApp.mainStart} * max / r);
    gApp.scrollMax = max;
    gApp.scrollPage = page;
    gApp.scrollPos = position;
    platform::setScrollBar(max, page, position);
    platform::showScrollBar(max != 0);
}

}  // namespace

std::uint32_t spanSamples(int row) {
    const std::uint32_t sampleTime = loadSampleTime();
    if (row < 0 || row >= kSpanCount || sampleTime == 0) return 0;
    return (kSpanTable[row].halfSpan / sampleTime) * 2;
}

bool spanFits(int row) {
    const std::uint32_t w = spanSamples(row);
    // No sample time (w = 0) is refused like any span that does not fit.
    return w >= kMinZoomSamples && w <= shownRecordCount();
}

bool moveZoomCursor(int delta) {
    if (!gApp.dataPresent) return false;
    const int n = std::clamp(int{gApp.cursorX} + delta, 0, maxCursorX());
    if (n == gApp.cursorX) return false;
    setCursor(n);
    platform::invalidate(false);
    return true;
}

int maxCursorX() {
    if (gApp.samplesPerPixel == 0) return 0;
    const std::int64_t count = shownRecordCount();
    const std::int64_t columns = (count - std::int64_t{gApp.mainStart}) / gApp.samplesPerPixel;
    return static_cast<int>(std::clamp<std::int64_t>(columns - kCursorBandWidth, 0, kCursorMaxX));
}

void resetView() {
    const std::uint32_t count = shownRecordCount();
    gApp.dataPresent = 1;
    // A new recording: the peaks table of the last one no longer holds.
    invalidateEnvelope();
    gApp.mainStart = 0;
    gApp.cursorX = 0;
    gApp.zoomOffset = 0;
    gApp.zoomStart = 0;
    // A recording shorter than the chart would give 0 samples per column and a
    // flat line of its first sample. Show it one sample per column instead; the
    // trace then ends where the recording does.
    gApp.samplesPerPixel = std::max<std::uint32_t>(count / kChartColumns, 1);
    endDrag();
    platform::invalidate(true);
    // A span index that names no span (a damaged or foreign file) shows no
    // selection rather than leaving the previous recording's span on show.
    const int shown = gHeader.spanIndex < kSpanCount ? static_cast<int>(gHeader.spanIndex) : -1;
    platform::comboSelect(shown);
    // What a refused span returns to: the span on show, however the next
    // change comes (list, keyboard or wheel).
    gApp.savedSpanSelection = shown;
    // 600 whole columns of count / 600 samples leave the newest count mod 600
    // records past the chart's end: the bar then scrolls to them, so the
    // recording's end (where an early-ended fetch stopped) is never out of
    // reach. Otherwise the whole recording is on show; the bar's range and
    // position stay as they were, it is hidden, and the core ignores scroll
    // requests until a zoom sets a new range.
    if (lastMainStart() > 0) {
        setScrollRange(kChartColumns * gApp.samplesPerPixel);
        return;
    }
    platform::showScrollBar(false);
    gApp.scrollMax = 0;
}

void applyZoomSpan() {
    const int i = platform::comboSelection();
    if (!gApp.dataPresent) {
        platform::focusMainWindow();
        return;
    }
    const std::uint32_t count = shownRecordCount();
    const std::uint32_t w = spanSamples(i);
    if (!spanFits(i)) {
        platform::comboSelect(gApp.savedSpanSelection);
        platform::focusMainWindow();
        return;
    }
    endDrag();
    gApp.savedSpanSelection = i;
    gApp.samplesPerPixel = w / kChartColumns;
    // The main chart now starts where the zoom chart started, if the span fits.
    gApp.mainStart = gApp.zoomStart;
    if (std::uint64_t{gApp.zoomStart} + w > count) gApp.mainStart = count - w;
    setCursor(0);
    setScrollRange(w);
    platform::invalidate(true);
    platform::focusMainWindow();
}

void scrollMainChart(int request, std::uint32_t thumbPosition) {
    // The bar is shown only with a range; anything else is a stray request.
    if (!gApp.dataPresent || gApp.scrollMax == 0) return;
    const std::int32_t max = static_cast<std::int32_t>(gApp.scrollMax);
    const std::int32_t page = static_cast<std::int32_t>(gApp.scrollPage);
    const std::int32_t lastPos = max - page + 1;  // rightmost thumb position
    std::int32_t pos = static_cast<std::int32_t>(gApp.scrollPos);
    switch (request) {
    case ScrollLineLeft:
        if (pos != 0) pos -= 1;
        break;
    case ScrollLineRight:
        if (pos <= max - page) pos += 1;
        break;
    case ScrollPageLeft:
        pos = pos > kScrollPageStep ? pos - kScrollPageStep : 0;
        break;
    case ScrollPageRight:
        pos = pos < max - page - kScrollPageStep ? pos + kScrollPageStep : lastPos;
        break;
    case ScrollThumbPosition:
    case ScrollThumbTrack:
        // The full 32-bit position: a thumb beyond 65,535 must not wrap to the
        // start of the recording.
        pos = static_cast<std::int32_t>(std::min<std::uint32_t>(thumbPosition, static_cast<std::uint32_t>(lastPos)));
        break;
    default:
        break;
    }
    const std::int64_t start = std::int64_t{pos} * std::int64_t{shownRecordCount()} / max;
    gApp.mainStart = static_cast<std::uint32_t>(start);
    // The range is reckoned on the requested span, the chart shows 600 whole
    // columns of it; where the two differ the last thumb position would stop
    // short of the recording's end. The last position always shows the end.
    if (gApp.mainStart > lastMainStart() || pos >= lastPos) gApp.mainStart = lastMainStart();
    // The cursor keeps its place on the screen and moves with the data.
    gApp.zoomStart = gApp.mainStart + gApp.zoomOffset;
    // The bar keeps pos, not the clamped mainStart.
    gApp.scrollPos = static_cast<std::uint32_t>(pos);
    platform::setScrollPosition(gApp.scrollPos);
    platform::invalidate(false);
}

void chartMouseDown(int x, int y) {
    if (!gApp.dataPresent) return;
    if (y < kDragTop || y > kDragBottom) return;
    if (x < gApp.cursorX + kChartLeft || x > gApp.cursorX + kChartLeft + kCursorBandWidth) {
        // A press on the main chart beside the band centres the band there,
        // as far as its range allows, and drags it on from there.
        if (x < kChartLeft || x >= kChartLeft + kChartColumns) return;
        const int n = std::clamp(x - kChartLeft - kCursorBandWidth / 2, 0, maxCursorX());
        if (n != gApp.cursorX) {
            setCursor(n);
            platform::invalidate(false);
        }
    }
    gApp.dragging = true;
    gApp.dragAnchorX = x;
    gApp.dragCursorX = gApp.cursorX;
}

void chartMouseMove(int x, int y, bool leftButtonDown) {
    if (!gApp.dragging) return;
    if (!leftButtonDown) {
        // The release went where the window did not see it; the drag is over.
        endDrag();
        return;
    }
    chartMouseMove(x, y);
}

void chartMouseMove(int x, int /*y*/) {
    if (!gApp.dragging) return;
    const int n = gApp.dragCursorX - gApp.dragAnchorX + x;
    // Outside the band's range the move is ignored: the cursor stays at its last
    // position inside rather than snapping to the end.
    if (n < 0 || n > maxCursorX()) return;
    if (n == gApp.cursorX) return;  // nothing moved; no repaint
    setCursor(n);
    platform::invalidate(false);
}

void chartMouseUp(int, int) { endDrag(); }

void chartMouseCancel() { endDrag(); }

void spanComboNotification(int notification) {
    switch (notification) {
    case 7: gApp.savedSpanSelection = platform::comboSelection(); break;
    case 9: applyZoomSpan(); break;
    default: break;
    }
}
