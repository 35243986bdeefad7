// The set-time dialog (resource 205), built by the platform layer. Its rules
// (fields, ranges, start values, checks) are the core's, in recording/set_time.h.
#pragma once

namespace platform {

// Runs the dialog modally over the main window, filled from record 0's time.
// Returns 1030 (start time chosen) or 1031 (end time chosen) once the typed
// time passed the checks into gApp.timeEntry, 2 when cancelled (button, Esc
// or close box), -1 when it cannot be shown.
int runSetTimeDialog();

}  // namespace platform
