// Which folder the program runs in, and so where its settings file
// (DAQSetup.cnf, kept in the current folder) is read and written. A copy
// started in a folder the user cannot write (the installed program in
// Program Files, a read-only share) would otherwise fail to save its settings
// at every start and close.
#pragma once

#include <string>

enum class SettingsFolder {
    Current,  // stay in the folder the program was started in
    User,     // enter the per-user folder
};

// Whether a new file can be made in folder (UTF-8; "." for the current one):
// a uniquely named empty file is created there and removed again. Asking the
// file system for permission bits is not enough: an administrator, a
// read-only mount, a network share or a Windows folder's access list each
// answer differently from what a write does.
bool folderTakesNewFiles(const std::string& folder);

// The folder to run in. With userFolderAsked ("--user-folder") the per-user
// folder, unless it cannot be written and the current one can; without it
// the current folder, unless it cannot be written and the per-user one can.
// When neither can be written the asked-for (or current) folder stays, and
// saving the settings reports its failure there. The per-user folder,
// userFolder (UTF-8), is created when it is tried; the current folder is
// probed as "." (currentFolder; a parameter for tests).
SettingsFolder chooseSettingsFolder(bool userFolderAsked, const std::string& userFolder,
                                    const std::string& currentFolder = ".");
