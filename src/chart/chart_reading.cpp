#include "chart/chart_reading.h"

#include <cerrno>
#include <cstdio>
#include <limits>
#include <vector>

#include "report/report_window.h"
#include "chart/envelope.h"
#include "chart/navigation.h"
#include "chart/renderer.h"
#include "platform/screen.h"
#include "platform/window.h"
#include "recording/replace_file.h"
#include "recording/store.h"
#include "shell/app_state.h"
#include "shell/handlers.h"
#include "shell/messages.h"
#include "shell/outside_files.h"
#include "shell/ui_texts.h"
#include "shell/user_prefs.h"
#include "shell/file_places.h"

namespace {

constexpr MessageId kCaptionError = 43;   // "Error:"
constexpr MessageId kMsgSaveFailed = 84;  // "Unable to save data on disc!"

constexpr int kPlotLeft = 151, kPlotRight = 749;
constexpr int kMainTop = 330, kMainBottom = 529;
constexpr int kZoomTop = 50, kZoomBottom = 249;

// "2006-03-05 07:08:09.00" in English, "05.03.2006 07:08:09,00" in German.
std::string stamp(const SampleRecord& r) {
    char text[40];
    const unsigned year = 2000u + r.year;
    if (effectiveLanguage() == German) {
        std::snprintf(text, sizeof text, "%02u.%02u.%04u %02u:%02u:%02u,%u%u", unsigned{r.day}, unsigned{r.month},
                      year, unsigned{r.hour}, unsigned{r.minute}, unsigned{r.second}, unsigned{r.tenths} % 10,
                      unsigned{r.hundredths} % 10);
    } else {
        std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u.%u%u", year, unsigned{r.month},
                      unsigned{r.day}, unsigned{r.hour}, unsigned{r.minute}, unsigned{r.second},
                      unsigned{r.tenths} % 10, unsigned{r.hundredths} % 10);
    }
    return text;
}

std::string valueText(std::uint8_t v) {
    if (isMarker(v)) return std::string(uiText(UiText::ReadoutMarker)) + " (" + std::to_string(v) + ")";
    if (isGap(v)) return uiText(UiText::ReadoutGap);
    return std::string(uiText(UiText::ReadoutValue)) + ": " + std::to_string(v);
}

}  // namespace

ChartArea chartAreaAt(int x, int y) {
    if (x < kPlotLeft || x > kPlotRight) return ChartArea::None;
    if (y >= kMainTop && y <= kMainBottom) return ChartArea::Main;
    if (y >= kZoomTop && y <= kZoomBottom) return ChartArea::Zoom;
    return ChartArea::None;
}

std::string readoutText(int x, int y) {
    const ChartArea area = chartAreaAt(x, y);
    const std::uint32_t count = shownRecordCount();
    if (area == ChartArea::None || !gApp.dataPresent || count == 0) return {};
    const bool main = area == ChartArea::Main;
    const std::uint32_t start = main ? gApp.mainStart : gApp.zoomStart;
    const float increment = main ? static_cast<float>(gApp.samplesPerPixel) : zoomIncrement(gApp.samplesPerPixel);
    ColumnRange r = columnRange(start, increment, x - kChartLeft);
    if (r.first >= count) return {};  // the recording ends left of the pointer
    if (r.end > count) r.end = count;

    if (!peaksShown()) return stamp(gStore[r.first]) + "\n" + valueText(gStore[r.first].value);

    std::string text = stamp(gStore[r.first]);
    if (r.end - r.first > 1) text += " – " + stamp(gStore[r.end - 1]);
    const ColumnEnvelope e = envelopeOf(r.first, r.end);
    if (r.end - r.first == 1) return text + "\n" + valueText(gStore[r.first].value);
    text += "\n";
    if (e.hasReading) {
        text += std::string(uiText(UiText::ReadoutLowest)) + ": " + std::to_string(e.low) + ", " +
                uiText(UiText::ReadoutHighest) + ": " + std::to_string(e.high);
        if (e.hasMarker) text += std::string("; ") + uiText(UiText::ReadoutMarker);
    } else {
        text += e.hasMarker ? uiText(UiText::ReadoutMarker) : uiText(UiText::ReadoutGap);
    }
    return text;
}

