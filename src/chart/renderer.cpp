#include "chart/renderer.h"

#include <algorithm>
#include <atomic>
#include <cstdio>

#include "chart/envelope.h"
#include "shell/app_state.h"
#include "shell/handlers.h"
#include "shell/messages.h"

namespace {

constexpr MessageId kMsgStart = 29;
constexpr MessageId kMsgEnd = 30;
constexpr MessageId kMsgNoData = 50;

void line(DrawingSurface& s, int x0, int y0, int x1, int y1) {
    s.moveTo(x0, y0);
    s.lineTo(x1, y1);
}

// The value byte of record i. During a transfer the reader thread writes value
// bytes while a paint may read them; a relaxed atomic byte load costs nothing
// and keeps that read well-defined.
std::uint8_t sampleValue(std::uint32_t i) {
    return std::atomic_ref<std::uint8_t>(gStore[i].value).load(std::memory_order_relaxed);
}

}  // namespace

std::uint32_t shownRecordCount() { return std::min(gHeader.recordCount, kStoreCapacity); }

void drawAxes(DrawingSurface& s, int x, int y, bool labelBackground) {
    const PenId oldPen = s.selectPen(PenId::Frame);

    // Base line with an arrow head pointing right.
    line(s, x - 5, y, x + 610, y);
    s.lineTo(x + 605, y - 5);
    line(s, x + 610, y, x + 605, y + 5);
    // Left axis with an arrow head pointing up.
    line(s, x, y + 5, x, y - 210);
    s.lineTo(x + 5, y - 205);
    line(s, x, y - 210, x - 5, y - 205);
    // Right axis, the same at x + 600.
    line(s, x + 600, y + 5, x + 600, y - 210);
    s.lineTo(x + 605, y - 205);
    line(s, x + 600, y - 210, x + 595, y - 205);
    // Value ticks every 20 pixels on both axes, time ticks every 60 below the base line.
    for (int d = 20; d <= 200; d += 20) {
        line(s, x, y - d, x - 5, y - d);
        line(s, x + 600, y - d, x + 605, y - d);
    }
    for (int d = 60; d <= 600; d += 60) line(s, x + d, y, x + d, y + 5);

    const FontId oldFont = s.selectFont(FontId::Axis);
    Rgb oldBk{};
    if (labelBackground) oldBk = s.setBkColor(kWindowBackground);
    const int oldAlign = s.setTextAlign(AlignRightBottom);
    s.textOut(x - 5, y - 210, "P[%]");
    s.textOut(x - 10, y - 93, "50");
    s.textOut(x - 10, y - 193, "100");
    s.setTextAlign(AlignLeftBottom);
    s.textOut(x + 605, y - 210, "P[%]");
    s.textOut(x + 610, y - 93, "50");
    s.textOut(x + 610, y - 193, "100");
    s.setTextAlign(AlignLeftTop);
    s.textOut(x + 600, y + 5, "t");

    if (labelBackground) s.setBkColor(oldBk);
    s.setTextAlign(oldAlign);
    s.selectPen(oldPen);
    s.selectFont(oldFont);
}

void OverTopColumns::draw(DrawingSurface& s, int baseY) const {
    const int top = baseY - kPlotHeight;
    PenId oldPen = PenId::Null;
    bool selected = false;
    for (int c = 0; c < kChartColumns;) {
        if (!over_[c]) {
            ++c;
            continue;
        }
        int end = c + 1;
        while (end < kChartColumns && over_[end]) ++end;
        if (!selected) {
            oldPen = s.selectPen(PenId::Marker);
            selected = true;
        }
        // The end point is excluded: the line covers columns c .. end-1.
        line(s, kChartLeft + c, top, kChartLeft + end, top);
        c = end;
    }
    if (selected) s.selectPen(oldPen);
}

std::int32_t drawTrace(DrawingSurface& s, int baseY, std::uint32_t start, float increment) {
    const std::uint32_t limit = shownRecordCount();
    const PenId oldPen = s.selectPen(PenId::Trace);
    bool broken = true;  // the first drawable point is a move
    OverTopColumns overTop;
    float acc = 0.0f;
    std::uint32_t index = start;
    for (int x = kChartLeft; x < kChartLeft + kChartColumns; ++x) {
        if (index >= limit) break;  // the recording ends inside the chart
        const std::uint8_t v = sampleValue(index);
        if (isMarker(v)) {
            s.selectPen(PenId::Marker);
            line(s, x, baseY, x, baseY - 200);
            s.selectPen(PenId::Trace);
            broken = true;
        } else if (isGap(v)) {
            broken = true;
        } else {
            const int y = readingY(baseY, v);
            if (v > kFullScale) overTop.note(x);
            if (broken) {
                s.moveTo(x, y);
            } else {
                s.lineTo(x, y);
            }
            broken = false;
        }
        // The sum of two floats is exact in double precision; the index follows
        // the exact sum, the accumulator keeps it rounded to single precision.
        // This rounding decides the zoom chart's last column for small
        // increments (600 steps of 0.1f add up to just under 60).
        const double sum = static_cast<double>(acc) + static_cast<double>(increment);
        index = start + static_cast<std::uint32_t>(sum);
        acc = static_cast<float>(sum);
    }
    overTop.draw(s, baseY);
    s.selectPen(oldPen);
    return traceEndRecord(start, increment, index, limit);
}

