// What the core asks of the window system: the main window and its controls,
// timers, posted commands, message boxes, cursors and file dialogs. The Qt
// implementation lives in platform/qt/, a recording fake in tests/fakes/.
// Everything here runs on the user-interface thread.
//
// Rules for this header: no Qt or POSIX types; every function added here gets an
// implementation in platform/qt/, platform/win32/, tools/cli/cli_platform.cpp
// and tests/fakes/ in the same change.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// ---- main window lifetime ----------------------------------------------------
// Makes the main window (fixed client size, its combo box and scroll bar, no
// menu yet) titled utf8Title. The shell's creation handling,
// mainWindowCreated() in shell/main_window.h, runs before this returns.
// Returns the window's handle, or nullptr when no window could be made.
void* createMainWindow(const char* utf8Title);
// Shows the main window and paints it at once.
void showMainWindow();
// Runs the message loop until quitMessageLoop() is called; returns its code.
int runMessageLoop();
// Destroys the main window now: the shell's destroy handling,
// mainWindowDestroyed(), runs first; the controls and timers go with it.
// Does nothing when there is no main window.
void destroyMainWindow();
// Ends the message loop with exitCode once control returns to it.
void quitMessageLoop(int exitCode);

// ---- main window -----------------------------------------------------------
// Asks for a repaint of the whole client area, erasing it to the background
// first when erase is true. Repeated requests before the paint coalesce.
void invalidate(bool erase);
// Queues a command id to the main window's command dispatch (posted, not run now).
void postCommand(int commandId);
// Queues task to run on the user-interface thread once control is back in the
// message loop, while the main window that exists now still exists.
void postTask(void (*task)());
// Hourglass while the user-interface thread blocks; arrow again afterwards.
void setWaitCursor(bool wait);
// Gives the keyboard focus back to the main window.
void focusMainWindow();
// Puts utf8 text on the clipboard ("\n" line ends; each system's own there).
void copyText(const std::string& utf8);

// ---- timers ----------------------------------------------------------------
void startTimer(int timerId, int periodMs);
void stopTimer(int timerId);

// ---- scroll bar under the main chart (control 200) ---------------------------
// Range 0..maximum, thumb size page, thumb at position. Full 32-bit positions.
void setScrollBar(std::uint32_t maximum, std::uint32_t page, std::uint32_t position);
void showScrollBar(bool visible);
void setScrollPosition(std::uint32_t position);

// ---- zoom-span combo box (control 100) ---------------------------------------
void comboClear();
void comboAdd(const char* utf8Text);
void comboSelect(int index);   // -1: no selection
int comboSelection();          // -1 when nothing is selected

// ---- menus -----------------------------------------------------------------
// Replaces the menu bar by menu resource 204 (English) or 304 (German);
// 0 removes the menu bar. Check marks start cleared.
void setMenuBar(int menuResource);
void checkMenuItem(int commandId, bool checked);

// ---- message box ---------------------------------------------------------------
enum class MessageIcon { Information, Error };
// Modal box with one OK button over the active window; returns when closed.
void messageBox(const char* utf8Text, const char* utf8Caption, MessageIcon icon);

// Modal question with three buttons (Save, Discard, Cancel; Esc and the close
// box mean Cancel) over the active window.
enum class SaveAnswer { Save, Discard, Cancel };
SaveAnswer askSaveChanges(const char* utf8Text, const char* utf8Caption, const char* utf8Save,
                          const char* utf8Discard, const char* utf8Cancel);

// Modal question with two buttons over the active window: true for Yes; No,
// Esc and the close box give false. No is the default button.
bool askYesNo(const char* utf8Text, const char* utf8Caption, const char* utf8Yes, const char* utf8No);

// Every call above that shows a box and every file dialog runs a modal loop,
// counted in gApp.modalDepth while it runs (shell/modal_scope.h).

// ---- the user's language ----------------------------------------------------------
// The language of the system's user interface as a tag ("de-DE", "en-US"; ""
// when unknown). Only asked at a first start, when no settings file says
// which language to speak.
std::string systemUiLanguage();

// ---- file dialogs ----------------------------------------------------------------
// Returns true and the chosen path, or false when the user cancelled.
// filterText is e.g. "UDD File (*.udd)"; defaultExt is appended when the name has none.
// The open dialog only accepts existing files; the save dialog asks before overwriting.
bool openFileDialog(const char* filterText, const char* defaultExt, std::string& path);
bool saveFileDialog(const char* filterText, const char* defaultExt, std::string& path);

}  // namespace platform
