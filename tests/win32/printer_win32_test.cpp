// The printed page over GDI: the core's page, drawn through the printer layer
// onto a device context whose printable area differs from the client area in
// each direction, lands scaled per axis (the cursor band, the axes, the title's
// height); and without any printer choosePrinter says so at once instead of
// opening a dialog with nothing to pick.
#include <windows.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "chart/print.h"
#include "platform/printer.h"
#include "platform/win32/main_window_win32.h"
#include "platform/win32/printer_win32.h"
#include "shell/app_state.h"
#include "support/chart_recording.h"

// No main window in this test: dialogs would have no owner.
HWND platform::win32::mainWindowHandle() { return nullptr; }

namespace {

constexpr std::uint32_t kWhitePx = 0xFFFFFF;
constexpr std::uint32_t kFramePx = 0x000000;
constexpr std::uint32_t kBandPx = 0xDCD2C3;  // the cursor brush, 220 210 195

// A white top-down 32-bit page of w x h device pixels.
class Page {
public:
    Page(int w, int h) : w_(w), h_(h) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = w;
        info.bmiHeader.biHeight = -h;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        dc_ = CreateCompatibleDC(nullptr);
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
        old_ = SelectObject(dc_, bitmap_);
        for (int i = 0; i < w * h; ++i) bits_[i] = kWhitePx;
    }
    ~Page() {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    std::uint32_t at(int x, int y) const { return bits_[y * w_ + x] & 0xFFFFFF; }
    HDC dc() const { return dc_; }

private:
    int w_, h_;
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ old_;
    std::uint32_t* bits_ = nullptr;
};

struct Box {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;  // inclusive
};

// Bounding box of the pixels of one colour (or of every non-white one) in a region.
Box boxOf(const Page& p, int x0, int y0, int x1, int y1, bool anyInk, std::uint32_t colour = 0) {
    Box b;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            const std::uint32_t c = p.at(x, y);
            if (anyInk ? c == kWhitePx : c != colour) continue;
            b.left = std::min(b.left, x);
            b.right = std::max(b.right, x);
            b.top = std::min(b.top, y);
            b.bottom = std::max(b.bottom, y);
        }
    return b;
}

// The first frame pixel in row y between x0 and x1, or -1.
int frameColumn(const Page& p, int y, int x0, int x1) {
    for (int x = x0; x < x1; ++x)
        if (p.at(x, y) == kFramePx) return x;
    return -1;
}
// The first frame pixel in column x between y0 and y1, or -1.
int frameRow(const Page& p, int x, int y0, int y1) {
    for (int y = y0; y < y1; ++y)
        if (p.at(x, y) == kFramePx) return y;
    return -1;
}

struct PageSize {
    int width, height;
};

class PrintedPage : public ::testing::TestWithParam<PageSize> {};

