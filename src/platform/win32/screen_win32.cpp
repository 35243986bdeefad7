// Pictures of the main window: its outer rectangle read from the screen for the
// screen dump (or drawn by the window itself where the screen would not give
// exactly the window), and its client area drawn into a bitmap and encoded as PNG with
// Windows' own imaging component (WIC), which every Windows and Wine carries.
#include <windows.h>
#include <dwmapi.h>
#include <initguid.h>  // the WIC class and format ids are defined here, not in an import library
#include <objbase.h>
#include <wincodec.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/screen.h"
#include "platform/win32/main_window_win32.h"

namespace {

// A top-down 32-bit DIB section selected into a memory device context.
class Canvas {
public:
    Canvas(int width, int height) : width_(width), height_(height) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;  // top row first
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        dc_ = CreateCompatibleDC(nullptr);
        if (dc_ == nullptr) return;
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
        if (bitmap_ != nullptr) old_ = SelectObject(dc_, bitmap_);
    }
    ~Canvas() {
        if (bitmap_ != nullptr) {
            SelectObject(dc_, old_);
            DeleteObject(bitmap_);
        }
        if (dc_ != nullptr) DeleteDC(dc_);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    bool ok() const { return bits_ != nullptr; }
    void fill(std::uint32_t colour) { std::fill(bits_, bits_ + count(), colour); }
    bool all(std::uint32_t colour) const {
        return std::all_of(bits_, bits_ + count(), [colour](std::uint32_t p) { return (p & 0x00FFFFFFu) == colour; });
    }
    HDC dc() const { return dc_; }
    // Pixel (x, y) as 0x00RRGGBB, once GDI has finished drawing.
    std::uint32_t at(int x, int y) const {
        return bits_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(x)] &
               0x00FFFFFFu;
    }

private:
    std::size_t count() const { return static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_); }

    int width_, height_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
    std::uint32_t* bits_ = nullptr;
};

// Copies the screen's pixels inside rect (screen coordinates) into an
// off-screen bitmap of the screen's own format, then into the capture.
bool readScreen(const RECT& rect, platform::WindowCapture& capture) {
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    const HDC screen = GetDC(nullptr);
    if (screen == nullptr) return false;
    bool ok = false;
    const HDC memory = CreateCompatibleDC(screen);
    const HBITMAP bitmap = memory != nullptr ? CreateCompatibleBitmap(screen, width, height) : nullptr;
    if (bitmap != nullptr) {
        const HGDIOBJ old = SelectObject(memory, bitmap);
        BITMAP description{};
        if (BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY | CAPTUREBLT) &&
            GetObjectW(bitmap, sizeof description, &description) == sizeof description) {
            SelectObject(memory, old);  // GetDIBits wants the bitmap out of any device context
            BITMAPINFO info{};
            info.bmiHeader.biSize = sizeof info.bmiHeader;
            info.bmiHeader.biWidth = width;
            info.bmiHeader.biHeight = -height;
            info.bmiHeader.biPlanes = 1;
            info.bmiHeader.biBitCount = 32;
            info.bmiHeader.biCompression = BI_RGB;
            capture.pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
            if (GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), capture.pixels.data(), &info,
                          DIB_RGB_COLORS) == height) {
                for (std::uint32_t& p : capture.pixels) p &= 0x00FFFFFFu;
                capture.width = width;
                capture.height = height;
                capture.planes = description.bmPlanes;
                capture.bitsPerPixel = description.bmBitsPixel;
                capture.fromScreen = true;
                ok = true;
            }
        } else {
            SelectObject(memory, old);
        }
        DeleteObject(bitmap);
    }
    if (memory != nullptr) DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return ok;
}

// Draws a child control into a bitmap of its size and copies that to (x, y)
// of dc. Controls that do not answer WM_PRINT (Wine's scroll bar) are asked to
// paint into the bitmap the older way, with the device context as WM_PAINT's
// parameter; one that does neither is left out rather than drawn from the screen.
void drawChild(HWND child, HDC dc, int x, int y, int width, int height) {
    constexpr std::uint32_t kUntouched = 0x00010203;  // a colour no control paints
    Canvas canvas(width, height);
    if (!canvas.ok()) return;
    canvas.fill(kUntouched);
    SendMessageW(child, WM_PRINT, reinterpret_cast<WPARAM>(canvas.dc()), PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND);
    GdiFlush();
    if (canvas.all(kUntouched)) {
        SendMessageW(child, WM_PAINT, reinterpret_cast<WPARAM>(canvas.dc()), 0);
        GdiFlush();
        if (canvas.all(kUntouched)) return;
    }
    BitBlt(dc, x, y, width, height, canvas.dc(), 0, 0, SRCCOPY);
}

