// The Win32 output layer over GDI. The printed page: the core's page, drawn
// through the printer layer onto a device context whose printable area differs
// from the client area in each direction, lands scaled per axis (the cursor
// band, the axes, the title's height); without any printer choosePrinter says
// so at once instead of opening a dialog with nothing to pick. The pictures of
// a window of the test's own: the client area as PNG, drawn with its controls
// and without what covers it; the outer rectangle read from the screen.
#include <windows.h>
#include <initguid.h>
#include <objbase.h>
#include <wincodec.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <string>
#include <vector>

#include "chart/print.h"
#include "chart/drawing_surface.h"
#include "platform/printer.h"
#include "platform/screen.h"
#include "platform/win32/main_window_win32.h"
#include "platform/win32/gdi_surface.h"
#include "platform/win32/printer_win32.h"
#include "shell/app_state.h"
#include "shell/handlers.h"
#include "shell/main_window.h"
#include "support/chart_recording.h"

namespace {
HWND gWindow = nullptr;  // the test's stand-in for the main window
}  // namespace

HWND platform::win32::mainWindowHandle() { return gWindow; }

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

// ---- pictures of a window --------------------------------------------------

constexpr std::uint32_t kTracePx = 0x0000FF;
constexpr std::uint32_t kBackgroundPx = 0xC3B4A0;  // the window's 195 180 160
constexpr std::uint32_t kCoverPx = 0xFF0000;

LRESULT CALLBACK chartWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_PAINT || msg == WM_PRINTCLIENT) {
        PAINTSTRUCT ps{};
        const HDC dc = msg == WM_PAINT ? BeginPaint(hwnd, &ps) : reinterpret_cast<HDC>(wParam);
        const RECT all{0, 0, kClientWidth, kClientHeight};
        const HBRUSH background = CreateSolidBrush(RGB(195, 180, 160));
        FillRect(dc, &all, background);
        DeleteObject(background);
        {
            platform::win32::GdiSurface surface(dc);
            paintCharts(surface);
        }
        if (msg == WM_PAINT) EndPaint(hwnd, &ps);
        return 0;
    }
    if (msg == WM_ERASEBKGND) return 1;
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK coverProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps{};
        const HDC dc = BeginPaint(hwnd, &ps);
        const HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
        FillRect(dc, &ps.rcPaint, red);
        DeleteObject(red);
        EndPaint(hwnd, &ps);
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

void pumpMessages(int ms) {
    const DWORD end = GetTickCount() + static_cast<DWORD>(ms);
    while (GetTickCount() < end) {
        MSG m;
        while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&m);
        Sleep(10);
    }
}

// A stand-in for the main window: the charts of a recording painted as the
// program paints them, the span list and the scroll bar where the program puts
// them, and a red window covering part of the zoom chart. Made once for the
// suite: Wine takes a while to take a window off the screen.
class ChartWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        resetGlobalStateForTests();
        test::showRecording({.count = 20000});
        gApp.dataPresent = 1;
        const HINSTANCE instance = GetModuleHandleW(nullptr);
        WNDCLASSW wc{};
        wc.lpfnWndProc = chartWindowProc;
        wc.hInstance = instance;
        wc.lpszClassName = L"OutputTestCharts";
        RegisterClassW(&wc);
        wc.lpfnWndProc = coverProc;
        wc.lpszClassName = L"OutputTestCover";
        RegisterClassW(&wc);
        const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
        RECT r{0, 0, kClientWidth, kClientHeight};
        AdjustWindowRect(&r, style, FALSE);
        gWindow = CreateWindowW(L"OutputTestCharts", L"charts", style, 20, 20, r.right - r.left, r.bottom - r.top,
                                nullptr, nullptr, instance, nullptr);
        if (gWindow == nullptr) return;
        const HWND combo = CreateWindowW(L"COMBOBOX", L"", WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST, kSpanComboX,
                                         kSpanComboY, kSpanComboWidth, kSpanComboHeight, gWindow, nullptr, instance,
                                         nullptr);
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"2 minutes"));
        SendMessageW(combo, CB_SETCURSEL, 0, 0);
        const HWND scroll = CreateWindowW(L"SCROLLBAR", L"", WS_CHILD | WS_VISIBLE | SBS_HORZ, kScrollBarX, kScrollBarY,
                                          kScrollBarWidth, kScrollBarHeight, gWindow, nullptr, instance, nullptr);
        SCROLLINFO si{sizeof si, SIF_ALL, 0, 1000, 100, 300, 0};
        SetScrollInfo(scroll, SB_CTL, &si, TRUE);
        ShowWindow(gWindow, SW_SHOWNORMAL);
        // Covers the zoom chart from client (400, 100) to (500, 150).
        POINT at{400, 100};
        ClientToScreen(gWindow, &at);
        cover_ = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, L"OutputTestCover", L"", WS_POPUP | WS_VISIBLE, at.x,
                                 at.y, 100, 50, nullptr, nullptr, instance, nullptr);
        pumpMessages(700);
        RedrawWindow(gWindow, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        RedrawWindow(cover_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        pumpMessages(300);
    }
    static void TearDownTestSuite() {
        if (cover_ != nullptr) DestroyWindow(cover_);
        if (gWindow != nullptr) DestroyWindow(gWindow);
        cover_ = gWindow = nullptr;
    }
    void SetUp() override { ASSERT_NE(gWindow, nullptr); }
    static inline HWND cover_ = nullptr;
};

