// Start-up, creation, close and destroy handling of the main window.
#include "shell/main_window.h"

#include <cstring>

#include "device/link.h"
#include "device/transfer.h"
#include "platform/window.h"
#include "recording/settings_file.h"
#include "shell/app_state.h"
#include "shell/handlers.h"
#include "shell/messages.h"
#include "shell/outside_files.h"
#include "shell/ui_texts.h"
#include "shell/user_prefs.h"

namespace {

// String resources 102 and 103.
constexpr const char kWindowTitle[] = "Vantrel Data Acquisition Software";
constexpr const char kWindowClassName[] = "VantrelDaq";
static_assert(sizeof kWindowTitle <= sizeof AppState{}.windowTitle);
static_assert(sizeof kWindowClassName <= sizeof AppState{}.windowClassName);

constexpr MessageId kMsgEventFailed = 75;
constexpr MessageId kMsgSettingsFailed = 77;
constexpr MessageId kCaptionApp = 15;
constexpr MessageId kCaptionError = 43;

void saveSettingsReporting() {
    const int rc = saveSettings(gSettings);
    if (rc != 0) showMessage(kMsgSettingsFailed, kCaptionError, rc);
}

// Ends a running transfer for good before the program ends: the abort code
// goes out and reaches the line, and nothing of the transfer is left to
// send or to wait for.
void stopTransferForQuit() {
    abortTransfer();
    drainTransmitRing(1000);  // the abort reaches the line before the port closes
}

void createSignal(Event& signal) {
    // create() only refuses a signal that already exists, which is no failure.
    if (!signal.create(Event::Reset::Manual) && !signal.exists())
        showMessage(kMsgEventFailed, kCaptionApp, 0);
}

}  // namespace

int runApplication(const char* fileToOpen) {
    // Asked for before the window is made: a file handed over by a later
    // start while the window's creation still asks something (the port's
    // message) is newer and must win, not be replaced by this one.
    if (fileToOpen != nullptr) openRecordingLater(fileToOpen);
    if (!startMainWindow()) return 0;
    return platform::runMessageLoop();
}

bool startMainWindow() {
    // Until the settings file is read: COM1, English.
    gSettings.port = 1;
    std::memcpy(gApp.windowTitle, kWindowTitle, sizeof kWindowTitle);
    std::memcpy(gApp.windowClassName, kWindowClassName, sizeof kWindowClassName);

    gApp.mainWindow = platform::createMainWindow(gApp.windowTitle);
    if (gApp.mainWindow == nullptr) return false;
    createTransferSignals();
    platform::showMainWindow();
    return true;
}

void mainWindowCreated() {
    // No settings file yet: speak the language of the user's system.
    const int rc = loadOrCreateSettings(gSettings, languageForSystem(platform::systemUiLanguage()));
    if (rc != 0) showMessage(kMsgSettingsFailed, kCaptionError, rc);

    openConfiguredPort();
    // The link is closed when the open failed; the menu shows the port itself.
    if (gSettings.port > 10) gSettings.port = static_cast<std::uint16_t>(gSettings.port - 10);

    loadLanguageMenu();
    platform::startTimer(kPumpTimerId, 50);
    platform::startTimer(kProgressTimerId, 100);
    createDrawingObjects();
    applyUserPrefs();

    fillSpanCombo();
    platform::comboSelect(0);
    platform::showScrollBar(false);
}

void createTransferSignals() {
    createSignal(gApp.deviceAnswered);
    createSignal(gApp.countConfirmed);
}

bool mainWindowCloseRequested() {
    // After the session's questions were answered, its closing of the window
    // does not ask them again.
    if (!gApp.quitAgreed && (!transferSettledForQuit() || !unsavedWorkSettled())) return false;
    saveSettingsReporting();
    platform::stopTimer(kPumpTimerId);
    return true;
}

bool transferSettledForQuit() {
    if (!transferRunning()) return true;
    if (!platform::askYesNo(uiText(UiText::StopTransferAndQuit), messageTextPtr(kCaptionApp),
                            uiText(UiText::QuestionYes), uiText(UiText::QuestionNo)))
        return false;
    // It may have ended while the question was open.
    if (transferRunning()) stopTransferForQuit();
    return true;
}

bool sessionEndRequested(bool mayAsk) {
    if (mayAsk) {
        if (!transferSettledForQuit() || !unsavedWorkSettled()) return false;
        gApp.quitAgreed = 1;
        saveSettingsReporting();
        return true;
    }
    // No message box where the session lets us show none.
    saveSettings(gSettings);
    return true;
}

void sessionEnding() {
    if (transferRunning()) stopTransferForQuit();
    saveSettings(gSettings);  // nobody is left to read a message now
    gLinkCalls.close();
}

void sessionEndCancelled() { gApp.quitAgreed = 0; }

const char* quitBlockReason() {
    if (transferRunning()) return uiText(UiText::StopTransferAndQuit);
    if (gApp.dataPresent && gApp.unsavedWork) return uiText(UiText::SaveChangesQuestion);
    return nullptr;
}

void mainWindowDestroyed() {
    platform::setMenuBar(0);
    // Both I/O threads are joined before the signals they raise go away.
    gLinkCalls.close();
    gApp.deviceAnswered.close();
    gApp.countConfirmed.close();
    deleteDrawingObjects();
    gApp.mainWindow = nullptr;
    platform::quitMessageLoop(0);
}

void mainWindowTimer(int timerId) {
    if (timerId == kPumpTimerId) pumpCommands();
    else if (timerId == kProgressTimerId) {
        trackProgress();
        openPendingRecording();  // one that came while a dialog was open
    }
}