std::int32_t traceEndRecord(std::uint32_t start, float increment, std::uint32_t next, std::uint32_t limit) {
    std::int64_t last = std::min<std::int64_t>(std::int64_t{next} - 1, std::int64_t{limit} - 1);
    // A chart whose 600 columns reach the recording's end in exact arithmetic
    // ends on its last sample, where the single-precision sum falls a hair
    // short (600 x 172.8f, the zoom chart of 12 days at 1 s, is 103,679.99).
    if (limit > 0 && next == limit - 1 &&
        static_cast<double>(start) + static_cast<double>(increment) * kChartColumns >= static_cast<double>(limit))
        last = limit - 1;
    return static_cast<std::int32_t>(last);
}

float zoomIncrement(std::uint32_t samplesPerPixel) {
    return static_cast<float>(samplesPerPixel) * 0.1f;
}

void drawTimeLabel(DrawingSurface& s, const char* caption, SampleRecord record, int x, int y) {
    char text[48];
    std::snprintf(text, sizeof text, "%02u/%02u-%02u, %02u:%02u:%02u", unsigned{record.day},
                  unsigned{record.month}, unsigned{record.year}, unsigned{record.hour}, unsigned{record.minute},
                  unsigned{record.second});
    const FontId oldFont = s.selectFont(FontId::Label);
    const int oldAlign = s.setTextAlign(AlignLeftBottom);
    const Rgb oldBk = s.setBkColor(kWindowBackground);
    s.textOut(x, y, caption);
    s.textOut(x, y + 15, text);
    s.selectFont(oldFont);
    s.setTextAlign(oldAlign);
    s.setBkColor(oldBk);
}

void drawNoData(DrawingSurface& s, int x, int y) {
    const FontId oldFont = s.selectFont(FontId::Label);
    const int oldAlign = s.setTextAlign(AlignCenterBottom);
    s.textOut(x, y, messageTextPtr(kMsgNoData));
    s.selectFont(oldFont);
    s.setTextAlign(oldAlign);
}

SampleRecord labelRecord(std::int64_t index) {
    const std::uint32_t count = shownRecordCount();
    if (count == 0) return SampleRecord{};
    const std::int64_t i = std::clamp<std::int64_t>(index, 0, std::int64_t{count} - 1);
    return gStore[i];
}

// The drawing objects are the fixed ids of chart/drawing_surface.h; each surface
// builds its pens, brushes and fonts from their table once, so there is nothing
// to make or release per window.
void createDrawingObjects() {}
void deleteDrawingObjects() {}

void paintCharts(DrawingSurface& s) {
    drawAxes(s, kChartLeft, kMainBaseY, true);
    drawAxes(s, kChartLeft, kZoomBaseY, true);

    // Clear both plot areas with the surface's white brush, so a paint without
    // erasing starts from white plots too.
    PenId oldPen = s.selectPen(PenId::Null);
    s.rectangle(151, 251, 751, 50);
    s.rectangle(151, 531, 751, 330);
    s.selectPen(oldPen);

    if (gApp.dataPresent) {
        oldPen = s.selectPen(PenId::Null);
        const BrushId oldBrush = s.selectBrush(BrushId::Cursor);
        s.rectangle(gApp.cursorX + 151, 330, gApp.cursorX + 210, 531);
        s.selectBrush(oldBrush);
        s.selectPen(oldPen);
        gApp.mainLast = drawChartTrace(s, kMainBaseY, gApp.mainStart, static_cast<float>(gApp.samplesPerPixel));
        gApp.zoomLast = drawChartTrace(s, kZoomBaseY, gApp.zoomStart, zoomIncrement(gApp.samplesPerPixel));
    } else {
        drawNoData(s, 450, 150);
        drawNoData(s, 450, 430);
    }

    const char* start = messageTextPtr(kMsgStart);
    const char* end = messageTextPtr(kMsgEnd);
    drawTimeLabel(s, start, labelRecord(gApp.mainStart), 10, 430);
    drawTimeLabel(s, start, labelRecord(gApp.zoomStart), 10, 150);
    drawTimeLabel(s, end, labelRecord(gApp.mainLast), 10, 500);
    drawTimeLabel(s, end, labelRecord(gApp.zoomLast), 10, 220);
}
