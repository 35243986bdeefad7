#include "chart/print.h"

#include <cstdio>
#include <string>

#include "chart/drawing_surface.h"
#include "chart/envelope.h"
#include "chart/renderer.h"
#include "platform/printer.h"
#include "shell/app_state.h"
#include "shell/handlers.h"
#include "shell/main_window.h"
#include "shell/messages.h"

namespace {

constexpr MessageId kMsgTitle = 15;
constexpr MessageId kMsgStart = 29;
constexpr MessageId kMsgEnd = 30;
constexpr MessageId kCaptionError = 43;
constexpr MessageId kMsgNoData = 45;
constexpr MessageId kCaptionPrint = 49;
constexpr MessageId kMsgNoPrinter = 79;
constexpr MessageId kMsgPrintFailed = 83;

}  // namespace

void printHeader(DrawingSurface& page, const platform::CalendarTime& now) {
    const FontId oldFont = page.selectFont(FontId::Title);
    const int oldAlign = page.setTextAlign(AlignLeftBottom);
    page.textOut(10, 20, messageTextPtr(kMsgTitle));

    // The date line's font has the small font's height and weight.
    page.selectFont(FontId::Small);
    const std::string when = platform::formatLongDate(now) + ", " + platform::formatTimeNoSeconds(now);
    page.setTextAlign(AlignRightBottom);
    page.textOut(790, 20, when.c_str());

    page.setTextAlign(oldAlign);
    page.selectFont(oldFont);
}

void drawPrintTimeLabel(DrawingSurface& page, const char* caption, SampleRecord record, int x, int y) {
    char date[16];
    char time[16];
    std::snprintf(date, sizeof date, "%02u/%02u-%02u,", unsigned{record.day}, unsigned{record.month},
                  unsigned{record.year});
    std::snprintf(time, sizeof time, "%02u:%02u:%02u", unsigned{record.hour}, unsigned{record.minute},
                  unsigned{record.second});
    const FontId oldFont = page.selectFont(FontId::Small);
    const int oldAlign = page.setTextAlign(AlignLeftBottom);
    page.textOut(x, y, caption);
    page.textOut(x, y + 10, date);
    page.textOut(x, y + 20, time);
    page.setTextAlign(oldAlign);
    page.selectFont(oldFont);
}

PrintedLast printCharts(DrawingSurface& page, const PrintView& view, const platform::CalendarTime& now) {
    printHeader(page, now);
    drawAxes(page, kChartLeft, kMainBaseY, false);
    drawAxes(page, kChartLeft, kZoomBaseY, false);

    // The band's bottom edge stops at 529 on paper, short of the base line.
    const PenId oldPen = page.selectPen(PenId::Null);
    const BrushId oldBrush = page.selectBrush(BrushId::Cursor);
    page.rectangle(view.cursorX + 151, 330, view.cursorX + 210, 529);
    page.selectBrush(oldBrush);
    page.selectPen(oldPen);

    // The same traces as the window's paint (peaks too, when shown); their last indices belong to the
    // page and leave the window's mainLast and zoomLast alone.
    PrintedLast last{};
    last.mainLast = drawChartTrace(page, kMainBaseY, view.mainStart, static_cast<float>(view.samplesPerPixel));
    last.zoomLast = drawChartTrace(page, kZoomBaseY, view.zoomStart, zoomIncrement(view.samplesPerPixel));

    const char* start = messageTextPtr(kMsgStart);
    const char* end = messageTextPtr(kMsgEnd);
    drawPrintTimeLabel(page, start, labelRecord(view.mainStart), 10, 380);
    drawPrintTimeLabel(page, start, labelRecord(view.zoomStart), 10, 100);
    drawPrintTimeLabel(page, end, labelRecord(last.mainLast), 10, 480);
    drawPrintTimeLabel(page, end, labelRecord(last.zoomLast), 10, 200);
    return last;
}

int printChartsOnPrinter(platform::PrinterHandle printer, const PrintView& view) {
    DrawingSurface* page = nullptr;
    const int started = platform::startPrintPage(printer, gApp.windowTitle, kClientWidth, kClientHeight, page);
    if (started != 0) return started;
    if (page == nullptr) return platform::kPrintStartFailed;  // releasing the printer drops the job
    printCharts(*page, view, platform::localNow());
    return platform::endPrintPage(printer);
}

void commandPrinter() {
    if (gApp.dataPresent == 0) {
        showMessage(kMsgNoData, kCaptionPrint, 0);
        return;
    }
    platform::PrinterHandle printer = nullptr;
    const int chosen = platform::choosePrinter(printer);
    if (chosen != 0) {
        showMessage(kMsgNoPrinter, kCaptionError, 0);
        platform::releasePrinter(printer);
        return;
    }
    if (printer == nullptr) return;  // the user cancelled the dialog
    const PrintView view{gApp.mainStart, gApp.zoomStart, gApp.cursorX, gApp.samplesPerPixel};
    const int result = printChartsOnPrinter(printer, view);
    // A cancel in the driver's own question is the user's answer, not a fault.
    if (result != 0 && result != platform::kPrintCancelled) showMessage(kMsgPrintFailed, kCaptionError, result);
    platform::releasePrinter(printer);
}
