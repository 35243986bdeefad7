// Driving vantreldaq.exe from a test program under Wine: where it lies and
// which of its windows are up.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace wintest {

// A file beside the running test program (the build folder).
std::wstring besideTest(const wchar_t* name);

// The visible top-level windows of process pid: its main window, an open
// pop-up menu, and its dialogs (message boxes and common dialogs included).
struct ProgramWindows {
    HWND main = nullptr;
    HWND menu = nullptr;
    std::vector<HWND> dialogs;
};
ProgramWindows programWindows(DWORD pid);

// The text of a dialog's control, as UTF-8.
std::string controlText(HWND dialog, int id);

// The text of the tool tip process pid shows now, as UTF-8; empty when none.
std::string shownToolTip(DWORD pid);

}  // namespace wintest
