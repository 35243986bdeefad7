// The progress window of a transfer (dialog 111): a small modeless child of the
// main window at the top left corner of its client area, with a text (control
// 1033), a bar (control 1000, range 0..100) and an Abort button (control 1017).
// Pressing the button calls progressAbortPressed() (shell/handlers.h).
// User-interface thread only.
//
// Rules for this header: no Qt or POSIX types; every function here has a Qt
// implementation in platform/qt/ and a fake in tests/fakes/.
#pragma once

namespace platform {

// Creates and shows the window with the given texts (UTF-8), the bar at 0.
// Returns its handle, or nullptr when it cannot be created (no main window).
void* createProgressWindow(const char* utf8Text, const char* utf8Button);
// Moves the bar to percent (0..100) of a window made above.
void setProgressPosition(void* window, int percent);
// Sets the detail line under the bar (samples received, time left).
void setProgressDetail(void* window, const char* utf8Text);
// Brings the window to the front and gives it the focus.
void raiseProgressWindow(void* window);
// Destroys a window made above; nullptr is ignored.
void destroyProgressWindow(void* window);

}  // namespace platform
