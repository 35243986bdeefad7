#include "platform/win32/chart_reading_win32.h"

#include <knownfolders.h>
#include <shlobj.h>

#include <vector>

#include "chart/chart_reading.h"
#include "chart/envelope.h"
#include "platform/win32/text_win32.h"
#include "platform/window.h"
#include "shell/modal_scope.h"
#include "shell/outside_files.h"
#include "shell/ui_texts.h"
#include "shell/user_prefs.h"

namespace platform::win32 {

namespace {

constexpr wchar_t kReadoutClass[] = L"VantrelReadout";
constexpr int kReadoutInset = 4;  // a one-pixel frame and three pixels of margin

HWND gReadout = nullptr;
HFONT gReadoutFont = nullptr;
ChartPoint gPointer;          // where the pointer last was over the client area
bool gPointerInside = false;  // the pointer is over the client area
bool gTrackingLeave = false;  // WM_MOUSELEAVE is asked for
int gWheelDelta = 0;          // wheel turned short of a whole notch
WPARAM gMenuKeyDown = 0;      // the Menu key or Shift+F10's F10, pressed and not yet released
bool gMenuKeyMenuShown = false;  // the Menu key's release opened the menu: the system's WM_CONTEXTMENU for it is done

constexpr COLORREF colour(std::uint32_t rgb) { return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }

ChartPoint clientPoint(HWND window, LPARAM screenPoint) {
    POINT p{static_cast<short>(LOWORD(screenPoint)), static_cast<short>(HIWORD(screenPoint))};
    ScreenToClient(window, &p);
    return {p.x, p.y};
}

void paintReadout(HWND hwnd) {
    PAINTSTRUCT ps;
    const HDC dc = BeginPaint(hwnd, &ps);
    RECT r{};
    GetClientRect(hwnd, &r);
    const HBRUSH background = CreateSolidBrush(colour(kReadoutBackgroundRgb));
    FillRect(dc, &r, background);
    DeleteObject(background);
    FrameRect(dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    const int length = GetWindowTextLengthW(hwnd);
    std::vector<wchar_t> text(static_cast<std::size_t>(length) + 1, L'\0');
    GetWindowTextW(hwnd, text.data(), length + 1);
    const HGDIOBJ oldFont = SelectObject(dc, gReadoutFont);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, colour(kReadoutTextRgb));
    InflateRect(&r, -kReadoutInset, -kReadoutInset);
    DrawTextW(dc, text.data(), length, &r, DT_LEFT | DT_TOP | DT_NOPREFIX);
    SelectObject(dc, oldFont);
    EndPaint(hwnd, &ps);
}

LRESULT CALLBACK readoutProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_NCHITTEST: return HTTRANSPARENT;  // the pointer reads through it
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: paintReadout(hwnd); return 0;
    default: return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}

// The readout for the pointer, beside it and turned back inside the client
// area at its edges; hidden where there is nothing to read.
void showReadout() {
    if (gReadout == nullptr) return;
    const std::string text = gPointerInside ? readoutText(gPointer.x, gPointer.y) : std::string{};
    if (text.empty()) {
        ShowWindow(gReadout, SW_HIDE);
        return;
    }
    const std::wstring wide = widen(text);
    const int length = GetWindowTextLengthW(gReadout);
    std::vector<wchar_t> shown(static_cast<std::size_t>(length) + 1, L'\0');
    GetWindowTextW(gReadout, shown.data(), length + 1);
    if (wide != shown.data()) SetWindowTextW(gReadout, wide.c_str());
    // Painted again each time: the scroll bar below it paints itself, over
    // the readout where the two meet, when the view scrolls.
    InvalidateRect(gReadout, nullptr, FALSE);
    RECT size{0, 0, 0, 0};
    const HDC dc = GetDC(gReadout);
    const HGDIOBJ oldFont = SelectObject(dc, gReadoutFont);
    DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), &size, DT_CALCRECT | DT_LEFT | DT_NOPREFIX);
    SelectObject(dc, oldFont);
    ReleaseDC(gReadout, dc);
    const int width = size.right + 2 * kReadoutInset;
    const int height = size.bottom + 2 * kReadoutInset;
    RECT client{};
    GetClientRect(GetParent(gReadout), &client);
    const ChartPoint at = readoutOrigin(gPointer, width, height, client.right, client.bottom);
    SetWindowPos(gReadout, HWND_TOP, at.x, at.y, width, height, SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

// %APPDATA%\VantrelDAQ\view.conf, from the shell's folder for roaming
// per-user data, else from the environment; empty when neither knows it.
std::string userPrefsFile() {
    std::wstring folder;
    PWSTR known = nullptr;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_RoamingAppData, KF_FLAG_DEFAULT, nullptr, &known)) &&
        known != nullptr)
        folder = known;
    CoTaskMemFree(known);
    if (folder.empty()) {
        std::vector<wchar_t> env(32768, L'\0');
        const DWORD n = GetEnvironmentVariableW(L"APPDATA", env.data(), static_cast<DWORD>(env.size()));
        if (n > 0 && n < env.size()) folder.assign(env.data(), n);
    }
    if (folder.empty()) return {};
    return narrow((folder + L"\\VantrelDAQ\\view.conf").c_str());
}