// Columns of a w x h picture (0x00RRGGBB, top row first) holding a pixel of colour.
int columnsWith(const std::vector<std::uint32_t>& pixels, int w, int h, std::uint32_t colour) {
    int columns = 0;
    for (int x = 0; x < w; ++x)
        for (int y = 0; y < h; ++y)
            if ((pixels[static_cast<std::size_t>(y) * w + x] & 0xFFFFFF) == colour) {
                ++columns;
                break;
            }
    return columns;
}

// Pixels of a region that differ from the window's background.
int notBackground(const std::vector<std::uint32_t>& pixels, int w, int x0, int y0, int x1, int y1) {
    int n = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) n += (pixels[static_cast<std::size_t>(y) * w + x] & 0xFFFFFF) != kBackgroundPx;
    return n;
}

// Decodes a PNG with Windows' own decoder into 0x00RRGGBB pixels.
bool decodePng(const std::vector<std::uint8_t>& png, UINT& w, UINT& h, std::vector<std::uint32_t>& pixels) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IWICImagingFactory* factory = nullptr;
    IWICStream* stream = nullptr;
    IWICBitmapDecoder* decoder = nullptr;
    IWICBitmapFrameDecode* frame = nullptr;
    IWICFormatConverter* converter = nullptr;
    bool ok = SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                         IID_IWICImagingFactory, reinterpret_cast<void**>(&factory))) &&
              SUCCEEDED(factory->CreateStream(&stream)) &&
              SUCCEEDED(stream->InitializeFromMemory(const_cast<BYTE*>(png.data()), static_cast<DWORD>(png.size()))) &&
              SUCCEEDED(factory->CreateDecoderFromStream(stream, nullptr, WICDecodeMetadataCacheOnDemand, &decoder)) &&
              SUCCEEDED(decoder->GetFrame(0, &frame)) && SUCCEEDED(frame->GetSize(&w, &h)) &&
              SUCCEEDED(factory->CreateFormatConverter(&converter)) &&
              SUCCEEDED(converter->Initialize(frame, GUID_WICPixelFormat32bppBGR, WICBitmapDitherTypeNone, nullptr, 0.0,
                                              WICBitmapPaletteTypeCustom));
    if (ok) {
        pixels.assign(static_cast<std::size_t>(w) * h, 0);
        ok = SUCCEEDED(converter->CopyPixels(nullptr, w * 4, static_cast<UINT>(pixels.size() * 4),
                                             reinterpret_cast<BYTE*>(pixels.data())));
    }
    for (IUnknown* p : std::initializer_list<IUnknown*>{converter, frame, decoder, stream, factory})
        if (p != nullptr) p->Release();
    CoUninitialize();
    return ok;
}

TEST_F(ChartWindow, ClientAreaPictureIsDrawnWithItsControlsAndWithoutWhatCoversIt) {
    std::vector<std::uint8_t> png;
    ASSERT_TRUE(platform::renderClientAreaPng(png));
    ASSERT_GT(png.size(), 33u);
    EXPECT_EQ(std::string(png.begin() + 1, png.begin() + 4), "PNG");
    const auto be32 = [&](std::size_t at) {
        return std::uint32_t{png[at]} << 24 | std::uint32_t{png[at + 1]} << 16 | std::uint32_t{png[at + 2]} << 8 |
               png[at + 3];
    };
    EXPECT_EQ(be32(16), 800u) << "IHDR width";
    EXPECT_EQ(be32(20), 578u) << "IHDR height";

    UINT w = 0, h = 0;
    std::vector<std::uint32_t> pixels;
    ASSERT_TRUE(decodePng(png, w, h, pixels));
    ASSERT_EQ(w, 800u);
    ASSERT_EQ(h, 578u);
    EXPECT_EQ(pixels[5 * 800 + 5] & 0xFFFFFF, kBackgroundPx);
    EXPECT_GE(columnsWith(pixels, 800, 578, kTracePx), 550) << "the trace, painted, not covered";
    EXPECT_EQ(columnsWith(pixels, 800, 578, kCoverPx), 0) << "the window on top stays out";
    EXPECT_GT(notBackground(pixels, 800, kSpanComboX, kSpanComboY, kSpanComboX + kSpanComboWidth, kSpanComboY + 20),
              200)
        << "the span list";
    EXPECT_GT(notBackground(pixels, 800, kScrollBarX, kScrollBarY, kScrollBarX + kScrollBarWidth,
                            kScrollBarY + kScrollBarHeight),
              kScrollBarWidth * kScrollBarHeight / 2)
        << "the scroll bar";
}

