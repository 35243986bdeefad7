// The load report in the window: the dialog's options as typed and as kept
// in the view preferences, the figures over the whole recording or over the
// records the main chart shows, and Print… and Save… with their messages.
// The Qt and Win32 dialogs only show controls and the page and call these.
// User-interface thread only.
#pragma once

#include <string>
#include <vector>

#include "report/load_report.h"
#include "report/report_page.h"
#include "shell/user_prefs.h"

inline constexpr int kMaxDialogThresholds = 8;  // what the preferences file keeps

// Thresholds as typed: levels 1..254 separated by commas, semicolons or
// blanks, at most kMaxDialogThresholds. False (levels untouched) otherwise.
bool parseReportLevels(const std::string& text, std::vector<int>& levels);
// "80, 100".
std::string formatReportLevels(const std::vector<int>& levels);

// Rated power as typed: empty is 0 (none); else digits with at most one '.'
// or ',' giving a power above 0 and up to 1,000,000 kW. False otherwise.
bool parseReportKw(const std::string& text, double& kw);
// "" for 0; else up to three decimals, no trailing zeros, the language's
// decimal sign: 7.5 -> "7.5" / "7,5".
std::string formatReportKw(double kw, bool german);

// The figures' options from the preferences (a value the file could not
// have held falls back to its default).
ReportOptions reportOptionsFromPrefs(const UserPrefs& prefs);

// Language in force and the preferences' scope.
ReportLook windowReportLook(const UserPrefs& prefs);

// The figures over the whole recording in memory, or over the records the
// main chart shows (gApp.mainStart .. gApp.mainLast) when the preferences
// ask for that. False, with out emptied, when no recording is shown.
bool computeWindowReport(const UserPrefs& prefs, LoadReport& out);

// Whether the window can open the report: a recording is shown and no
// transfer is filling the store.
bool loadReportAvailable();

// The chart menu's "Load report…", from the message loop: the dialog while
// loadReportAvailable(), else nothing.
void commandLoadReport();

// Print…: lets the user choose a printer and prints the page on one sheet
// (landscape preselected). A missing printer or a failed job is told in a
// message box; a cancelled choice does nothing. Returns 0 or the printer
// layer's code.
int printLoadReport(const LoadReport& r, const ReportLook& look);

// Writes the HTML file. A failure is told in a message box naming the file
// and the reason; the file already there, if any, stays as it was. Returns 0
// or the error number.
int saveLoadReport(const std::string& utf8Path, const LoadReport& r, const ReportLook& look);

// Save…: the program's save dialog, starting where pictures were last saved
// and proposing the recording's name with ".html", then saveLoadReport. A
// cancelled dialog does nothing.
void commandSaveLoadReport(const LoadReport& r, const ReportLook& look);

// When the dialog closes: its report options go into the preferences file;
// the file's other choices stay as they are there.
void keepReportOptions(const UserPrefs& chosen);