bool chartKeyFor(WPARAM vk, ChartKey& key) {
    switch (vk) {
    case VK_LEFT: key = ChartKey::Left; return true;
    case VK_RIGHT: key = ChartKey::Right; return true;
    case VK_HOME: key = ChartKey::Home; return true;
    case VK_END: key = ChartKey::End; return true;
    case VK_PRIOR: key = ChartKey::PageUp; return true;
    case VK_NEXT: key = ChartKey::PageDown; return true;
    default: return false;
    }
}

bool fromKeyboard(LPARAM at) {
    return static_cast<short>(LOWORD(at)) == -1 && static_cast<short>(HIWORD(at)) == -1;
}

// Where the pointer stands now, over the client area and no control. The
// tracked state is not enough for the keyboard's menu: the last menu's own
// window took the pointer away (WM_MOUSELEAVE), and it comes back only when
// the mouse moves again. The last menu's window may even be on its way out
// under the pointer still, so this asks our window, not the screen.
bool pointerOverClient(HWND window, ChartPoint& at) {
    POINT p{};
    RECT client{};
    if (!GetCursorPos(&p) || !ScreenToClient(window, &p) || !GetClientRect(window, &client) || !PtInRect(&client, p) ||
        ChildWindowFromPointEx(window, p, CWP_SKIPINVISIBLE) != window)
        return false;
    at = ChartPoint{p.x, p.y};
    return true;
}

void showContextMenu(HWND window, LPARAM lParam) {
    const bool keyboard = fromKeyboard(lParam);
    ChartPoint pointer = gPointer;
    const bool inside = keyboard && (pointerOverClient(window, pointer) || gPointerInside);
    const ChartPoint at = chartMenuPoint(keyboard, keyboard ? ChartPoint{} : clientPoint(window, lParam), inside, pointer);
    const HMENU menu = buildChartContextMenu(at.x, at.y);
    if (menu == nullptr) return;
    POINT screen{at.x, at.y};
    ClientToScreen(window, &screen);
    constexpr UINT kFlags = TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_LEFTALIGN | TPM_TOPALIGN;
    UINT id = 0;
    {
        const ModalScope modal;
        id = static_cast<UINT>(TrackPopupMenu(menu, kFlags, screen.x, screen.y, 0, window, nullptr));
    }
    DestroyMenu(menu);
    if (id != 0) runChartMenuCommand(window, id, at.x, at.y);
}

}  // namespace

void installChartReading(HWND window) {
    if (const std::string prefs = userPrefsFile(); !prefs.empty()) setUserPrefsPath(prefs);
    gPointerInside = false;
    gTrackingLeave = false;
    gWheelDelta = 0;
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = readoutProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kReadoutClass;
    RegisterClassExW(&wc);  // a second window finds it registered already
    if (gReadoutFont == nullptr) {
        // The font the system's tooltips use.
        NONCLIENTMETRICSW metrics{};
        metrics.cbSize = sizeof metrics;
        if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
            gReadoutFont = CreateFontIndirectW(&metrics.lfStatusFont);
        if (gReadoutFont == nullptr) gReadoutFont = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    }
    gReadout = CreateWindowExW(0, kReadoutClass, L"", WS_CHILD | WS_CLIPSIBLINGS, 0, 0, 0, 0, window, nullptr,
                               instance, nullptr);
    DragAcceptFiles(window, TRUE);
}

