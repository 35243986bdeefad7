// The platform's dialog and progress calls for vantreldaq.exe: the dialogs of
// dialogs_win32.h over the program's main window.
#include <windows.h>

#include <cwchar>

#include "platform/dialogs.h"
#include "platform/progress.h"
#include "platform/set_time_dialog.h"
#include "platform/win32/dialogs_win32.h"

namespace {

BOOL CALLBACK findMain(HWND hwnd, LPARAM param) {
    wchar_t name[32] = {};
    GetClassNameW(hwnd, name, 32);
    if (std::wcscmp(name, L"VantrelDaq") != 0) return TRUE;  // the class window_win32.cpp registers
    *reinterpret_cast<HWND*>(param) = hwnd;
    return FALSE;
}

// The main window of this (the user-interface) thread, or nullptr.
HWND mainWindow() {
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), findMain, reinterpret_cast<LPARAM>(&found));
    return found;
}

}  // namespace

namespace platform {

int runSpanDialog() { return win32::runSpanDialogOver(mainWindow()); }
void runAboutDialog() { win32::runAboutDialogOver(mainWindow()); }
void runLoadReportDialog() { win32::runLoadReportDialogOver(mainWindow()); }
int runSetTimeDialog() { return win32::runSetTimeDialogOver(mainWindow()); }

void* createProgressWindow(const char* utf8Text, const char* utf8Button) {
    return win32::createProgressIn(mainWindow(), utf8Text, utf8Button);
}
void setProgressPosition(void* window, int percent) {
    win32::setProgressBar(static_cast<HWND>(window), percent);
}
void setProgressDetail(void* window, const char* utf8Text) {
    win32::setProgressDetailText(static_cast<HWND>(window), utf8Text);
}
void raiseProgressWindow(void* window) { win32::raiseProgress(static_cast<HWND>(window)); }
void destroyProgressWindow(void* window) { win32::destroyProgress(static_cast<HWND>(window)); }

}  // namespace platform