TEST_P(PrintedPage, ClientAreaLandsOnThePrintableAreaScaledPerAxis) {
    const PageSize size = GetParam();
    resetGlobalStateForTests();
    test::showRecording({.count = 20000});
    gApp.dataPresent = 1;
    gApp.cursorX = 200;
    const double sx = size.width / 800.0;
    const double sy = size.height / 578.0;
    const auto X = [&](int x) { return static_cast<int>(std::lround(x * sx)); };
    const auto Y = [&](int y) { return static_cast<int>(std::lround(y * sy)); };

    Page page(size.width, size.height);
    platform::PrinterHandle printer = platform::win32::printerOnDeviceContext(page.dc(), size.width, size.height);
    const PrintView view{gApp.mainStart, gApp.zoomStart, gApp.cursorX, gApp.samplesPerPixel};
    ASSERT_EQ(printChartsOnPrinter(printer, view), 0);
    platform::releasePrinter(printer);

    // The cursor band (cursor x + 151, 330) .. (cursor x + 210, 529), a null pen's
    // rectangle: its far edges stop a device pixel short.
    const Box band = boxOf(page, 0, 0, size.width, size.height, false, kBandPx);
    const int slack = 2;
    EXPECT_NEAR(band.left, X(351), slack);
    EXPECT_NEAR(band.right, X(410) - 1, slack);
    EXPECT_NEAR(band.top, Y(330), slack);
    EXPECT_NEAR(band.bottom, Y(529) - 1, slack);

    // Both charts' left and right axes (x 150 and 750), crossed half-way up,
    // and their base lines (y 250 and 530), crossed left of the first tick.
    for (int base : {250, 530}) {
        const int row = Y(base - 90);  // between two ticks
        EXPECT_NEAR(frameColumn(page, row, X(140), X(160)), X(150), slack) << "left axis, base " << base;
        EXPECT_NEAR(frameColumn(page, row, X(740), X(760)), X(750), slack) << "right axis, base " << base;
        EXPECT_NEAR(frameRow(page, X(175), Y(base - 10), Y(base + 3)), Y(base), slack) << "base line " << base;
    }

    // The bold title (cell height 15 units, bottom at y 20): its ink grows with
    // the vertical scale only.
    const Box title = boxOf(page, X(10), 0, X(250), Y(21), true);
    ASSERT_GE(title.bottom, 0) << "no title";
    const int inkHeight = title.bottom - title.top + 1;
    EXPECT_GE(inkHeight, static_cast<int>(15 * sy * 0.5)) << "title height " << inkHeight;
    EXPECT_LE(inkHeight, static_cast<int>(15 * sy) + slack);
    EXPECT_LE(title.bottom, Y(20) + slack);
    EXPECT_NEAR(title.left, X(10), X(3) + slack);
}

INSTANTIATE_TEST_SUITE_P(Sizes, PrintedPage,
                         ::testing::Values(PageSize{800, 578}, PageSize{1600, 578}, PageSize{1200, 1734},
                                           PageSize{2200, 1700}),
                         [](const ::testing::TestParamInfo<PageSize>& info) {
                             return std::to_string(info.param.width) + "x" + std::to_string(info.param.height);
                         });

// Calls out of order or on nothing fail with the layer's codes and leave no
// document behind; a page given back unfinished is dropped.
TEST(PrinterLayer, RefusesWhatCannotPrint) {
    DrawingSurface* page = reinterpret_cast<DrawingSurface*>(&page);
    EXPECT_EQ(platform::startPrintPage(nullptr, "x", 800, 578, page), platform::kPrintStartFailed);
    EXPECT_EQ(page, nullptr);
    EXPECT_EQ(platform::endPrintPage(nullptr), platform::kPrintEndFailed);

    Page paper(100, 100);
    platform::PrinterHandle printer = platform::win32::printerOnDeviceContext(paper.dc(), 100, 100);
    EXPECT_EQ(platform::endPrintPage(printer), platform::kPrintEndFailed) << "no page started";
    EXPECT_EQ(platform::startPrintPage(printer, "x", 0, 578, page), platform::kPrintStartFailed);
    ASSERT_EQ(platform::startPrintPage(printer, "x", 800, 578, page), 0);
    EXPECT_EQ(platform::startPrintPage(printer, "x", 800, 578, page), platform::kPrintStartFailed) << "one page";
    platform::releasePrinter(printer);
    EXPECT_EQ(GetMapMode(paper.dc()), MM_TEXT) << "the page's mapping is taken back";
}

// Wine without a print spooler has no printer at all: the answer must come at
// once, without a dialog that nobody could use.
TEST(PrinterLayer, NoPrinterInstalledIsReportedWithoutADialog) {
    DWORD needed = 0;
    DWORD count = 0;
    EnumPrintersW(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, nullptr, 4, nullptr, 0, &needed, &count);
    if (needed > 0) GTEST_SKIP() << "a printer is installed; the dialog would wait for a user";
    platform::PrinterHandle printer = reinterpret_cast<platform::PrinterHandle>(&needed);
    EXPECT_EQ(platform::choosePrinter(printer), platform::kPrintNoPrinter);
    EXPECT_EQ(printer, nullptr);
}

}  // namespace