TEST_F(ChartWindow, CaptureReadsTheOuterRectangleFromTheScreen) {
    platform::WindowCapture capture;
    ASSERT_TRUE(platform::captureMainWindow(capture));
    RECT outer{};
    GetWindowRect(gWindow, &outer);
    EXPECT_EQ(capture.width, outer.right - outer.left);
    EXPECT_EQ(capture.height, outer.bottom - outer.top);
    EXPECT_EQ(capture.planes, 1);
    EXPECT_GE(capture.bitsPerPixel, 16);
    EXPECT_TRUE(capture.fromScreen);
    ASSERT_EQ(capture.pixels.size(), static_cast<std::size_t>(capture.width) * capture.height);
    EXPECT_GE(columnsWith(capture.pixels, capture.width, capture.height, kTracePx), 400);
    EXPECT_GE(columnsWith(capture.pixels, capture.width, capture.height, kCoverPx), 90)
        << "what covers the window is on the screen, so in the picture";
}

// Where the screen would not give exactly the window (scaled for this
// DPI-unaware program): the window draws itself, frame included, at its own
// size, and what covers it stays out.
TEST_F(ChartWindow, DrawnCaptureIsTheWholeWindowWithoutWhatCoversIt) {
    platform::WindowCapture capture;
    ASSERT_TRUE(platform::win32::captureWindowDrawn(gWindow, capture));
    RECT outer{}, client{};
    GetWindowRect(gWindow, &outer);
    GetClientRect(gWindow, &client);
    EXPECT_EQ(capture.width, outer.right - outer.left);
    EXPECT_EQ(capture.height, outer.bottom - outer.top);
    EXPECT_FALSE(capture.fromScreen);
    ASSERT_EQ(capture.pixels.size(), static_cast<std::size_t>(capture.width) * capture.height);
    EXPECT_GE(columnsWith(capture.pixels, capture.width, capture.height, kTracePx), 550);
    EXPECT_EQ(columnsWith(capture.pixels, capture.width, capture.height, kCoverPx), 0);
    // The client area sits inside the frame, as on the screen.
    POINT origin{0, 0};
    ClientToScreen(gWindow, &origin);
    const int x = origin.x - outer.left + 5, y = origin.y - outer.top + 5;
    EXPECT_EQ(capture.pixels[static_cast<std::size_t>(y) * capture.width + x], kBackgroundPx);
}

// Which rectangle of the screen is exactly the window, from the program's
// rectangle of it and the compositor's.
TEST(ScreenRect, IsTheCompositorsWhereBothCountThePixelsAlike) {
    const RECT outer{100, 50, 916, 690};
    struct Case {
        const char* name;
        bool composed;
        RECT frame;
        bool readable;
        RECT shown;
    };
    const Case cases[] = {
        {"no compositor", false, {}, true, outer},
        {"the same rectangle", true, outer, true, outer},
        {"invisible borders", true, {107, 50, 909, 683}, true, {107, 50, 909, 683}},
        {"scaled to 150 %", true, {157, 75, 1367, 1028}, false, {}},
        {"scaled, at the origin", true, {7, 0, 1217, 953}, false, {}},
        {"moved since", true, {120, 50, 936, 690}, false, {}},
        {"empty", true, {300, 300, 300, 300}, false, {}},
    };
    for (const Case& c : cases) {
        RECT shown{};
        EXPECT_EQ(platform::win32::screenRectOfWindow(outer, c.composed ? &c.frame : nullptr, shown), c.readable)
            << c.name;
        if (c.readable) {
            EXPECT_TRUE(EqualRect(&shown, &c.shown)) << c.name;
        }
    }
}

TEST(NoWindow, PicturesFailCleanly) {
    gWindow = nullptr;
    platform::WindowCapture capture;
    capture.width = 3;
    EXPECT_FALSE(platform::captureMainWindow(capture));
    EXPECT_EQ(capture.width, 0);
    EXPECT_TRUE(capture.pixels.empty());
    std::vector<std::uint8_t> png{1, 2, 3};
    EXPECT_FALSE(platform::renderClientAreaPng(png));
    EXPECT_TRUE(png.empty());
    capture.width = 3;
    EXPECT_FALSE(platform::win32::captureWindowDrawn(nullptr, capture));
    EXPECT_EQ(capture.width, 0);
}

}  // namespace
