// The main window's handle for the parts of the Win32 layer that draw or ask
// over it (printing, the screen capture) but live outside window_win32.cpp.
#pragma once

#include <windows.h>

#include <string>

namespace platform::win32 {

// The main window, or null before it is made and after it is gone.
HWND mainWindowHandle();

}  // namespace platform::win32
