// Which serial port the link uses: the start-up open, the COM menu and the
// search for a logger on every port (Auto connect).
//
// Settings.port holds 1..8 for the current port, or the port + 10 when the
// user's last choice of it failed to open (the "mark"); the value is saved as
// it stands. gApp.linkPort records which port the link really is open on, so
// a port whose open failed at start-up (the window strips that mark when it
// places the menu check) is still known to be closed: choosing it again
// retries it, as it would after a failed choice from the menu.
#include <atomic>

#include "device/link.h"
#include "device/transfer.h"
#include "platform/window.h"
#include "recording/settings_file.h"
#include "recording/store.h"
#include "shell/app_state.h"
#include "shell/handlers.h"
#include "shell/messages.h"

namespace {

constexpr MessageId kMsgCaptionComm = 42;   // "Communication"
constexpr MessageId kMsgCaptionError = 43;  // "Error:"
constexpr MessageId kMsgSettingsError = 77;
constexpr MessageId kMsgPortUnavailable = 78;
constexpr MessageId kMsgNotFound = 89;

constexpr std::uint16_t kPortMark = 10;
constexpr int kPortCount = 8;

bool isMarked(std::uint16_t port) { return port > kPortMark; }

bool openPort(std::uint16_t port) {
    if (gLinkCalls.open(port, kLinkBaud) == 1) {
        gApp.linkPort = port;
        return true;
    }
    gApp.linkPort = 0;
    return false;
}

void closePort() {
    gLinkCalls.close();
    gApp.linkPort = 0;
}

void saveChoice() {
    const int result = saveSettings(gSettings);
    if (result != 0) showMessage(kMsgSettingsError, kMsgCaptionError, result);
}

}  // namespace

void openConfiguredPort() {
    // A stored mark (a failed choice saved at close) names the port it marks;
    // opening "COM13" could never succeed. A value that names no port at all
    // (a damaged file) falls back to COM1, the first-start default.
    std::uint16_t port = gSettings.port;
    if (isMarked(port)) port = static_cast<std::uint16_t>(port - kPortMark);
    if (port < 1 || port > kPortCount) port = 1;
    gSettings.port = port;
    if (!openPort(port)) {
        showMessage(kMsgPortUnavailable, kMsgCaptionComm, 0);
        gSettings.port = static_cast<std::uint16_t>(port + kPortMark);
    }
}

void selectPort(int commandId) {
    const int chosen = commandId - kCommandFirstPort;
    if (chosen < 1 || chosen > kPortCount) return;
    const auto n = static_cast<std::uint16_t>(chosen);
    // Closing the port would cut the stream off under the transfer.
    if (refusedWhileTransferRunning()) return;

    // Already open on it, unless that port failed: then choosing it again is
    // how the user gets it back.
    if (n == gSettings.port && gApp.linkPort == n && !linkFailed()) return;

    if (!isMarked(gSettings.port)) {
        closePort();
    } else {
        gSettings.port = static_cast<std::uint16_t>(gSettings.port - kPortMark);
    }
    platform::checkMenuItem(kCommandFirstPort + gSettings.port, false);
    platform::checkMenuItem(commandId, true);

    gSettings.port = n;
    if (openPort(n)) {
        saveChoice();
    } else {
        // The check mark stays on the chosen item; the mark is saved at close.
        showMessage(kMsgPortUnavailable, kMsgCaptionComm, 0);
        gSettings.port = static_cast<std::uint16_t>(n + kPortMark);
    }
}

void autoConnect() {
    if (refusedWhileTransferRunning()) return;
    // A failed link is closed below like a sound one, and its port tried anew.
    platform::setWaitCursor(true);
    if (!isMarked(gSettings.port)) closePort();

    std::uint16_t found = 0;
    for (std::uint16_t n = 1; n <= kPortCount && found == 0; ++n) {
        if (!openPort(n)) continue;
        gApp.deviceAnswered.reset();  // before the ping: a quick answer must count
        sendPing();
        const bool answered = gApp.deviceAnswered.wait(gDeviceWaits.searchMs);
        gApp.deviceAnswered.reset();
        if (answered) {
            found = n;  // the link stays open on it
        } else {
            closePort();
        }
    }
    platform::setWaitCursor(false);

    if (found != 0) {
        if (isMarked(gSettings.port)) gSettings.port = static_cast<std::uint16_t>(gSettings.port - kPortMark);
        platform::checkMenuItem(kCommandFirstPort + gSettings.port, false);
        gSettings.port = found;
        platform::checkMenuItem(kCommandFirstPort + found, true);
        saveChoice();
        return;
    }

    if (!isMarked(gSettings.port) && !openPort(gSettings.port)) {
        gSettings.port = static_cast<std::uint16_t>(gSettings.port + kPortMark);
    }
    showMessage(kMsgNotFound, kMsgCaptionComm, 0);
}

bool reopenFailedLink() {
    if (gApp.linkPort == 0 || !linkFailed()) return gApp.linkPort != 0;
    const std::uint16_t port = gApp.linkPort;
    closePort();
    if (openPort(port)) return true;
    // The device is still gone: leave the port marked, as a failed choice
    // from the menu would, so choosing its item retries it. What follows (a
    // ping that is not answered) tells the user.
    if (!isMarked(gSettings.port)) gSettings.port = static_cast<std::uint16_t>(port + kPortMark);
    return false;
}
