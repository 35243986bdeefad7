// The Win32 side of reading the charts: the readout beside the pointer, wheel
// and keys, the context menu (right button, the Menu key, Shift+F10), dropped
// recording files, and where the per-user view preferences live. Only events,
// the menu and drawing live here; what they mean is decided in
// chart/chart_reading.h, chart/envelope.h and shell/outside_files.h.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <string>

namespace platform::win32 {

// At the main window's WM_CREATE, before the shell's creation handling reads
// the preferences: names %APPDATA%\VantrelDAQ\view.conf for them, makes the
// (hidden) readout and accepts dropped files.
void installChartReading(HWND window);

// The main window's messages this part handles: pointer tracking (observed,
// never used up), WM_MOUSELEAVE, WM_MOUSEWHEEL, WM_KEYDOWN of the chart keys,
// WM_CONTEXTMENU and WM_DROPFILES. Returns true with result set when the
// message is used up.
bool chartReadingMessage(HWND window, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);

// Ids of the context menu's items.
// One id per ChartCommand, in its order, from kMenuChartFirst up to kMenuChartEnd.
enum ChartMenuId : UINT {
    kMenuChartFirst = 0x7E01,
    kMenuShowPeaks = kMenuChartFirst,
    kMenuCopyValue,
    kMenuSavePicture,
    kMenuLoadReport,
    kMenuChartEnd
};

// The context menu for client point (x, y), in the current language: "Show
// peaks" (checked when shown), "Copy value" (grayed where no readout shows),
// a separator, "Save picture as PNG…", "Load report…". The caller destroys it.
HMENU buildChartContextMenu(int x, int y);

// What choosing item id of the menu built for (x, y) does: toggles peaks,
// puts the readout on the clipboard (owner window), or posts the save.
void runChartMenuCommand(HWND owner, UINT id, int x, int y);

// The first dropped file that is a recording, as UTF-8, or empty.
std::string droppedRecording(HDROP drop);

// A drop onto the window: its first recording is opened once control is back
// in the message loop (never inside the drop). Frees the drop.
void handleDroppedFiles(HDROP drop);

}  // namespace platform::win32
