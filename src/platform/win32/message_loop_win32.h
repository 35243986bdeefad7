// One step of the program's message loop, shared by the loop itself and by
// the tests that drive windows through it.
#pragma once

#include <windows.h>

namespace platform::win32 {

// Handles msg as the program's loop does: the progress window's Tab and Enter,
// then the main window's accelerators (for messages to it or its children),
// then the usual translation and dispatch. mainWindow and accelerators may be
// null.
void dispatchLoopMessage(MSG& msg, HWND mainWindow, HACCEL accelerators);

}  // namespace platform::win32
