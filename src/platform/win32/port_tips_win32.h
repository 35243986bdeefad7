// The tips of the Communication menu's COM items: while an item is
// highlighted, a tip beside it says which device the number stands for (the
// Device Manager's name, "USB Serial Port (COM12)", or the port's), as the Qt
// build's tool tips do; menus of Windows have no tips of their own.
#pragma once

#include <windows.h>

#include <string>

namespace platform::win32 {

// Follows the main window's menu messages (WM_MENUSELECT, WM_EXITMENULOOP,
// WM_DESTROY); never consumes one, so the window handles them as before.
void portTipMessage(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);

// The text of the tip shown now; empty when none is shown. For tests.
std::wstring shownPortTip();

}  // namespace platform::win32
