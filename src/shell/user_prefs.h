// Per-user view preferences: what a user chose around the classic window
// (whether peaks are shown, the last folder of each kind of file, the load
// report's options). They live in a small text file of their own in
// the user's configuration folder, $XDG_CONFIG_HOME/vantreldaq/view.conf (else
// ~/.config/vantreldaq/view.conf) unless the platform layer names the file
// (the Windows program: %APPDATA%\VantrelDAQ\view.conf), never in DAQSetup.cnf,
// whose 282 bytes the logger's users and their tools know.
//
// The file holds "key=value" lines; "#" starts a comment. Lines this version
// does not know are kept when it writes the file.
#pragma once

#include <string>
#include <vector>

struct UserPrefs {
    bool showPeaks = false;  // "show-peaks=1"
    // Last folders the file dialogs were left in (UTF-8; empty: none yet).
    std::string recordingsFolder;  // "folder-recordings=" (open and save)
    std::string exportsFolder;     // "folder-exports=" (CSV)
    std::string picturesFolder;    // "folder-pictures=" (screen dumps, reports)
    // Load report options.
    std::vector<int> reportThresholds{80, 100};  // "report-thresholds=80,100" (1-254 each)
    int reportDemandMinutes = 15;                // "report-demand=15" (1, 5, 10, 15, 30, 60)
    double reportRatedKw = 0;                    // "report-rated-kw=" (0: not given)
    bool reportShownOnly = false;                // "report-scope=shown" (else "whole")
};

// The file's path (UTF-8): the one setUserPrefsPath named, else from the
// environment; empty when neither XDG_CONFIG_HOME (absolute) nor HOME is set.
std::string userPrefsPath();

// Names the file for systems whose per-user folder is not found through the
// environment (Windows asks the shell for it). UTF-8; empty goes back to the
// environment. Set before the window is made.
void setUserPrefsPath(const std::string& utf8Path);

// The preferences in the file; defaults for a missing or unreadable file and
// for any key it lacks or cannot be read.
UserPrefs loadUserPrefs();

// Writes prefs over the file, creating its folder, through a temporary file
// renamed into place. Returns 0 or the C library's error number (ENOENT when
// there is no path).
int saveUserPrefs(const UserPrefs& prefs);

// At window creation: takes the user's preferences into the program.
void applyUserPrefs();

// The user shows or hides peaks: the charts repaint and the choice is kept
// in the file (a file that cannot be written keeps it for this run only).
void setPeaksShown(bool shown);