// The client area as the window paints it, with the span list and the scroll
// bar drawn where they stand. Drawn, not read from the screen, so nothing that
// covers the window (a menu, another program, the pointer's readout) gets in.
void drawClientArea(HWND window, HDC dc) {
    SendMessageW(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    for (HWND child = GetWindow(window, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t cls[32] = {};
        GetClassNameW(child, cls, 32);
        if (!IsWindowVisible(child) || (lstrcmpiW(cls, L"ComboBox") != 0 && lstrcmpiW(cls, L"ScrollBar") != 0))
            continue;
        RECT r{};
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
        if (r.right > r.left && r.bottom > r.top) drawChild(child, dc, r.left, r.top, r.right - r.left, r.bottom - r.top);
    }
    GdiFlush();
}

// Whether a menu of this thread is still on the screen: its window, or the
// fading copy of the chosen item Windows leaves behind for a moment.
BOOL CALLBACK findMenu(HWND hwnd, LPARAM found) {
    wchar_t cls[16] = {};
    GetClassNameW(hwnd, cls, 16);
    if (IsWindowVisible(hwnd) && (lstrcmpW(cls, L"#32768") == 0 || lstrcmpW(cls, L"SysFader") == 0)) {
        *reinterpret_cast<bool*>(found) = true;
        return FALSE;
    }
    return TRUE;
}

bool menuOnScreen() {
    bool found = false;
    EnumThreadWindows(GetCurrentThreadId(), findMenu, reinterpret_cast<LPARAM>(&found));
    return found;
}

// The menu that issued the command has closed, but its window may still be on
// the screen (fading out, or not yet taken off by the window system), and the
// window has not repainted what it covered. Waits, bounded, until no menu is
// shown and then lets the paints that follow reach the screen. Only paint and
// sent messages are handled meanwhile: the program's timers, its posted
// commands and the user's input wait until the picture is taken, so nothing
// changes the window while it is read.
void letTheMenuLeave(HWND window) {
    constexpr DWORD kLongest = 1000;  // a busy display cannot hold the command up longer
    constexpr DWORD kSettle = 60;     // once no menu shows: the exposures and repaints it caused
    const DWORD start = GetTickCount();
    DWORD menuGone = 0;
    bool gone = false;
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE | PM_QS_PAINT | PM_QS_SENDMESSAGE))
            DispatchMessageW(&msg);
        RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        GdiFlush();
        const DWORD now = GetTickCount();
        if (menuOnScreen()) {
            gone = false;
        } else if (!gone) {
            gone = true;
            menuGone = now;
        }
        if ((gone && now - menuGone >= kSettle) || now - start >= kLongest) break;
        // With desktop composition the screen changes once per composed frame.
        BOOL composed = FALSE;
        if (FAILED(DwmIsCompositionEnabled(&composed)) || !composed || FAILED(DwmFlush())) Sleep(10);
    }
}

// The compositor's rectangle of the window, or nothing without composition.
bool compositorRect(HWND window, RECT& frame) {
    return SUCCEEDED(DwmGetWindowAttribute(window, DWMWA_EXTENDED_FRAME_BOUNDS, &frame, sizeof frame));
}

template <class T>
void release(T*& p) {
    if (p != nullptr) p->Release();
    p = nullptr;
}