bool chartWheel(int x, int y, int notches, bool ctrl) {
    if (chartAreaAt(x, y) != ChartArea::Main) return false;
    if (!gApp.dataPresent || notches == 0) return true;
    if (ctrl) {
        // Up: a shorter span; the first one the combo box would accept.
        const int direction = notches > 0 ? -1 : 1;
        for (int n = notches > 0 ? notches : -notches; n > 0; --n) {
            const int current = platform::comboSelection();
            if (current < 0) return true;
            int row = current + direction;
            while (row >= 0 && row < kSpanCount && !spanFits(row)) row += direction;
            if (row < 0 || row >= kSpanCount) return true;
            gApp.savedSpanSelection = current;
            platform::comboSelect(row);
            applyZoomSpan();
        }
        return true;
    }
    const int request = notches > 0 ? ScrollLineLeft : ScrollLineRight;
    for (int n = notches > 0 ? notches : -notches; n > 0; --n) scrollMainChart(request, 0);
    return true;
}

bool chartKey(ChartKey key, bool shift) {
    switch (key) {
    case ChartKey::Left: moveZoomCursor(shift ? -10 : -1); return true;
    case ChartKey::Right: moveZoomCursor(shift ? 10 : 1); return true;
    // The thumb's first and last positions; the navigation clamps the last.
    case ChartKey::Home: scrollMainChart(ScrollThumbPosition, 0); return true;
    case ChartKey::End: scrollMainChart(ScrollThumbPosition, std::numeric_limits<std::uint32_t>::max()); return true;
    case ChartKey::PageUp: scrollMainChart(ScrollPageLeft, 0); return true;
    case ChartKey::PageDown: scrollMainChart(ScrollPageRight, 0); return true;
    }
    return false;
}

void commandSavePicture() {
    std::string path = fileDialogStart(FileKind::Picture, "png");
    if (!platform::saveFileDialog(uiText(UiText::PngFilter), "png", path)) return;
    rememberFileFolder(FileKind::Picture, path);
    std::vector<std::uint8_t> png;
    if (!platform::renderClientAreaPng(png) || png.empty()) {
        showMessage(kMsgSaveFailed, kCaptionError, EIO);
        return;
    }
    ReplaceFile out;
    int rc = replaceFileOpen(out, path, ".~");
    if (rc == 0) {
        errno = 0;
        if (std::fwrite(png.data(), 1, png.size(), out.file) != png.size()) rc = errno != 0 ? errno : EIO;
        if (rc == 0) rc = replaceFileFinish(out);
        if (rc == 0) rc = replaceFileInstall(out);
        if (rc != 0) replaceFileDiscard(out);
    }
    if (rc != 0) showMessage(kMsgSaveFailed, kCaptionError, rc);
}

bool chartWheelTurned(int& pendingDelta, int x, int y, int delta, bool ctrl) {
    constexpr int kNotch = 120;
    pendingDelta += delta;
    const int notches = pendingDelta / kNotch;
    pendingDelta -= notches * kNotch;
    const bool used = chartWheel(x, y, notches, ctrl);
    if (!used) pendingDelta = 0;
    return used;
}

ChartPoint chartMenuPoint(bool fromKeyboard, ChartPoint click, bool pointerInside, ChartPoint pointer) {
    constexpr ChartPoint kMainChartMiddle{450, 430};
    if (!fromKeyboard) return click;
    return pointerInside ? pointer : kMainChartMiddle;
}

ChartPoint readoutOrigin(ChartPoint pointer, int width, int height, int clientWidth, int clientHeight) {
    ChartPoint at{pointer.x + 14, pointer.y + 18};
    if (at.x + width > clientWidth) at.x = pointer.x - 8 - width;
    if (at.y + height > clientHeight) at.y = pointer.y - 8 - height;
    return at;
}

std::vector<ChartMenuItem> chartMenuItems(int x, int y) {
    return {
        {ChartCommand::ShowPeaks, "showPeaks", uiText(UiText::ShowPeaks), false, true, peaksShown(), true},
        {ChartCommand::CopyValue, "copyValue", uiText(UiText::CopyValue), false, false, false,
         !readoutText(x, y).empty()},
        {ChartCommand::SavePicture, "savePicture", uiText(UiText::SavePicturePng), true, false, false, true},
        {ChartCommand::LoadReport, "loadReport", uiText(UiText::LoadReportItem), false, false, false,
         loadReportAvailable()},
    };
}

void runChartCommand(ChartCommand command, int x, int y) {
    switch (command) {
    case ChartCommand::ShowPeaks: setPeaksShown(!peaksShown()); break;
    case ChartCommand::CopyValue:
        if (const std::string value = readoutText(x, y); !value.empty()) platform::copyText(value);
        break;
    case ChartCommand::SavePicture: platform::postTask(commandSavePicture); break;
    case ChartCommand::LoadReport: platform::postTask(commandLoadReport); break;
    }
}

std::string firstRecordingName(const std::vector<std::string>& names) {
    for (const std::string& name : names)
        if (isRecordingFileName(name)) return name;
    return {};
}
