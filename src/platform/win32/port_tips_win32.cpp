#include "platform/win32/port_tips_win32.h"

#include <commctrl.h>

#include "device/transfer.h"
#include "platform/serial.h"
#include "platform/win32/text_win32.h"

namespace platform::win32 {

namespace {

HWND gTip = nullptr;     // the tracking tool tip, made on first use
std::wstring gTipText;   // its text while shown; the tool info points here
bool gTipShown = false;

TTTOOLINFOW toolInfo(HWND window) {
    TTTOOLINFOW info{};
    // The size common controls 5 knows as well as 6.
    info.cbSize = TTTOOLINFOW_V2_SIZE;
    info.uFlags = TTF_TRACK | TTF_ABSOLUTE;
    info.hwnd = window;
    info.uId = 1;
    info.lpszText = gTipText.data();
    return info;
}

void hideTip(HWND window) {
    if (gTip == nullptr || !gTipShown) return;
    TTTOOLINFOW info = toolInfo(window);
    SendMessageW(gTip, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&info));
    gTipShown = false;
    gTipText.clear();
}

bool makeTip(HWND window) {
    if (gTip != nullptr) return true;
    INITCOMMONCONTROLSEX icc{};
    icc.dwSize = sizeof icc;
    icc.dwICC = ICC_BAR_CLASSES;  // the tool tip class
    InitCommonControlsEx(&icc);
    gTip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                           CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
    if (gTip == nullptr) return false;
    gTipText = L"-";
    TTTOOLINFOW info = toolInfo(window);
    SendMessageW(gTip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
    return true;
}

// Shows the tip of COM<port> beside its item (item `position` of `menu`).
void showTip(HWND window, HMENU menu, int position, int port) {
    RECT item{};
    if (!GetMenuItemRect(window, menu, static_cast<UINT>(position), &item) || !makeTip(window)) return;
    const std::string description = serialPortDescription(port);
    gTipText = description.empty() ? L"-" : widen(description);
    TTTOOLINFOW info = toolInfo(window);
    SendMessageW(gTip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&info));
    SendMessageW(gTip, TTM_TRACKPOSITION, 0, MAKELPARAM(item.right + 4, item.top));
    SendMessageW(gTip, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&info));
    gTipShown = true;
}

}  // namespace

void portTipMessage(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_MENUSELECT: {
        const int id = LOWORD(wParam);
        const UINT flags = HIWORD(wParam);
        const HMENU menu = reinterpret_cast<HMENU>(lParam);
        const int port = id - kCommandFirstPort;
        if (menu == nullptr || (flags & MF_POPUP) != 0 || port < kFirstSerialPort || port > kLastMenuSerialPort) {
            hideTip(window);
            return;
        }
        for (int i = 0, n = GetMenuItemCount(menu); i < n; ++i) {
            if (GetMenuItemID(menu, i) == static_cast<UINT>(id)) {
                showTip(window, menu, i, port);
                return;
            }
        }
        hideTip(window);
        return;
    }
    case WM_EXITMENULOOP:
        hideTip(window);
        return;
    case WM_DESTROY:
        // The tip is owned by the window and goes with it.
        gTip = nullptr;
        gTipShown = false;
        gTipText.clear();
        return;
    default:
        return;
    }
}

std::wstring shownPortTip() { return gTipShown ? gTipText : std::wstring(); }

}  // namespace platform::win32
