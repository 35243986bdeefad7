// Per-user view preferences: what a user chose around the classic window (for
// now whether peaks are shown). They live in a small text file of their own in
// the user's configuration folder, $XDG_CONFIG_HOME/vantreldaq/view.conf (else
// ~/.config/vantreldaq/view.conf), never in DAQSetup.cnf, whose 282 bytes the
// logger's users and their tools know.
//
// The file holds "key=value" lines; "#" starts a comment. Lines this version
// does not know are kept when it writes the file.
#pragma once

#include <string>

struct UserPrefs {
    bool showPeaks = false;  // "show-peaks=1"
};

// The file's path; empty when neither XDG_CONFIG_HOME (absolute) nor HOME is set.
std::string userPrefsPath();

// The preferences in the file; defaults for a missing or unreadable file and
// for any key it lacks or cannot be read.
UserPrefs loadUserPrefs();

// Writes prefs over the file, creating its folder, through a temporary file
// renamed into place. Returns 0 or the C library's error number (ENOENT when
// there is no path).
int saveUserPrefs(const UserPrefs& prefs);

// At window creation: takes the user's preferences into the program.
void applyUserPrefs();
