// The end of the desktop session for the main window: Windows asks every
// program whether the session may end (WM_QUERYENDSESSION) and then tells it
// whether it does (WM_ENDSESSION). Kept apart from window_win32.cpp so a test
// can hand these messages to a window of its own.
#pragma once

#include <windows.h>

namespace platform::win32 {

// Handles WM_QUERYENDSESSION and WM_ENDSESSION for hwnd: true, with result
// set, when msg was one of them. The query asks what the close box asks (a
// running transfer, then unsaved work) and answers FALSE when the user keeps
// the program; while it asks, Windows shows the question as the reason the
// session waits. An ending session writes the settings and closes the link.
bool sessionMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);

}  // namespace platform::win32
