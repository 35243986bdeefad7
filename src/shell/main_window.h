// The main window's life and its dispatch: start-up, the creation, close and
// destroy handling, timer ticks and the command table. The platform layer
// turns window-system events into these calls; everything here runs on the
// user-interface thread.
#pragma once

#include <cstdint>

// Client area of the main window in pixels. Every chart coordinate, the combo
// box and the scroll bar are fixed positions inside it; the printout maps the
// same size onto paper.
inline constexpr int kClientWidth = 800;
inline constexpr int kClientHeight = 578;  // 600 less the bottom frame edge and the menu bar

// Where the main window starts: in the middle of the screen, from its outer
// size. Negative when the screen is the smaller, so the window's middle
// still sits on the screen's middle (division truncates toward zero).
struct WindowOrigin {
    int x;
    int y;
};
constexpr WindowOrigin centredWindowOrigin(int screenWidth, int screenHeight, int windowWidth, int windowHeight) {
    return {(screenWidth - windowWidth) / 2, (screenHeight - windowHeight) / 2};
}

// Child controls (client pixels).
inline constexpr int kSpanComboId = 100;
inline constexpr int kSpanComboX = 10, kSpanComboY = 330, kSpanComboWidth = 100, kSpanComboHeight = 270;
inline constexpr int kScrollBarId = 200;
inline constexpr int kScrollBarX = 150, kScrollBarY = 555, kScrollBarWidth = 600, kScrollBarHeight = 20;

// Timers of the main window.
inline constexpr int kPumpTimerId = 50;       // sends queued codes, every 50 ms
inline constexpr int kProgressTimerId = 100;  // progress bar and end of transfer, every 100 ms

// Menu and command ids.
enum CommandId : int {
    CmdAbout = 103,
    CmdExit = 105,
    CmdPortFirst = 2001,
    CmdPortLast = 2008,
    CmdSave = 2009,
    CmdOpen = 2010,
    CmdExportZoom = 2013,
    CmdExportMain = 2014,
    CmdExportAll = 2015,
    CmdTransfer = 2016,
    CmdSetTime = 2017,
    CmdScreenDump = 2018,
    CmdPrinter = 2019,
    CmdEnglish = 2020,
    CmdGerman = 2120,
    CmdAutoConnect = 2022,
    CmdEndProgress = 10000,
};

// Combo box notifications carried with command 100.
inline constexpr int kComboDroppedDown = 7;
inline constexpr int kComboSelectionConfirmed = 9;

// The program: sets the start-up defaults, creates the main window and the two
// signals, shows the window and runs the message loop. Returns the exit code:
// 0, also when the window could not be created. fileToOpen, when given, is
// opened as by File > Open once the message loop runs (shell/outside_files.h).
int runApplication(const char* fileToOpen = nullptr);
// runApplication without the message loop: false when no window was made.
bool startMainWindow();

// Creation handling, run by platform::createMainWindow while the window is
// being made: settings, port, menu, timers, drawing objects, combo box and
// scroll bar, in that order.
void mainWindowCreated();
// After the window exists: the two manual-reset signals of the transfer.
void createTransferSignals();
// Close box / system menu: first settles a running transfer and then unsaved
// work (the user may keep the program: returns false and the window stays),
// then writes the settings file and stops timer 50 and returns true; the
// platform then destroys the window.
bool mainWindowCloseRequested();
// Before the program ends while a transfer runs (Exit, the close box, the end
// of the desktop session): asks whether to stop it. Yes sends the abort code
// and lets it reach the line before anything closes the port, and returns
// true; No returns false with the program and the transfer going on. True at
// once when no transfer runs.
bool transferSettledForQuit();
// The desktop session is about to end. When mayAsk (the session lets the
// program talk to the user) the same questions as the close box come first,
// and a No or Cancel returns false: the session is asked to wait. When the
// program may end, the settings file is written and true returned.
bool sessionEndRequested(bool mayAsk);
// The session ends now, and the window may never see its destroy handling: a
// transfer still running is stopped (abort code on the line), the settings
// file is written and the link closed.
void sessionEnding();
// The session end was called off: the program goes on as before, and a later
// close asks its questions again.
void sessionEndCancelled();
// The first question ending the program now would ask (a running transfer,
// then unsaved work), for the system to show while it waits; null when there
// is nothing to ask.
const char* quitBlockReason();
// Destroy handling: menu, link, signals, drawing objects, then the message loop
// is told to end with code 0.
void mainWindowDestroyed();
// A tick of timer 50 or 100; other ids are ignored.
void mainWindowTimer(int timerId);

// Runs the command with the given id; notification is the control's
// notification code (only command 100, the zoom-span combo box, has one).
// Commands that need a recording show message 45 with their own caption when
// none is present and do nothing else. Returns false for an id outside the
// command table, which has no effect.
bool dispatchCommand(int commandId, int notification = 0);
// True for the ids that dispatchCommand handles.
bool commandInTable(int commandId);

// The check marks and the menu of the current language, and the language
// switch (commands 2020 and 2120).
void loadLanguageMenu();
void fillSpanCombo();
void switchLanguage(int commandId);