bool chartReadingMessage(HWND window, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    result = 0;
    switch (msg) {
    case WM_MOUSEMOVE:
        gPointer = ChartPoint{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        gPointerInside = true;
        if (!gTrackingLeave) {
            TRACKMOUSEEVENT track{};
            track.cbSize = sizeof track;
            track.dwFlags = TME_LEAVE;
            track.hwndTrack = window;
            gTrackingLeave = TrackMouseEvent(&track) != FALSE;
        }
        showReadout();
        return false;  // the cursor drag still needs it
    case WM_MOUSELEAVE:
        gTrackingLeave = false;
        gPointerInside = false;
        showReadout();
        return true;
    case WM_PAINT:
        // The view may have moved under a pointer that stood still (wheel,
        // keys, a new recording): the readout follows the picture.
        if (gReadout != nullptr && IsWindowVisible(gReadout)) showReadout();
        return false;
    case WM_MOUSEWHEEL: {
        const ChartPoint p = clientPoint(window, lParam);  // the wheel's point is on the screen
        chartWheelTurned(gWheelDelta, p.x, p.y, GET_WHEEL_DELTA_WPARAM(wParam),
                         (GET_KEYSTATE_WPARAM(wParam) & MK_CONTROL) != 0);
        return true;
    }
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
        // The keyboard's menu opens when its key is released: opened at the
        // press, the menu's own loop would take the release (of F10 above
        // all) as the end of the menu, and close it at once.
        const bool menuKey = wParam == VK_APPS || (wParam == VK_F10 && GetKeyState(VK_SHIFT) < 0 &&
                                                   (HIWORD(lParam) & KF_ALTDOWN) == 0);
        gMenuKeyMenuShown = false;  // a new press: what follows is its own
        if (menuKey) {
            gMenuKeyDown = wParam;
            return true;
        }
        ChartKey key{};
        return msg == WM_KEYDOWN && chartKeyFor(wParam, key) && chartKey(key, GetKeyState(VK_SHIFT) < 0);
    }
    case WM_KEYUP:
    case WM_SYSKEYUP:
        if (gMenuKeyDown == 0 || wParam != gMenuKeyDown) return false;
        gMenuKeyDown = 0;
        gMenuKeyMenuShown = wParam == VK_APPS;  // Shift+F10's release brings no message of the system's
        showContextMenu(window, MAKELPARAM(-1, -1));
        return true;
    case WM_KILLFOCUS:
        gMenuKeyDown = 0;  // its release goes elsewhere
        return false;
    case WM_CONTEXTMENU:
        // A right click on a control is the control's own.
        if (!fromKeyboard(lParam) && reinterpret_cast<HWND>(wParam) != window) return false;
        // The system sends one of its own for the Menu key's release, even
        // while the menu that release opened is still up: a second menu
        // would close the first and stand in its place.
        if (fromKeyboard(lParam) && gMenuKeyMenuShown) {
            gMenuKeyMenuShown = false;
            return true;
        }
        showContextMenu(window, lParam);
        return true;
    case WM_DROPFILES:
        handleDroppedFiles(reinterpret_cast<HDROP>(wParam));
        return true;
    case WM_DESTROY:
        gReadout = nullptr;  // goes with its parent
        gPointerInside = false;
        return false;
    default:
        return false;
    }
}

HMENU buildChartContextMenu(int x, int y) {
    const HMENU menu = CreatePopupMenu();
    if (menu == nullptr) return nullptr;
    for (const ChartMenuItem& item : chartMenuItems(x, y)) {
        if (item.separatorBefore) AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        const UINT flags = MF_STRING | (item.checked ? MF_CHECKED : MF_UNCHECKED) | (item.enabled ? MF_ENABLED : MF_GRAYED);
        AppendMenuW(menu, flags, kMenuChartFirst + static_cast<UINT>(item.command), widen(item.text).c_str());
    }
    return menu;
}

void runChartMenuCommand(HWND, UINT id, int x, int y) {
    if (id >= kMenuChartFirst && id < kMenuChartEnd) runChartCommand(static_cast<ChartCommand>(id - kMenuChartFirst), x, y);
}

std::string droppedRecording(HDROP drop) {
    std::vector<std::string> names;
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        const UINT length = DragQueryFileW(drop, i, nullptr, 0);
        if (length == 0) continue;
        std::vector<wchar_t> name(length + 1, L'\0');
        if (DragQueryFileW(drop, i, name.data(), length + 1) == length)
            names.push_back(narrow(name.data(), static_cast<int>(length)));
    }
    return firstRecordingName(names);
}

void handleDroppedFiles(HDROP drop) {
    const std::string path = droppedRecording(drop);
    DragFinish(drop);
    // Opened from the message loop: a message box must not run inside the
    // drop, which holds the dragging program up.
    if (!path.empty()) openRecordingLater(path);
}

}  // namespace platform::win32
