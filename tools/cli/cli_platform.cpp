// Headless window system for vantreldaq-cli. See cli_platform.h.
#include "cli_platform.h"

#include "cli.h"

#include <cstdio>
#include <deque>
#include <string>

#include "platform/dialogs.h"
#include "platform/printer.h"
#include "platform/progress.h"
#include "platform/screen.h"
#include "platform/set_time_dialog.h"
#include "platform/window.h"
#include "recording/set_time.h"
#include "recording/store.h"
#include "shell/app_state.h"
#include "shell/span_dialog.h"

namespace cli {

namespace {

HostState gHost;
std::deque<int> gPosted;
int gProgressWindow;  // the one progress "window"; its address is the handle

}  // namespace

HostState& host() { return gHost; }

void resetHost() {
    gHost = HostState{};
    gPosted.clear();
}

bool takePostedCommand(int& commandId) {
    if (gPosted.empty()) return false;
    commandId = gPosted.front();
    gPosted.pop_front();
    return true;
}

bool commandsPosted() { return !gPosted.empty(); }

}  // namespace cli

namespace platform {

// ---- main window: there is none ------------------------------------------------
void* createMainWindow(const char*) { return nullptr; }
void showMainWindow() {}
int runMessageLoop() { return 0; }
void destroyMainWindow() {}
void quitMessageLoop(int) {}

void invalidate(bool) {}
void postCommand(int commandId) { cli::gPosted.push_back(commandId); }
void postTask(void (*)()) {}  // no window, no message loop: nothing to run later
void setWaitCursor(bool) {}
void focusMainWindow() {}
void copyText(const std::string&) {}
void raiseMainWindow() {}

// The fetch loop keeps the timers' pace itself.
void startTimer(int, int) {}
void stopTimer(int) {}

void setScrollBar(std::uint32_t, std::uint32_t, std::uint32_t) {}
void showScrollBar(bool) {}
void setScrollPosition(std::uint32_t) {}

void comboClear() {}
void comboAdd(const char*) {}
void comboSelect(int) {}
int comboSelection() { return -1; }

void setMenuBar(int) {}
void checkMenuItem(int, bool) {}

// The tool takes its language from --lang, never from a settings file it
// would create.
std::string systemUiLanguage() { return {}; }

// A message box becomes one line on stderr: the caption, then the text with its
// line breaks turned into blanks.
void messageBox(const char* utf8Text, const char* utf8Caption, MessageIcon) {
    std::string text = utf8Text != nullptr ? utf8Text : "";
    for (char& c : text)
        if (c == '\n') c = ' ';
    cli::sayTo(stderr, "%s: %s: %s\n", cli::kProgramName, utf8Caption != nullptr ? utf8Caption : "",
                text.c_str());
    std::fflush(stderr);
    cli::gHost.messagesShown++;
}

// Nothing on the command line is left unsaved behind the user's back: a
// fetch writes its file itself.
SaveAnswer askSaveChanges(const char*, const char*, const char*, const char*, const char*) {
    return SaveAnswer::Discard;
}

// The window's questions about ending the program are never asked here; a
// question nobody can answer stops nothing.
bool askYesNo(const char*, const char*, const char*, const char*) { return false; }

// No file dialogs: every file the command line works on is named there.
bool openFileDialog(const char*, const char*, std::string&) { return false; }
bool saveFileDialog(const char*, const char*, std::string&) { return false; }
std::string documentsFolder() { return {}; }

// ---- dialogs --------------------------------------------------------------------
// The span dialog with the span of the command line pressed: the same opening
// state, button click and OK as the window's dialog, and only if the dialog
// would have that button enabled at the logger's sample time.
int runSpanDialog() {
    cli::HostState& h = cli::gHost;
    h.spanDialogRun = true;
    const int span = h.spanRequest;
    if (span < 0 || span >= kSpanCount) return 0;
    const std::uint16_t sampleTime = gApp.transferSampleTime;
    if (!spanButtonsEnabled(sampleTime)[static_cast<std::size_t>(span)]) {
        h.spanRefused = true;
        h.refusedSampleTime = sampleTime;
        return 0;
    }
    spanDialogOpened();
    spanDialogButtonClicked(kSpanFirstButtonId + span);
    return spanDialogAccepted();
}

void runAboutDialog() {}
void runLoadReportDialog() {}

// The settime command checks its time itself; nothing opens this dialog.
int runSetTimeDialog() { return -1; }

// ---- progress "window": the fetch loop draws it -----------------------------------
void* createProgressWindow(const char*, const char*) {
    cli::gHost.progressShown = true;
    cli::gHost.progressPercent = 0;
    return &cli::gProgressWindow;
}
void setProgressPosition(void* window, int percent) {
    if (window == &cli::gProgressWindow) cli::gHost.progressPercent = percent;
}
void setProgressDetail(void*, const char*) {}
void raiseProgressWindow(void*) {}
void destroyProgressWindow(void* window) {
    if (window == &cli::gProgressWindow) cli::gHost.progressShown = false;
}

// ---- printing and screen capture: not available without a window --------------------
int choosePrinter(PrinterHandle& printer) {
    printer = nullptr;
    return kPrintNoPrinter;
}
int startPrintPage(PrinterHandle, const char*, int, int, DrawingSurface*& page) {
    page = nullptr;
    return kPrintStartFailed;
}
int endPrintPage(PrinterHandle) { return kPrintEndFailed; }
void releasePrinter(PrinterHandle) {}

bool captureMainWindow(WindowCapture& capture) {
    capture = WindowCapture{};
    return false;
}

bool renderClientAreaPng(std::vector<std::uint8_t>& png) {
    png.clear();
    return false;
}

}  // namespace platform
