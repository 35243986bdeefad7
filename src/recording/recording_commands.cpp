// The main window's commands for the recording: Open, Save, the three exports
// and Set time.
#include <cstdint>

#include "platform/set_time_dialog.h"
#include "platform/window.h"
#include "recording/csv_export.h"
#include "recording/recording_file.h"
#include "recording/set_time.h"
#include "recording/store.h"
#include "recording/timestamps.h"
#include "shell/app_state.h"
#include "shell/handlers.h"
#include "shell/messages.h"
#include "shell/ui_texts.h"

namespace {

constexpr MessageId kMsgCaptionApp = 15;     // "Vantrel Data Acquisition"
constexpr MessageId kMsgError = 43;          // "Error:"
constexpr MessageId kMsgNoData = 45;         // "No data present,\naborting operation"
constexpr MessageId kMsgSavingData = 46;     // "Saving data..."
constexpr MessageId kMsgLoadFailed = 80;     // "Unable to load data from disc!"
constexpr MessageId kMsgSaveFailed = 84;     // "Unable to save data on disc!"

// Shared by Save and the exports: a non-zero result is reported with its code.
void reportSaveResult(int result) {
    if (result != 0 && result != kSaveCancelled) showMessage(kMsgSaveFailed, kMsgError, result);
}

// The Save command's work; true when the recording is now in a file.
bool saveShownRecording() {
    const int result = saveRecording();
    reportSaveResult(result);
    if (result != 0) return false;
    gApp.unsavedWork = 0;
    return true;
}

}  // namespace

bool unsavedWorkSettled() {
    if (!gApp.dataPresent || !gApp.unsavedWork) return true;
    switch (platform::askSaveChanges(uiText(UiText::SaveChangesQuestion), messageTextPtr(kMsgCaptionApp),
                                     uiText(UiText::SaveChangesSave), uiText(UiText::SaveChangesDiscard),
                                     uiText(UiText::SaveChangesCancel))) {
        case platform::SaveAnswer::Save:
            return saveShownRecording();
        case platform::SaveAnswer::Discard:
            return true;
        case platform::SaveAnswer::Cancel:
            break;
    }
    return false;
}

bool refusedWhileTransferRunning() {
    if (!transferRunning()) return false;
    platform::messageBox(uiText(UiText::TransferRunningOpenRefused), messageTextPtr(kMsgCaptionApp),
                         platform::MessageIcon::Information);
    return true;
}

void commandOpen() { openRecordingPath(nullptr); }

void openRecordingPath(const char* path) {
    // Completing the transfer would replace what is opened now.
    if (refusedWhileTransferRunning()) return;
    if (!unsavedWorkSettled()) return;
    const int result = path == nullptr ? loadRecording() : loadRecordingFrom(path);
    if (result == 0) {
        gApp.unsavedWork = 0;
        resetView();
    } else if (result != kOpenCancelled && result != kFileRefused) {
        showMessage(kMsgLoadFailed, kMsgError, result);
    }
}

void commandSave() {
    if (!gApp.dataPresent) {
        showMessage(kMsgNoData, kMsgSavingData, 0);
        return;
    }
    saveShownRecording();
}

void commandExport(int commandId) {
    if (!gApp.dataPresent) {
        showMessage(kMsgNoData, kMsgSavingData, 0);
        return;
    }
    // The chart exports take about one line per pixel column; writeCsv treats a
    // step of 0 (fewer records than columns) as 1.
    switch (commandId) {
        case 2013:
            reportSaveResult(exportCsv(gApp.zoomStart, static_cast<std::uint32_t>(gApp.zoomLast),
                                       gApp.samplesPerPixel / 10));
            break;
        case 2014:
            reportSaveResult(exportCsv(gApp.mainStart, static_cast<std::uint32_t>(gApp.mainLast),
                                       gApp.samplesPerPixel));
            break;
        case 2015:
            reportSaveResult(exportCsv(0, gHeader.recordCount - 1, 1));
            break;
        default:
            break;
    }
}

void commandSetTime() {
    // The transfer's completion stamps the samples it brings; times set now
    // would be overwritten without a word.
    if (refusedWhileTransferRunning()) return;
    if (!gApp.dataPresent) {
        showMessage(kMsgNoData, kMsgSetTimeTitle, 0);
        return;
    }
    const int result = platform::runSetTimeDialog();
    if (result == kSetStartTimeButton) {
        assignTimesForward(timeEntryAsCalendar());
    } else if (result == kSetEndTimeButton) {
        assignTimesBackward(timeEntryAsCalendar());
    } else {
        return;
    }
    gApp.unsavedWork = 1;
    platform::invalidate(true);
}
