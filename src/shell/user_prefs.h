// Per-user view preferences: what a user chose around the classic window (for
// now whether peaks are shown). They live in a small text file of their own in
// the user's configuration folder, $XDG_CONFIG_HOME/vantreldaq/view.conf (else
// ~/.config/vantreldaq/view.conf) unless the platform layer names the file
// (the Windows program: %APPDATA%\VantrelDAQ\view.conf), never in DAQSetup.cnf,
// whose 282 bytes the logger's users and their tools know.
//
// The file holds "key=value" lines; "#" starts a comment. Lines this version
// does not know are kept when it writes the file.
#pragma once

#include <string>

struct UserPrefs {
    bool showPeaks = false;  // "show-peaks=1"
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
