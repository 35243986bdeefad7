// Qt-side access to the main window for the other Qt pieces of the platform
// layer (dialogs, progress window, printing, screen capture).
#pragma once

#include <string>

class QMenu;
class QSessionManager;
class QString;
class QWidget;

// The main window, or nullptr before it exists / after it is destroyed.
QWidget* qtMainWindow();
// The main window's client area (800 px wide, the charts' coordinates), or
// nullptr when there is no main window.
QWidget* qtClientArea();

// The desktop session is about to end (QGuiApplication::commitDataRequest):
// asks what the close box asks when the session manager lets us, cancels the
// session's end on No or Cancel, and writes the settings.
void qtCommitSessionData(QSessionManager& manager);

// Counts menu as one of our modal menus (gApp.modalDepth) while it is shown.
void qtCountWhileShown(QMenu* menu);

// Holds the main window's timers and posted commands (true) or lets them run
// again (false; commands posted meanwhile then run in order).
void qtHoldProgramEvents(bool hold);

// Lets a menu that has just closed leave the screen before a capture: for
// about `ms` milliseconds only the window system's own events (expose, paint)
// are handled; no input, no timer and no posted command of ours runs.
void qtLetTheScreenSettle(int ms);

// Command-line flag of the desktop entry: run in the per-user folder, so the
// settings file is the same wherever the launcher starts the program.
inline constexpr char kUserFolderFlag[] = "--user-folder";

// The per-user folder: $XDG_DATA_HOME/vantreldaq (~/.local/share/vantreldaq).
QString qtUserFolder();

// Takes kUserFolderFlag out of argv (the other arguments, such as a file to
// open, keep their order) and enters the folder chooseSettingsFolder names
// (shell/settings_folder.h): the per-user one, created when needed, with the
// flag or when the current folder cannot be written. False when the per-user
// folder was chosen but could not be entered (the program then runs in the
// current folder).
bool qtEnterSettingsFolder(int& argc, char** argv);

// One program per user (shell/single_instance.h): offers message to the
// program already running for this user, over a local socket named after the
// user in $XDG_RUNTIME_DIR (else the temporary folder). True when it took
// the message: this start then ends. Otherwise this start is the first and
// listens for later ones for the rest of its life, taking over a socket left
// behind by a program that ended without removing it; a program that holds
// the socket but does not answer within kHandOverWaitMs (hung) keeps it, and
// this start runs on its own.
bool qtHandOverOrListen(const std::string& message);

// Installs Qt's German translation for Qt's own texts (standard buttons, file
// and print dialogs) when german, removes it otherwise. The menu bar of a
// language is set through here, so Qt's texts follow the program's language.
void qtUseGermanQtTexts(bool german);
