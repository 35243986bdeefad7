// The dialogs of vantreldaq.exe from its resource templates: span selection
// (201), About (101), set time (205), the progress window (111), the
// question about unsaved work and the Yes/No question. Each modal one counts
// itself in gApp.modalDepth while it runs. Each takes the window it belongs to, so a test
// program holding the same resources can run them over a window of its own;
// the platform functions (platform/dialogs.h, progress.h, set_time_dialog.h)
// pass the main window. User-interface thread only.
#pragma once

#include <windows.h>

#include "platform/window.h"

namespace platform::win32 {

// Registers the common-control classes the templates use (up-down, progress
// bar, tooltip). Cheap to call again; each dialog calls it before it opens.
// False when Windows refused (said once in a message box): the dialog is then
// not made, and its call returns its "cannot be made" answer.
bool initDialogControls();

// Span dialog: span index + 1 on OK, 0 on Cancel, -1 when it cannot be made.
int runSpanDialogOver(HWND owner);
void runAboutDialogOver(HWND owner);
// Set-time dialog: 1030, 1031, 2 (cancelled) or -1 (cannot be made).
int runSetTimeDialogOver(HWND owner);
SaveAnswer askSaveChangesOver(HWND owner, const char* utf8Text, const char* utf8Caption, const char* utf8Save,
                              const char* utf8Discard, const char* utf8Cancel);
// Yes (true) or No (false; also Esc, the close box and a dialog that cannot
// be made). No is the default button.
bool askYesNoOver(HWND owner, const char* utf8Text, const char* utf8Caption, const char* utf8Yes,
                  const char* utf8No);

// The load report dialog, built in code (report_dialog_win32.cpp); returns
// when it is closed, at once when no report is available. Control ids:
enum ReportDialogId : int {
    kReportIdThresholds = 3001,
    kReportIdDemand,
    kReportIdRatedKw,
    kReportIdWhole,
    kReportIdShown,
    kReportIdProblem,
    kReportIdPrint,
    kReportIdSave,  // Close is IDCANCEL
};
void runLoadReportDialogOver(HWND owner);

// The progress window as a child of parent at its client's top left corner
// (the one window; a second call returns it), or nullptr.
HWND createProgressIn(HWND parent, const char* utf8Text, const char* utf8Button);
// The progress window while it exists, else nullptr. The calls below do
// nothing unless given that window.
HWND progressWindow();
void setProgressBar(HWND window, int percent);
void setProgressDetailText(HWND window, const char* utf8Text);
// Shows the window above its siblings and focuses its Abort button.
void raiseProgress(HWND window);
void destroyProgress(HWND window);
// For the message loop: keyboard navigation (Tab, Enter, Space) of the
// modeless progress window. True when msg was handled and must not be
// dispatched again.
bool progressDialogMessage(MSG& msg);

}  // namespace platform::win32
