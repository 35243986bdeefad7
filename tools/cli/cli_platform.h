// The window system of vantreldaq-cli: a headless implementation of the
// platform headers the core calls (window.h, dialogs.h, progress.h,
// set_time_dialog.h, printer.h, screen.h). There is no window: message boxes
// go to stderr, posted commands wait in a queue the fetch loop drains, and the
// span dialog answers with the span given on the command line, under the
// dialog's own enabling rule.
#pragma once

#include <cstdint>

namespace cli {

struct HostState {
    int spanRequest = -1;              // span index the span dialog answers with; -1: cancel
    bool spanRefused = false;          // the requested span was not enabled at the logger's sample time
    std::uint16_t refusedSampleTime = 0;
    bool spanDialogRun = false;        // the transfer reached the span dialog
    bool progressShown = false;        // the transfer's progress "window" exists
    int progressPercent = 0;           // its bar, 0..100
    int messagesShown = 0;             // message boxes printed so far
};

HostState& host();
// Puts the host back to its start (between commands of one process, and tests).
void resetHost();

// Takes the oldest command posted to the main window; false when none waits.
bool takePostedCommand(int& commandId);
// True while commands wait.
bool commandsPosted();

}  // namespace cli
