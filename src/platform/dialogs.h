// Modal dialogs of the shell. Their rules (which spans are enabled, what the
// buttons return) live in the core; the platform only builds and runs them.
#pragma once

namespace platform {

// Span selection dialog over the main window: span index + 1 (1..14) on OK,
// 0 on Cancel / Esc / close box, -1 if it cannot be shown.
int runSpanDialog();
// About dialog over the main window.
void runAboutDialog();
// Load report dialog over the main window (report/report_window.h has its
// rules); returns when it is closed.
void runLoadReportDialog();

}  // namespace platform