// Encodes width x height pixels (0x00RRGGBB, top row first) as a PNG file's bytes.
bool encodePng(const Canvas& canvas, int width, int height, std::vector<std::uint8_t>& png) {
    const HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IWICImagingFactory* factory = nullptr;
    IStream* stream = nullptr;
    IWICBitmapEncoder* encoder = nullptr;
    IWICBitmapFrameEncode* frame = nullptr;
    IPropertyBag2* options = nullptr;
    bool ok = false;

    // 24-bit rows, blue first, each padded to 4 bytes as WIC expects them.
    const UINT stride = (static_cast<UINT>(width) * 3 + 3) & ~3u;
    std::vector<BYTE> rows(static_cast<std::size_t>(stride) * static_cast<std::size_t>(height), 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const std::uint32_t p = canvas.at(x, y);
            BYTE* out = rows.data() + static_cast<std::size_t>(y) * stride + static_cast<std::size_t>(x) * 3;
            out[0] = static_cast<BYTE>(p);
            out[1] = static_cast<BYTE>(p >> 8);
            out[2] = static_cast<BYTE>(p >> 16);
        }

    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    if (SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                   reinterpret_cast<void**>(&factory))) &&
        SUCCEEDED(CreateStreamOnHGlobal(nullptr, TRUE, &stream)) &&
        SUCCEEDED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder)) &&
        SUCCEEDED(encoder->Initialize(stream, WICBitmapEncoderNoCache)) &&
        SUCCEEDED(encoder->CreateNewFrame(&frame, &options)) && SUCCEEDED(frame->Initialize(options)) &&
        SUCCEEDED(frame->SetSize(static_cast<UINT>(width), static_cast<UINT>(height))) &&
        SUCCEEDED(frame->SetPixelFormat(&format)) && IsEqualGUID(format, GUID_WICPixelFormat24bppBGR) &&
        SUCCEEDED(frame->WritePixels(static_cast<UINT>(height), stride, static_cast<UINT>(rows.size()), rows.data())) &&
        SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit())) {
        STATSTG stat{};
        HGLOBAL memory = nullptr;
        if (SUCCEEDED(stream->Stat(&stat, STATFLAG_NONAME)) && SUCCEEDED(GetHGlobalFromStream(stream, &memory))) {
            const auto* bytes = static_cast<const std::uint8_t*>(GlobalLock(memory));
            if (bytes != nullptr) {
                png.assign(bytes, bytes + stat.cbSize.QuadPart);
                GlobalUnlock(memory);
                ok = !png.empty();
            }
        }
    }
    release(options);
    release(frame);
    release(encoder);
    release(stream);
    release(factory);
    if (SUCCEEDED(init)) CoUninitialize();
    return ok;
}

}  // namespace

namespace platform {

bool captureMainWindow(WindowCapture& capture) {
    capture = WindowCapture{};
    const HWND window = win32::mainWindowHandle();
    if (window == nullptr) return false;
    letTheMenuLeave(window);
    RECT outer{};
    if (!GetWindowRect(window, &outer) || outer.right <= outer.left || outer.bottom <= outer.top) return false;
    RECT frame{};
    const bool composed = compositorRect(window, frame);
    RECT shown{};
    if (win32::screenRectOfWindow(outer, composed ? &frame : nullptr, shown) && readScreen(shown, capture))
        return true;
    // The screen would not give exactly the window (scaled), or cannot be
    // read (a locked or remote session).
    return win32::captureWindowDrawn(window, capture);
}

}  // namespace platform

namespace platform::win32 {

bool screenRectOfWindow(const RECT& outer, const RECT* frame, RECT& shown) {
    shown = outer;
    if (frame == nullptr || EqualRect(frame, &outer)) return true;
    // Invisible borders: the window as seen lies inside the rectangle the
    // program knows, in the same pixels. Anything else (larger, shifted) means
    // the two count different pixels: the system scales this DPI-unaware
    // window, and the screen's pixels at outer are not the window.
    if (frame->left >= outer.left && frame->top >= outer.top && frame->right <= outer.right &&
        frame->bottom <= outer.bottom && frame->right > frame->left && frame->bottom > frame->top) {
        shown = *frame;
        return true;
    }
    return false;
}

bool captureWindowDrawn(HWND window, WindowCapture& capture) {
    capture = WindowCapture{};
    RECT outer{};
    if (!GetWindowRect(window, &outer) || outer.right <= outer.left || outer.bottom <= outer.top) return false;
    const int width = outer.right - outer.left;
    const int height = outer.bottom - outer.top;
    Canvas canvas(width, height);
    if (!canvas.ok()) return false;
    // The frame as the compositor draws it where it can (Windows 8.1 on), the
    // older drawing of the frame elsewhere.
    if (!PrintWindow(window, canvas.dc(), PW_RENDERFULLCONTENT) && !PrintWindow(window, canvas.dc(), 0)) return false;
    GdiFlush();
    capture.width = width;
    capture.height = height;
    capture.planes = 1;
    capture.bitsPerPixel = 32;
    capture.fromScreen = false;
    capture.pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            capture.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)] =
                canvas.at(x, y);
    return true;
}

}  // namespace platform::win32

namespace platform {

bool renderClientAreaPng(std::vector<std::uint8_t>& png) {
    png.clear();
    const HWND window = win32::mainWindowHandle();
    if (window == nullptr) return false;
    RECT client{};
    if (!GetClientRect(window, &client) || client.right <= 0 || client.bottom <= 0) return false;
    Canvas canvas(client.right, client.bottom);
    if (!canvas.ok()) return false;
    drawClientArea(window, canvas.dc());
    if (!encodePng(canvas, client.right, client.bottom, png)) {
        png.clear();
        return false;
    }
    return true;
}

}  // namespace platform
