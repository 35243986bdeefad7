// The main window's handle for the parts of the Win32 layer that draw or ask
// over it (printing, the screen capture) but live outside window_win32.cpp.
#pragma once

#include <windows.h>

#include <string>

#include "platform/screen.h"

namespace platform::win32 {

// The main window, or null before it is made and after it is gone.
HWND mainWindowHandle();

// Where the screen shows exactly the window, given its outer rectangle as the
// program sees it and the compositor's rectangle of it (DWMWA_EXTENDED_FRAME_
// BOUNDS; null without composition): outer itself when the two agree or there
// is no compositor, the compositor's when it lies inside outer (borders the
// compositor does not draw). False when they count different pixels (the
// system scales this DPI-unaware window): the screen cannot give the window.
bool screenRectOfWindow(const RECT& outer, const RECT* frame, RECT& shown);

// The window's outer rectangle as the window draws it (PrintWindow), frame
// included, in its own coordinates: the screen dump's picture where the
// screen would not show exactly the window. False, capture empty, when it
// cannot be drawn. fromScreen is false.
bool captureWindowDrawn(HWND window, WindowCapture& capture);

}  // namespace platform::win32
