// The main window over the Win32 API: window class, fixed client area, menu
// bar, timers, posted commands and tasks, the combo box and scroll bar, message
// boxes and the common file dialogs. Window-system events become the shell's
// calls (shell/main_window.h, shell/handlers.h); the shell's requests come back
// through platform/window.h.
#include <windows.h>
#include <commdlg.h>
#include <knownfolders.h>
#include <shlobj.h>

#include <algorithm>
#include <climits>
#include <string>
#include <vector>

#include "platform/win32/chart_reading_win32.h"
#include "platform/win32/dialogs_win32.h"
#include "platform/win32/gdi_surface.h"
#include "platform/win32/main_window_win32.h"
#include "platform/win32/menu_win32.h"
#include "platform/win32/message_loop_win32.h"
#include "platform/win32/port_tips_win32.h"
#include "platform/win32/resource_ids.h"
#include "platform/win32/session_win32.h"
#include "platform/win32/single_instance_win32.h"
#include "platform/win32/text_win32.h"
#include "platform/window.h"
#include "shell/handlers.h"
#include "shell/main_window.h"
#include "shell/menus.h"
#include "shell/modal_scope.h"

using platform::win32::narrow;
using platform::win32::widen;

namespace {

constexpr wchar_t kClassName[] = L"VantrelDaq";
constexpr UINT kMsgPostedCommand = WM_APP + 1;  // wParam: command id
constexpr UINT kMsgPostedTask = WM_APP + 2;     // lParam: void (*)()
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr COLORREF kBackground = RGB(195, 180, 160);

HWND gWindow = nullptr;
HWND gCombo = nullptr;
HWND gScroll = nullptr;
bool gShellCreated = false;  // the shell's creation handling ran and its destroy handling has not
bool gWaitCursor = false;
bool gDragging = false;  // the left button went down in the client area
bool gMenuLoopCounted = false;  // the menu bar's (or system menu's) loop is counted in gApp.modalDepth

// The menu bar's loop as one of our modal menus; a popup menu of ours
// (TrackPopupMenu) counts itself.
void countMenuLoop(bool open) {
    if (open == gMenuLoopCounted) return;
    gMenuLoopCounted = open;
    if (open) ++gApp.modalDepth;
    else if (gApp.modalDepth > 0) --gApp.modalDepth;
}

// Keeps the client area at its fixed size, with or without a menu bar.
void fitToClientSize() {
    if (gWindow == nullptr) return;
    RECT r{0, 0, kClientWidth, kClientHeight};
    AdjustWindowRectEx(&r, kWindowStyle, GetMenu(gWindow) != nullptr, 0);
    SetWindowPos(gWindow, nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // A menu bar that wraps onto a second line takes client height: ask again.
    RECT client{};
    GetClientRect(gWindow, &client);
    const int missing = kClientHeight - (client.bottom - client.top);
    if (missing > 0)
        SetWindowPos(gWindow, nullptr, 0, 0, r.right - r.left, r.bottom - r.top + missing,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void createControls(HWND parent) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    gCombo = CreateWindowExW(0, L"COMBOBOX", L"", WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWNLIST,
                             kSpanComboX, kSpanComboY, kSpanComboWidth, kSpanComboHeight, parent,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(kSpanComboId)), instance, nullptr);
    gScroll = CreateWindowExW(0, L"SCROLLBAR", L"", WS_CHILD | WS_VISIBLE | SBS_HORZ, kScrollBarX, kScrollBarY,
                              kScrollBarWidth, kScrollBarHeight, parent,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(kScrollBarId)), instance, nullptr);
    const HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    if (gCombo != nullptr) SendMessageW(gCombo, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

// Double-buffered: the background and the charts go to a bitmap first, so a
// paint never flickers and always shows the whole picture, erased or not.
void paintInto(HDC dc) {
    const HDC mem = CreateCompatibleDC(dc);
    const HBITMAP bitmap = mem != nullptr ? CreateCompatibleBitmap(dc, kClientWidth, kClientHeight) : nullptr;
    if (bitmap != nullptr) {
        const HGDIOBJ old = SelectObject(mem, bitmap);
        const RECT all{0, 0, kClientWidth, kClientHeight};
        const HBRUSH background = CreateSolidBrush(kBackground);
        FillRect(mem, &all, background);
        DeleteObject(background);
        {
            platform::win32::GdiSurface surface(mem);
            paintCharts(surface);
        }
        BitBlt(dc, 0, 0, kClientWidth, kClientHeight, mem, 0, 0, SRCCOPY);
        SelectObject(mem, old);
        DeleteObject(bitmap);
    } else {
        // Out of GDI memory: draw straight onto the window rather than not at all.
        platform::win32::GdiSurface surface(dc);
        paintCharts(surface);
    }
    if (mem != nullptr) DeleteDC(mem);
}

void paint(HWND hwnd) {
    PAINTSTRUCT ps;
    const HDC dc = BeginPaint(hwnd, &ps);
    paintInto(dc);
    EndPaint(hwnd, &ps);
}

void scroll(WPARAM wParam) {
    const int request = LOWORD(wParam);
    if (request > SB_RIGHT) return;  // SB_ENDSCROLL: nothing to move
    std::uint32_t thumb = 0;
    if (request == SB_THUMBTRACK || request == SB_THUMBPOSITION) {
        // The 32-bit position, not the 16 bits of the message.
        SCROLLINFO si{};
        si.cbSize = sizeof si;
        si.fMask = SIF_TRACKPOS;
        GetScrollInfo(gScroll, SB_CTL, &si);
        thumb = static_cast<std::uint32_t>(std::max(si.nTrackPos, 0));
    }
    scrollMainChart(request, thumb);
}

LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    // Readout, wheel, keys, context menu and drops first; pointer moves and
    // paints go on below as well.
    platform::win32::portTipMessage(hwnd, msg, wParam, lParam);
    if (LRESULT used = 0; platform::win32::chartReadingMessage(hwnd, msg, wParam, lParam, used)) return used;
    if (LRESULT used = 0; platform::win32::sessionMessage(hwnd, msg, wParam, lParam, used)) return used;
    switch (msg) {
    case WM_CREATE:
        gWindow = hwnd;
        createControls(hwnd);
        platform::win32::installChartReading(hwnd);  // before the shell reads the preferences
        mainWindowCreated();
        gShellCreated = true;
        return 0;
    case WM_COMMAND:
        dispatchCommand(LOWORD(wParam), HIWORD(wParam));
        return 0;
    case kMsgPostedCommand:
        dispatchCommand(static_cast<int>(wParam));
        return 0;
    case WM_COPYDATA:
        // A later start of the program hands over its file.
        return platform::win32::takeCopyData(reinterpret_cast<const COPYDATASTRUCT*>(lParam)) ? TRUE : FALSE;
    case kMsgPostedTask:
        if (lParam != 0) reinterpret_cast<void (*)()>(lParam)();
        return 0;
    case WM_TIMER:
        mainWindowTimer(static_cast<int>(wParam));
        return 0;
    case WM_HSCROLL:
        if (reinterpret_cast<HWND>(lParam) == gScroll && gScroll != nullptr) scroll(wParam);
        return 0;
    case WM_ERASEBKGND:
        return 1;  // the paint fills the background itself
    case WM_PAINT:
        paint(hwnd);
        return 0;
    case WM_PRINTCLIENT:
        // PrintWindow and other captures: the same picture into their DC.
        paintInto(reinterpret_cast<HDC>(wParam));
        return 0;
    case WM_SETCURSOR:
        if (gWaitCursor) {
            SetCursor(LoadCursorW(nullptr, IDC_WAIT));
            return TRUE;
        }
        break;
    case WM_LBUTTONDOWN:
        SetFocus(hwnd);
        SetCapture(hwnd);
        gDragging = true;
        chartMouseDown(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
        return 0;
    case WM_LBUTTONUP:
        if (gDragging) {
            gDragging = false;
            chartMouseUp(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
        }
        ReleaseCapture();
        return 0;
    case WM_MOUSEMOVE:
        chartMouseMove(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)),
                       (wParam & MK_LBUTTON) != 0);
        return 0;
    case WM_CAPTURECHANGED:
        // Capture lost without a release (another window, a message box).
        if (gDragging) {
            gDragging = false;
            chartMouseCancel();
        }
        return 0;
    case WM_CLOSE:
        // The user may keep the window to save what is unsaved.
        if (mainWindowCloseRequested()) platform::destroyMainWindow();
        return 0;
    case WM_ENTERMENULOOP:
        if (wParam == FALSE) countMenuLoop(true);
        break;
    case WM_EXITMENULOOP:
        if (wParam == FALSE) countMenuLoop(false);
        break;
    case WM_DESTROY:
        countMenuLoop(false);
        if (gShellCreated) {
            gShellCreated = false;
            mainWindowDestroyed();
        }
        return 0;
    case WM_NCDESTROY:
        gWindow = nullptr;
        gCombo = nullptr;
        gScroll = nullptr;
        break;
    default:
        break;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

// "UDD File (*.udd)" -> "UDD File (*.udd)\0*.udd\0\0": the text shown, then the
// patterns in its last parentheses (blank-separated patterns become ';').
std::wstring win32Filter(const char* filterText) {
    const std::string text = filterText != nullptr ? filterText : "";
    std::string patterns = "*.*";
    const auto open = text.rfind('(');
    const auto close = text.rfind(')');
    if (open != std::string::npos && close != std::string::npos && close > open + 1) {
        patterns = text.substr(open + 1, close - open - 1);
        std::replace(patterns.begin(), patterns.end(), ' ', ';');
    }
    std::wstring filter = widen(text);
    filter.push_back(L'\0');
    filter += widen(patterns);
    filter.push_back(L'\0');
    filter.push_back(L'\0');
    return filter;
}


bool runFileDialog(bool open, const char* filterText, const char* defaultExt, std::string& path) {
    const std::wstring filter = win32Filter(filterText);
    std::string ext = defaultExt != nullptr ? defaultExt : "";
    if (!ext.empty() && ext.front() == '.') ext.erase(0, 1);
    const std::wstring wideExt = widen(ext);
    // Where to start: a folder (ending in a separator), a folder and a
    // proposed name, or a name alone.
    std::wstring start = widen(path);
    std::replace(start.begin(), start.end(), L'/', L'\\');
    const std::size_t slash = start.find_last_of(L'\\');
    const std::wstring folder = slash == std::wstring::npos ? std::wstring() : start.substr(0, slash + 1);
    const std::wstring proposed = slash == std::wstring::npos ? start : start.substr(slash + 1);
    std::vector<wchar_t> name(32768, L'\0');
    if (!open && proposed.size() < name.size()) std::copy(proposed.begin(), proposed.end(), name.begin());
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    // Over the window it was asked from (a dialog of ours), else the main window.
    ofn.hwndOwner = GetActiveWindow() != nullptr ? GetActiveWindow() : gWindow;
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = name.data();
    ofn.nMaxFile = static_cast<DWORD>(name.size());
    ofn.lpstrDefExt = wideExt.empty() ? nullptr : wideExt.c_str();
    ofn.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    ofn.Flags = OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_HIDEREADONLY |
                (open ? OFN_FILEMUSTEXIST : OFN_OVERWRITEPROMPT);
    BOOL ok = FALSE;
    {
        const ModalScope modal;
        ok = open ? GetOpenFileNameW(&ofn) : GetSaveFileNameW(&ofn);
    }
    if (!ok) return false;
    path = narrow(name.data());
    return true;
}

}  // namespace

namespace platform {

void* createMainWindow(const char* utf8Title) {
    if (gWindow != nullptr) return gWindow;
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = windowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(VANTREL_ICON_PROGRAM));
    if (wc.hIcon == nullptr) wc.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    wc.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(VANTREL_ICON_PROGRAM), IMAGE_ICON,
                                               GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kClassName;
    // Registering twice (a second window in the same process) is no failure.
    if (RegisterClassExW(&wc) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return nullptr;
    RECT r{0, 0, kClientWidth, kClientHeight};
    AdjustWindowRectEx(&r, kWindowStyle, FALSE, 0);
    const std::wstring title = widen(utf8Title != nullptr ? utf8Title : "");
    const HWND hwnd = CreateWindowExW(0, kClassName, title.c_str(), kWindowStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                                      r.right - r.left, r.bottom - r.top, nullptr, nullptr, instance, nullptr);
    if (hwnd == nullptr) {
        // Made and lost again (no display, say): what the creation handling
        // started (the port's threads, the timers) is taken back as at a
        // destroy, or the program would end with the threads still running.
        if (gShellCreated) {
            gShellCreated = false;
            mainWindowDestroyed();
        }
        gWindow = nullptr;
        gCombo = nullptr;
        gScroll = nullptr;
        return nullptr;
    }
    fitToClientSize();
    // Centred on the screen, from the size the menu bar left it.
    RECT outer{};
    GetWindowRect(hwnd, &outer);
    const WindowOrigin at = centredWindowOrigin(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                                                outer.right - outer.left, outer.bottom - outer.top);
    SetWindowPos(hwnd, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return hwnd;
}

void showMainWindow() {
    if (gWindow == nullptr) return;
    fitToClientSize();
    ShowWindow(gWindow, SW_SHOWNORMAL);
    UpdateWindow(gWindow);
    // The chart keys work without a click into the charts first.
    SetFocus(gWindow);
}

int runMessageLoop() {
    // Ctrl+O, Ctrl+S, Ctrl+P beside the menus.
    std::vector<ACCEL> keys;
    for (const CtrlShortcut& s : kCtrlShortcuts)
        keys.push_back({FVIRTKEY | FCONTROL, static_cast<WORD>(s.letter), static_cast<WORD>(s.commandId)});
    const HACCEL accelerators = CreateAcceleratorTableW(keys.data(), static_cast<int>(keys.size()));
    MSG msg;
    BOOL got;
    while ((got = GetMessageW(&msg, nullptr, 0, 0)) != 0) {
        if (got == -1) break;
        win32::dispatchLoopMessage(msg, gWindow, accelerators);
    }
    if (accelerators != nullptr) DestroyAcceleratorTable(accelerators);
    return got == -1 ? 0 : static_cast<int>(msg.wParam);
}

void destroyMainWindow() {
    if (gWindow != nullptr) DestroyWindow(gWindow);
}

void quitMessageLoop(int exitCode) { PostQuitMessage(exitCode); }

void invalidate(bool erase) {
    if (gWindow != nullptr) InvalidateRect(gWindow, nullptr, erase ? TRUE : FALSE);
}

void postCommand(int commandId) {
    if (gWindow != nullptr) PostMessageW(gWindow, kMsgPostedCommand, static_cast<WPARAM>(commandId), 0);
}

void postTask(void (*task)()) {
    // Posted to the window: when the window goes first, the task goes with it.
    if (gWindow != nullptr && task != nullptr)
        PostMessageW(gWindow, kMsgPostedTask, 0, reinterpret_cast<LPARAM>(task));
}

void setWaitCursor(bool wait) {
    gWaitCursor = wait;
    SetCursor(LoadCursorW(nullptr, wait ? IDC_WAIT : IDC_ARROW));
}

void raiseMainWindow() {
    if (gWindow == nullptr) return;
    if (IsIconic(gWindow)) ShowWindow(gWindow, SW_RESTORE);
    // Allowed: the later start gave this process the right to take the
    // foreground (AllowSetForegroundWindow) before it sent its message.
    SetForegroundWindow(gWindow);
}

void focusMainWindow() {
    if (gWindow != nullptr) SetFocus(gWindow);
}

void copyText(const std::string& utf8) {
    // Windows' text on the clipboard ends its lines with CR LF.
    std::wstring text;
    for (const wchar_t c : widen(utf8)) {
        if (c == L'\n') text.push_back(L'\r');
        text.push_back(c);
    }
    if (!OpenClipboard(gWindow)) return;
    EmptyClipboard();
    const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    if (const HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes); memory != nullptr) {
        if (void* to = GlobalLock(memory); to != nullptr) {
            CopyMemory(to, text.c_str(), bytes);
            GlobalUnlock(memory);
            // The clipboard owns it once taken; otherwise it is still ours.
            if (SetClipboardData(CF_UNICODETEXT, memory) == nullptr) GlobalFree(memory);
        } else {
            GlobalFree(memory);
        }
    }
    CloseClipboard();
}

void startTimer(int timerId, int periodMs) {
    if (gWindow != nullptr) SetTimer(gWindow, static_cast<UINT_PTR>(timerId), static_cast<UINT>(periodMs), nullptr);
}

void stopTimer(int timerId) {
    if (gWindow != nullptr) KillTimer(gWindow, static_cast<UINT_PTR>(timerId));
}

void setScrollBar(std::uint32_t maximum, std::uint32_t page, std::uint32_t position) {
    if (gScroll == nullptr) return;
    // Windows counts the range with the page in it, as the navigation does:
    // the thumb's last position is maximum - page + 1.
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    si.nMin = 0;
    si.nMax = static_cast<int>(std::min<std::uint32_t>(maximum, INT_MAX));
    si.nPage = std::min<std::uint32_t>(page, INT_MAX);
    si.nPos = static_cast<int>(std::min<std::uint32_t>(position, INT_MAX));
    SetScrollInfo(gScroll, SB_CTL, &si, TRUE);
}

void showScrollBar(bool visible) {
    if (gScroll != nullptr) ShowWindow(gScroll, visible ? SW_SHOWNA : SW_HIDE);
}

void setScrollPosition(std::uint32_t position) {
    if (gScroll == nullptr) return;
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_POS;
    si.nPos = static_cast<int>(std::min<std::uint32_t>(position, INT_MAX));
    SetScrollInfo(gScroll, SB_CTL, &si, TRUE);
}

void comboClear() {
    if (gCombo != nullptr) SendMessageW(gCombo, CB_RESETCONTENT, 0, 0);
}

void comboAdd(const char* utf8Text) {
    if (gCombo == nullptr) return;
    const std::wstring text = widen(utf8Text != nullptr ? utf8Text : "");
    SendMessageW(gCombo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void comboSelect(int index) {
    if (gCombo != nullptr) SendMessageW(gCombo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

int comboSelection() {
    if (gCombo == nullptr) return -1;
    const LRESULT sel = SendMessageW(gCombo, CB_GETCURSEL, 0, 0);
    return sel == CB_ERR ? -1 : static_cast<int>(sel);
}

void setMenuBar(int menuResource) {
    if (gWindow == nullptr) return;
    const HMENU old = GetMenu(gWindow);
    const HMENU bar = menuResource != 0 ? win32::buildMenuBar(menuResource) : nullptr;
    SetMenu(gWindow, bar);
    if (old != nullptr) DestroyMenu(old);
    fitToClientSize();
}

void checkMenuItem(int commandId, bool checked) {
    if (gWindow == nullptr) return;
    const HMENU bar = GetMenu(gWindow);
    if (bar != nullptr)
        CheckMenuItem(bar, static_cast<UINT>(commandId), MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

std::string systemUiLanguage() {
    wchar_t name[LOCALE_NAME_MAX_LENGTH] = {};
    if (LCIDToLocaleName(MAKELCID(GetUserDefaultUILanguage(), SORT_DEFAULT), name, LOCALE_NAME_MAX_LENGTH, 0) <= 0)
        return {};
    return narrow(name);
}

void messageBox(const char* utf8Text, const char* utf8Caption, MessageIcon icon) {
    const std::wstring text = widen(utf8Text != nullptr ? utf8Text : "");
    const std::wstring caption = widen(utf8Caption != nullptr ? utf8Caption : "");
    const HWND owner = GetActiveWindow() != nullptr ? GetActiveWindow() : gWindow;
    const ModalScope modal;
    MessageBoxW(owner, text.c_str(), caption.c_str(),
                MB_OK | (icon == MessageIcon::Error ? MB_ICONERROR : MB_ICONINFORMATION));
}

SaveAnswer askSaveChanges(const char* utf8Text, const char* utf8Caption, const char* utf8Save,
                          const char* utf8Discard, const char* utf8Cancel) {
    const HWND owner = GetActiveWindow() != nullptr ? GetActiveWindow() : gWindow;
    return win32::askSaveChangesOver(owner, utf8Text, utf8Caption, utf8Save, utf8Discard, utf8Cancel);
}

bool askYesNo(const char* utf8Text, const char* utf8Caption, const char* utf8Yes, const char* utf8No) {
    const HWND owner = GetActiveWindow() != nullptr ? GetActiveWindow() : gWindow;
    return win32::askYesNoOver(owner, utf8Text, utf8Caption, utf8Yes, utf8No);
}

bool openFileDialog(const char* filterText, const char* defaultExt, std::string& path) {
    return runFileDialog(true, filterText, defaultExt, path);
}

bool saveFileDialog(const char* filterText, const char* defaultExt, std::string& path) {
    return runFileDialog(false, filterText, defaultExt, path);
}

std::string documentsFolder() {
    PWSTR known = nullptr;
    std::string folder;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Documents, 0, nullptr, &known)) && known != nullptr)
        folder = narrow(known);
    CoTaskMemFree(known);
    return folder;
}

}  // namespace platform

namespace platform::win32 {

HWND mainWindowHandle() { return gWindow; }


}  // namespace platform::win32
