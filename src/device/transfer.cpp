// The recording transfer: Transfer command, the two timers and the progress
// window's Abort. See transfer.h for the exchange and the threads.
//
// What the recording header holds while a transfer runs. The reader thread
// writes the logger's sample time straight into gHeader.sampleTime, and the
// chosen span has to be remembered until the samples are in. A transfer that
// does not end with a new recording (no answer, Cancel, no confirmation, no
// samples, Abort) must leave the recording on screen as it was, so:
//   - the span goes into gApp.transferSpanIndex and reaches the header only on
//     completion;
//   - the sample time the header had when Transfer started is kept in
//     gApp.priorSampleTime and put back whenever the transfer ends without a
//     recording.
// Only a completed transfer with at least one sample changes the header.
#include "device/transfer.h"

#include <atomic>
#include <chrono>
#include <thread>

#include "device/link.h"
#include "device/protocol.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/progress.h"
#include "platform/window.h"
#include "recording/store.h"
#include "recording/timestamps.h"
#include "shell/app_state.h"
#include "shell/handlers.h"
#include "shell/messages.h"

DeviceWaits gDeviceWaits;
LinkCalls gLinkCalls = {&openLink, &closeLink, &sendCode};

namespace {

constexpr MessageId kMsgCaptionDaq = 15;     // "Vantrel Data Acquisition"
constexpr MessageId kMsgProgressText = 27;   // "Transferring data, please wait..."
constexpr MessageId kMsgProgressAbort = 28;  // "Abort"
constexpr MessageId kMsgNoCommunication = 40;
constexpr MessageId kMsgConfirmTimeout = 41;
constexpr MessageId kMsgNoData = 45;         // "No data present,\naborting operation"

std::atomic_ref<std::uint16_t> headerSampleTime() {
    return std::atomic_ref<std::uint16_t>(gHeader.sampleTime);
}

// Puts the header's sample time back to what it was when Transfer was chosen.
void restoreSampleTime() { storeSampleTime(gApp.priorSampleTime); }

// Ends a transfer whose span was chosen without giving a recording: the header
// goes back to the recording it describes (spanIndex was never touched).
void abandonTransfer() {
    if (!gApp.transferOpen) return;
    gApp.transferOpen = 0;
    restoreSampleTime();
}

// Ends the ping stage of a Transfer: the counters of re-issued attempts start
// over, so the next Transfer from the menu gets its full set of pings.
void endPinging() {
    gApp.retryOnNoAnswer = 1;
    gApp.sampleTimeAttempts = 0;
}

// Ends a Transfer whose logger never gave what the ping stage needs: the
// header's sample time goes back and the user is told there is no
// communication.
void giveUpPinging() {
    endPinging();
    restoreSampleTime();
    showMessage(kMsgNoCommunication, kMsgCaptionDaq, 0);
}

// Waits up to timeoutMs for the reader thread to replace the unreported mark
// by the logger's sample time. The logger reports it right behind its answer,
// so this normally returns at once or within a frame time. Returns the
// reported value, or kSampleTimeUnreported.
std::uint16_t awaitSampleTimeReport(int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const std::uint16_t t = headerSampleTime().load(std::memory_order_relaxed);
        if (t != kSampleTimeUnreported) return t;
        if (std::chrono::steady_clock::now() >= deadline) return kSampleTimeUnreported;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

// Pings and waits for the answer and the sample time that follows it. The
// answer signal is cleared before the ping goes out, so a quick answer cannot
// be wiped out by a late clear. Leaves in the header the sample time the
// logger reported, or else the one the header had (which still counts as
// known). The header holds kSampleTimeUnreported only while this thread is
// blocked here, so nothing that reads it (charts, dialogs) can see the mark.
// Returns true when the logger answered.
bool pingForSampleTime() {
    headerSampleTime().store(kSampleTimeUnreported, std::memory_order_relaxed);
    gApp.deviceAnswered.reset();
    platform::setWaitCursor(true);
    sendPing();
    const bool answered = gApp.deviceAnswered.wait(gDeviceWaits.answerMs);
    if (answered) awaitSampleTimeReport(gDeviceWaits.sampleTimeMs);
    platform::setWaitCursor(false);
    gApp.deviceAnswered.reset();
    // A report that did not come leaves the sample time as it was.
    std::uint16_t expected = kSampleTimeUnreported;
    headerSampleTime().compare_exchange_strong(expected, gApp.priorSampleTime,
                                               std::memory_order_relaxed);
    return answered;
}

// Completion of a transfer: the samples received become the recording.
void completeTransfer() {
    gApp.receiving = 0;
    progressControl(ProgressAction::Destroy, 0);

    // Samples beyond the confirmed count (they may arrive between the last
    // expected one and this tick) are not part of the recording; nor can more
    // than the store holds be.
    std::uint32_t count = gApp.receivedCount.load(std::memory_order_acquire);
    const std::uint32_t expected = gApp.expectedCount.load(std::memory_order_acquire);
    if (count > expected) count = expected;
    if (count > kStoreCapacity) count = kStoreCapacity;

    if (count == 0) {
        // The logger ended before its first sample: nothing to stamp or show.
        abandonTransfer();
        showMessage(kMsgNoData, kMsgCaptionDaq, 0);
        return;
    }
    gApp.transferOpen = 0;
    gHeader.recordCount = count;
    gHeader.spanIndex = gApp.transferSpanIndex;
    assignTimesBackward(platform::localNow());
    resetView();
}

}  // namespace

void queueCode(std::uint16_t code) {
    gApp.commandQueue[static_cast<std::size_t>(gApp.cmdHead)] = code;
    gApp.cmdHead = (gApp.cmdHead + 1) % 32;
}

void queueCount(std::uint32_t count) {
    queueCode(static_cast<std::uint16_t>(CodeCountLow + (count & 0xFF)));
    queueCode(static_cast<std::uint16_t>(CodeCountMid + ((count >> 8) & 0xFF)));
    queueCode(static_cast<std::uint16_t>(CodeCountHigh + ((count >> 16) & 0xFF)));
}

void sendPing() { gLinkCalls.send(CodePing); }
void sendAbort() { gLinkCalls.send(CodeAbort); }

std::uint32_t requestedSampleCount(int spanIndex, std::uint16_t sampleTime) {
    if (spanIndex < 0 || spanIndex >= kSpanCount || sampleTime == 0) return 0;
    const std::uint32_t n = kSpanTable[static_cast<std::size_t>(spanIndex)].halfSpan * 2u / sampleTime;
    return n >= kStoreCapacity ? kStoreCapacity : n;
}

void progressControl(ProgressAction action, std::uint32_t value) {
    switch (action) {
    case ProgressAction::Create:
        if (gApp.progressWindow == nullptr) {
            // A window that cannot be made leaves the transfer running without it.
            gApp.progressWindow = platform::createProgressWindow(messageTextPtr(kMsgProgressText),
                                                                 messageTextPtr(kMsgProgressAbort));
        }
        break;
    case ProgressAction::SetPosition:
        if (gApp.progressWindow != nullptr) {
            const std::uint32_t divisor = gApp.progressDivisor == 0 ? 1 : gApp.progressDivisor;
            const std::uint32_t percent = value / divisor;
            platform::setProgressPosition(gApp.progressWindow, percent > 100 ? 100 : static_cast<int>(percent));
        }
        break;
    case ProgressAction::Destroy:
        if (gApp.progressWindow != nullptr) {
            platform::destroyProgressWindow(gApp.progressWindow);
            gApp.progressWindow = nullptr;
        }
        break;
    }
}

void startTransfer() {
    // A Transfer chosen from the menu (not one re-issued below) remembers the
    // header's sample time, to put it back if no recording comes of it.
    if (gApp.retryOnNoAnswer == 1 && gApp.sampleTimeAttempts == 0) {
        gApp.priorSampleTime = loadSampleTime();
    }

    if (!pingForSampleTime()) {
        if (gApp.retryOnNoAnswer == 1) {
            gApp.retryOnNoAnswer = 0;
            platform::postCommand(kCommandTransfer);
            return;
        }
        giveUpPinging();
        return;
    }
    gApp.retryOnNoAnswer = 1;

    const std::uint16_t sampleTime = loadSampleTime();
    if (sampleTime == 0) {
        // The logger answered but no sample time is known yet: ask again, a
        // bounded number of times, so a logger that never reports one ends in
        // a message rather than an endless stream of pings.
        if (++gApp.sampleTimeAttempts < kMaxSampleTimeAttempts) {
            platform::postCommand(kCommandTransfer);
            return;
        }
        giveUpPinging();
        return;
    }
    endPinging();

    const int result = platform::runSpanDialog();
    if (result < 1 || result > kSpanCount) {  // Cancel, or the dialog could not be shown
        restoreSampleTime();
        return;
    }
    const int span = result - 1;

    // The count follows the sample time the dialog showed, even if the logger
    // reports another one while the dialog is open.
    const std::uint32_t n = requestedSampleCount(span, sampleTime);
    gApp.transferOpen = 1;
    gApp.transferSpanIndex = static_cast<std::uint16_t>(span);
    gApp.expectedCount.store(n, std::memory_order_release);
    gApp.progressDivisor = n / 100;

    gApp.countConfirmed.reset();
    queueCount(n);
    gApp.countSent = 1;
}

void pumpCommands() {
    if (gApp.cmdHead != gApp.cmdTail) {
        const std::uint16_t code = gApp.commandQueue[static_cast<std::size_t>(gApp.cmdTail)];
        gApp.cmdTail = (gApp.cmdTail + 1) % 32;
        gLinkCalls.send(code);
        return;
    }
    if (gApp.countSent != 1) return;

    gApp.countSent = 0;
    platform::setWaitCursor(true);
    const bool confirmed = gApp.countConfirmed.wait(gDeviceWaits.confirmMs);
    platform::setWaitCursor(false);
    gApp.countConfirmed.reset();
    if (!confirmed) {
        abandonTransfer();
        showMessage(kMsgConfirmTimeout, kMsgCaptionDaq, 0);
        return;
    }

    std::uint32_t expected = gApp.expectedCount.load(std::memory_order_acquire);
    if (expected > kStoreCapacity) {  // the store cannot take more
        expected = kStoreCapacity;
        gApp.expectedCount.store(expected, std::memory_order_release);
    }
    if (expected == 0) {
        // The logger has nothing to send: no stream, no progress window, and
        // the recording on screen stays as it is.
        abandonTransfer();
        showMessage(kMsgNoData, kMsgCaptionDaq, 0);
        return;
    }

    queueCode(CodeStart);
    gApp.progressDivisor = expected < 100 ? 1 : expected / 100;
    gApp.receiving = 1;
    gApp.receivedCount.store(0, std::memory_order_release);
    progressControl(ProgressAction::Create, 0);
}

void trackProgress() {
    if (gApp.receiving != 1) return;
    const std::uint32_t received = gApp.receivedCount.load(std::memory_order_acquire);
    progressControl(ProgressAction::SetPosition, received);
    // The store's capacity ends a transfer too, whatever count was confirmed.
    if (received >= gApp.expectedCount.load(std::memory_order_acquire) || received >= kStoreCapacity) {
        completeTransfer();
    }
}

void progressAbortPressed() {
    sendAbort();
    // From here on the transfer is abandoned: a tick before command 10000 is
    // handled must not complete it with the samples received so far.
    gApp.receiving = 0;
    platform::postCommand(kCommandEndProgress);
}

void endProgressDisplay() {
    progressControl(ProgressAction::Destroy, 0);
    gApp.receiving = 0;
    abandonTransfer();
}
