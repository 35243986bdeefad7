// Entry points the main window's dispatch calls, one per command, timer, paint,
// scroll and mouse case. Each is implemented by the module that owns the rule.
#pragma once

#include <cstdint>

class DrawingSurface;

// Charts and navigation (chart/)
void createDrawingObjects();
// Releases what createDrawingObjects made; the main window is being destroyed.
void deleteDrawingObjects();
void paintCharts(DrawingSurface& surface);
// Shows a new recording whole: after a completed transfer and a good load.
// Where 600 whole columns stop short of its end (a count that is not a multiple
// of 600) the scroll bar is shown and reaches the newest records.
void resetView();
void scrollMainChart(int request, std::uint32_t thumbPosition);
void chartMouseMove(int x, int y);
void chartMouseDown(int x, int y);
void chartMouseUp(int x, int y);
// A mouse move with the state of the left button: a move without it ends a
// cursor drag whose release the window did not see.
void chartMouseMove(int x, int y, bool leftButtonDown);
// Ends a cursor drag where the cursor stands (mouse grab lost, window left).
void chartMouseCancel();
void spanComboNotification(int notification);  // 7 dropped down, 9 selection confirmed

// Transfer (device/)
void startTransfer();
void pumpCommands();
void trackProgress();
void endProgressDisplay();  // command 10000
// Abort button of the progress window: sends the abort code, stops the
// transfer and posts command 10000.
void progressAbortPressed();

// Recording files, export and set time (recording/)
// Before a command drops the recording on show: when it was fetched or
// re-timed and not saved since, asks Save / Discard / Cancel. True when the
// command may go on (saved, discarded, or nothing unsaved).
bool unsavedWorkSettled();
// While a transfer runs, says so ("finish or abort it first") and returns
// true: the command must not go on. Open, Set time and the port commands
// would otherwise change what the running transfer writes to or talks through.
bool refusedWhileTransferRunning();
void commandOpen();
// File > Open and a recording named from outside (command line, a dropped
// file) share this: the same checks, messages and view reset. A null path asks
// for the file with the open dialog, as File > Open does.
void openRecordingPath(const char* path);
void commandSave();
void commandExport(int commandId);  // 2013, 2014, 2015
void commandSetTime();

// Output (chart/)
void commandPrinter();
void commandScreenDump();

// Port selection (device/)
void openConfiguredPort();
void selectPort(int commandId);  // 2001..2008
void autoConnect();
// Before the logger is asked anything: a link whose port failed or hung up
// (see linkFailed) is closed and opened again on the same port, so a logger
// switched off and on again, or an adapter plugged back in, answers without
// the user choosing another port and back. A reopen that fails leaves the
// port marked as a failed choice (the next choice of its item retries it).
// Returns true when the link is open and has not failed.
bool reopenFailedLink();
