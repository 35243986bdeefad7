// The recording transfer: Transfer command, the two timers and the progress
// window's Abort. See transfer.h for the exchange and the threads.
//
// A transfer keeps its own state apart from the recording on show, so nothing
// of a running or failed transfer can reach what the user sees and saves:
//   - the logger's sample time lands in gApp.loggerSampleTime; the transfer
//     takes it into gApp.transferSampleTime when the span is chosen;
//   - the chosen span waits in gApp.transferSpanIndex;
//   - the samples arrive in gReceivedValues, and only while the transfer
//     accepts them.
// Only completion with at least one sample writes the header and the store,
// in one step on the user-interface thread. Every other end (no answer,
// Cancel, no confirmation, no samples, Abort) leaves them exactly as they were.
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
#include "shell/span_dialog.h"
#include "shell/ui_texts.h"

DeviceWaits gDeviceWaits;
platform::CalendarTime (*gTransferClock)() = &platform::localNow;
LinkCalls gLinkCalls = {&openLink, &closeLink, &sendCode, &sendCodeMarked};

namespace {

constexpr MessageId kMsgCaptionDaq = 15;     // "Vantrel Data Acquisition"
constexpr MessageId kMsgProgressText = 27;   // "Transferring data, please wait..."
constexpr MessageId kMsgProgressAbort = 28;  // "Abort"
constexpr MessageId kMsgNoCommunication = 40;
constexpr MessageId kMsgConfirmTimeout = 41;
constexpr MessageId kMsgNoData = 45;         // "No data present,\naborting operation"

std::int64_t steadyMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void setEnd(TransferEnd end) { gApp.lastTransferEnd = static_cast<int>(end); }

// Stops taking samples from the line; what arrives from here on is dropped.
// A stream that did not end by itself may still be running at the logger.
void stopAccepting() {
    gApp.acceptingSamples.store(false, std::memory_order_release);
    gApp.startCodeWritten.store(false, std::memory_order_release);
}

// Remembers the stray count as settled: samples from here on that no
// transfer expects mean something is still streaming.
void noteLineSettled() { gApp.strayAtLastEnd = gApp.strayCount.load(std::memory_order_relaxed); }

// Ends a transfer whose span was chosen without giving a recording.
void abandonTransfer(TransferEnd end) {
    stopAccepting();
    if (!gApp.transferOpen) return;
    gApp.transferOpen = 0;
    setEnd(end);
}

// Ends the ping stage of a Transfer: the counters of re-issued attempts start
// over, so the next Transfer from the menu gets its full set of pings.
void endPinging() {
    gApp.retryOnNoAnswer = 1;
    gApp.sampleTimeAttempts = 0;
}

// Ends a Transfer whose logger never gave what the ping stage needs: no
// answer at all, or answers that never brought a sample time.
void giveUpPinging(bool answered) {
    endPinging();
    setEnd(TransferEnd::Failed);
    if (answered) {
        platform::messageBox(uiText(UiText::NoSampleTimeReported), messageTextPtr(kMsgCaptionDaq),
                             platform::MessageIcon::Error);
    } else {
        showMessage(kMsgNoCommunication, kMsgCaptionDaq, 0);
    }
}

// Waits until no byte has come from the line for quietMs, at most limitMs.
// True when the line went quiet.
bool awaitQuietLine(int quietMs, int limitMs) {
    const std::int64_t start = steadyMs();
    std::int64_t lastChange = start;
    std::uint32_t last = gApp.bytesReceived.load(std::memory_order_relaxed);
    for (;;) {
        const std::int64_t now = steadyMs();
        const std::uint32_t bytes = gApp.bytesReceived.load(std::memory_order_relaxed);
        if (bytes != last) {
            last = bytes;
            lastChange = now;
        } else if (now - lastChange >= quietMs) {
            return true;
        }
        if (now - start >= limitMs) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

// Before a ping: a stream the logger may still be sending (this program, or
// an earlier run of it, ended or gave up in the middle of one) would be taken
// for the samples of the next. If one may be running, or samples nobody asked
// for came since the last transfer ended, the logger is told to stop and the
// line is given time to go quiet.
void settleLine() {
    if (!gApp.streamLeftOpen && gApp.strayCount.load(std::memory_order_relaxed) == gApp.strayAtLastEnd) return;
    sendAbort();
    platform::setWaitCursor(true);
    const bool quiet = awaitQuietLine(gDeviceWaits.quietMs, gDeviceWaits.settleMs);
    platform::setWaitCursor(false);
    gApp.streamLeftOpen = 0;
    noteLineSettled();
    if (!quiet) {
        platform::messageBox(uiText(UiText::LineNeverQuiet), messageTextPtr(kMsgCaptionDaq),
                             platform::MessageIcon::Information);
    }
}

// Waits up to timeoutMs for the reader thread to replace the unreported mark
// by the logger's sample time. The logger reports it right behind its answer,
// so this normally returns at once or within a frame time.
void awaitSampleTimeReport(int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (gApp.loggerSampleTime.load(std::memory_order_acquire) == kSampleTimeUnreported &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

// Pings and waits for the answer and the sample time that follows it. The
// answer signal is cleared before the ping goes out, so a quick answer cannot
// be wiped out by a late clear. A report that does not come leaves the sample
// time the logger reported before (0 when it never did). Returns true when
// the logger answered.
bool pingForSampleTime() {
    std::uint16_t known = gApp.loggerSampleTime.load(std::memory_order_acquire);
    if (known == kSampleTimeUnreported) known = 0;
    gApp.loggerSampleTime.store(kSampleTimeUnreported, std::memory_order_release);
    gApp.deviceAnswered.reset();
    platform::setWaitCursor(true);
    sendPing();
    const bool answered = gApp.deviceAnswered.wait(gDeviceWaits.answerMs);
    if (answered) awaitSampleTimeReport(gDeviceWaits.sampleTimeMs);
    platform::setWaitCursor(false);
    gApp.deviceAnswered.reset();
    std::uint16_t expected = kSampleTimeUnreported;
    gApp.loggerSampleTime.compare_exchange_strong(expected, known, std::memory_order_acq_rel);
    return answered;
}

// Tells the user a stream ended before everything asked for arrived, and why
// when damaged frames explain it.
void reportEarlyEnd(UiText text, std::uint32_t received) {
    std::string message = formatText(uiText(text), groupedNumber(received).c_str(),
                                     groupedNumber(gApp.confirmedCount).c_str());
    const std::uint32_t damaged = gApp.damagedLines.load(std::memory_order_relaxed);
    if (damaged > 0) message += "\n" + formatText(uiText(UiText::DamagedFramesDropped), groupedNumber(damaged).c_str());
    platform::messageBox(message.c_str(), messageTextPtr(kMsgCaptionDaq), platform::MessageIcon::Information);
}

// True when the samples a stream still lacks are exactly its damaged lines:
// each then stands for one sample lost on the line, and a gap in its place
// keeps every sample after it at its time. Noise lines that were never frames
// make the sum larger, frames lost whole make it smaller.
bool damagedLinesFillStream(std::uint32_t received) {
    const std::uint32_t damaged = gApp.damagedInStream.load(std::memory_order_acquire);
    return damaged > 0 && damaged <= kDamagedPlacesMax &&
           std::uint64_t{received} + damaged == gApp.confirmedCount;
}

// Builds the recording's values from `received` samples with a gap (255) at
// the place of each of the first `damaged` damaged lines; returns the number
// of records (received + damaged, which the caller keeps within the store).
// Fills from the end so every value moves once.
std::uint32_t valuesWithGaps(std::uint32_t received, std::uint32_t damaged) {
    const std::uint32_t total = received + damaged;
    std::uint32_t i = received;  // samples not yet placed
    std::uint32_t j = damaged;   // damaged lines not yet placed
    for (std::uint32_t pos = total; pos-- > 0;) {
        if (j > 0 && damagedPlace(j - 1) >= i) {
            gStore[pos].value = kGapValue;
            --j;
        } else {
            gStore[pos].value = gReceivedValues[--i];
        }
    }
    return total;
}

// The logger fixes the samples it will send (its most recent `confirmed`)
// when it confirms the count, and streams them oldest first: sample k belongs
// at the confirmation time - (confirmed - 1 - k) sample times, however many
// of them came. Stamping `confirmed` records backwards from that time and
// keeping the first `count` gives each its place (the store holds at least
// `confirmed` records).
void stampFromConfirmation(std::uint32_t count, std::uint32_t confirmed) {
    gHeader.recordCount = confirmed < count ? count : confirmed;
    assignTimesBackward(gApp.confirmTime);
    gHeader.recordCount = count;
}

// Ends the stream: the samples received become the recording, each stamped
// at its place behind the confirmation time.
void completeTransfer(TransferEnd why) {
    stopAccepting();
    gApp.receiving = 0;
    progressControl(ProgressAction::Destroy, 0);

    std::uint32_t count = gApp.receivedCount.load(std::memory_order_acquire);
    const std::uint32_t expected = gApp.expectedCount.load(std::memory_order_acquire);
    if (count > expected) count = expected;
    if (count > kStoreCapacity) count = kStoreCapacity;
    if (why == TransferEnd::Complete && gApp.loggerEndedEarly.load() && count < gApp.confirmedCount)
        why = TransferEnd::LoggerEnded;
    // A stream that ended by itself or by the logger's abort is over at the
    // logger too; any other end may leave it sending.
    gApp.streamLeftOpen = why == TransferEnd::Stalled ? 1 : 0;
    noteLineSettled();

    gApp.transferOpen = 0;
    if (count == 0) {
        // Nothing arrived: nothing to stamp or show, and the recording on
        // show stays as it is.
        setEnd(TransferEnd::NoSamples);
        if (why == TransferEnd::Stalled) {
            platform::messageBox(uiText(UiText::StoppedBeforeFirstSample), messageTextPtr(kMsgCaptionDaq),
                                 platform::MessageIcon::Information);
        } else {
            showMessage(kMsgNoData, kMsgCaptionDaq, 0);
        }
        return;
    }
    // One reading of the damaged count: the reader may still add a line
    // that raced the end of the stream, and it must not grow the recording.
    const std::uint32_t damaged = gApp.damagedInStream.load(std::memory_order_acquire);
    if (why == TransferEnd::DamagedKept && damaged <= kDamagedPlacesMax &&
        std::uint64_t{count} + damaged == gApp.confirmedCount) {
        count = valuesWithGaps(count, damaged);
    } else {
        if (why == TransferEnd::DamagedKept) {
            why = TransferEnd::Stalled;
            gApp.streamLeftOpen = 1;
        }
        for (std::uint32_t i = 0; i < count; ++i) gStore[i].value = gReceivedValues[i];
    }
    gHeader.spanIndex = gApp.transferSpanIndex;
    gHeader.sampleTime = gApp.transferSampleTime;
    stampFromConfirmation(count, gApp.confirmedCount);
    resetView();
    gApp.unsavedWork = 1;
    setEnd(why);
    if (why == TransferEnd::Stalled) reportEarlyEnd(UiText::LoggerStoppedEarly, count);
    if (why == TransferEnd::LoggerEnded) reportEarlyEnd(UiText::LoggerEndedEarly, count);
    if (why == TransferEnd::DamagedKept) {
        const std::string message = formatText(uiText(UiText::DamagedFramesKeptAsGaps),
                                               groupedNumber(damaged).c_str());
        platform::messageBox(message.c_str(), messageTextPtr(kMsgCaptionDaq), platform::MessageIcon::Information);
    }
}

// Puts the start code on its way; samples count from the moment it has been
// written to the port, so frames of an older stream still on the way are not
// taken for this one's.
void sendStartCode() {
    gApp.startCodeWritten.store(false, std::memory_order_release);
    if (gLinkCalls.sendMarked != nullptr) {
        gLinkCalls.sendMarked(CodeStart, &gApp.startCodeWritten);
    } else {
        gApp.startCodeWritten.store(true, std::memory_order_release);
        gLinkCalls.send(CodeStart);
    }
}

std::string formatDuration(std::uint64_t seconds) {
    if (seconds < 60) return std::to_string(seconds) + " s";
    const std::uint64_t minutes = (seconds + 30) / 60;
    if (minutes < 60) return std::to_string(minutes) + " min";
    const std::uint64_t hours = minutes / 60;
    if (hours < 48) return std::to_string(hours) + " h " + std::to_string(minutes % 60) + " min";
    return formatText(uiText(UiText::DurationDaysHours), static_cast<unsigned>(hours / 24),
                      static_cast<unsigned>(hours % 24));
}

}  // namespace

std::string approximateDuration(std::uint64_t seconds) {
    return formatText(uiText(UiText::DurationAbout), formatDuration(seconds).c_str());
}

std::string progressDetail(std::uint32_t received, std::uint32_t expected) {
    const std::uint32_t left = expected > received ? expected - received : 0;
    const std::uint64_t seconds = (std::uint64_t{left} + kLineSamplesPerSecond - 1) / kLineSamplesPerSecond;
    return formatText(uiText(UiText::ProgressDetail), groupedNumber(received).c_str(),
                      groupedNumber(expected).c_str(), approximateDuration(seconds).c_str());
}

bool spanCutByStore(int spanIndex, std::uint16_t sampleTime) {
    if (spanIndex < 0 || spanIndex >= kSpanCount || sampleTime == 0) return false;
    return std::uint64_t{kSpanTable[static_cast<std::size_t>(spanIndex)].halfSpan} * 2u / sampleTime > kStoreCapacity;
}

std::string spanFetchDescription(int spanIndex, std::uint16_t sampleTime) {
    const std::uint32_t n = requestedSampleCount(spanIndex, sampleTime);
    if (n == 0) return std::string();
    const std::uint64_t fetchSeconds = (std::uint64_t{n} + kLineSamplesPerSecond - 1) / kLineSamplesPerSecond;
    if (!spanCutByStore(spanIndex, sampleTime)) {
        return formatText(uiText(UiText::SpanFetchFull), groupedNumber(n).c_str(),
                          approximateDuration(fetchSeconds).c_str());
    }
    // The time n samples cover, in whole minutes (never more than will come).
    const std::uint64_t coveredSeconds = std::uint64_t{n} * sampleTime / 100 / 60 * 60;
    return formatText(uiText(UiText::SpanFetchPartial), groupedNumber(n).c_str(),
                      formatDuration(coveredSeconds).c_str(), approximateDuration(fetchSeconds).c_str());
}

std::string spanDisabledReason(int spanIndex, std::uint16_t sampleTime) {
    if (spanIndex < 0 || spanIndex >= kSpanCount || sampleTime == 0) return std::string();
    const auto i = static_cast<std::size_t>(spanIndex);
    auto offered = [i](int t) { return spanButtonsEnabled(static_cast<std::uint16_t>(t))[i]; };
    if (offered(sampleTime)) return std::string();
    // The nearest sample times either side that offer the row; the rule
    // itself stays spanButtonsEnabled's alone.
    int above = 0;
    for (int t = sampleTime + 1; t <= 0xFFFF && above == 0; ++t)
        if (offered(t)) above = t;
    int below = 0;
    for (int t = sampleTime - 1; t >= 1 && below == 0; --t)
        if (offered(t)) below = t;
    const std::string now = formatSampleTime(sampleTime).text;
    if (above != 0)
        return formatText(uiText(UiText::SpanNeedsLongerSampleTime), now.c_str(),
                          formatSampleTime(static_cast<std::uint16_t>(above)).text);
    if (below == 0) return std::string();  // offered at no sample time
    const bool onlyThere = below == 1 || !offered(below - 1);
    return formatText(uiText(onlyThere ? UiText::SpanNeedsExactSampleTime : UiText::SpanNeedsShorterSampleTime),
                      now.c_str(), formatSampleTime(static_cast<std::uint16_t>(below)).text);
}

std::string spanButtonTip(int spanIndex, std::uint16_t sampleTime) {
    std::string reason = spanDisabledReason(spanIndex, sampleTime);
    return reason.empty() ? spanFetchDescription(spanIndex, sampleTime) : reason;
}

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

// The Transfer command. Chosen while a transfer runs, it only brings the
// progress window to the front: the running transfer goes on untouched.
void startTransfer() {
    if (transferRunning()) {
        if (gApp.progressWindow != nullptr) platform::raiseProgressWindow(gApp.progressWindow);
        return;
    }
    // A Transfer chosen from the menu (not one re-issued below) first makes
    // sure the user keeps unsaved work.
    if (gApp.retryOnNoAnswer == 1 && gApp.sampleTimeAttempts == 0 && !unsavedWorkSettled()) return;

    // A port whose reader ended on an error (adapter pulled, logger switched
    // off and on) is opened afresh rather than reported as silent.
    reopenFailedLink();
    settleLine();
    if (!pingForSampleTime()) {
        if (gApp.retryOnNoAnswer == 1) {
            gApp.retryOnNoAnswer = 0;
            platform::postCommand(kCommandTransfer);
            return;
        }
        giveUpPinging(false);
        return;
    }
    gApp.retryOnNoAnswer = 1;

    const std::uint16_t sampleTime = gApp.loggerSampleTime.load(std::memory_order_acquire);
    if (sampleTime == 0) {
        // The logger answered but no sample time is known yet: ask again, a
        // bounded number of times, so a logger that never reports one ends in
        // a message rather than an endless stream of pings.
        if (++gApp.sampleTimeAttempts < kMaxSampleTimeAttempts) {
            platform::postCommand(kCommandTransfer);
            return;
        }
        giveUpPinging(true);
        return;
    }
    endPinging();

    // The dialog offers the spans of this sample time, and the count follows
    // it even if the logger reports another one while the dialog is open.
    gApp.transferSampleTime = sampleTime;
    const int result = platform::runSpanDialog();
    if (result < 1 || result > kSpanCount) {  // Cancel, or the dialog could not be shown
        setEnd(TransferEnd::Failed);
        return;
    }
    const int span = result - 1;

    const std::uint32_t n = requestedSampleCount(span, sampleTime);
    gApp.transferOpen = 1;
    gApp.transferSpanIndex = static_cast<std::uint16_t>(span);
    gApp.expectedCount.store(n, std::memory_order_release);
    gApp.progressDivisor = n / 100;

    // Only the parts of the answer to this request make up its count.
    gApp.countAccumulator.store(0, std::memory_order_relaxed);
    gApp.countConfirmed.reset();
    queueCount(n);
    gApp.countSent = 1;
}

void pumpCommands() {
    if (gApp.cmdHead != gApp.cmdTail) {
        const std::uint16_t code = gApp.commandQueue[static_cast<std::size_t>(gApp.cmdTail)];
        gApp.cmdTail = (gApp.cmdTail + 1) % 32;
        if (code == CodeStart && gApp.receiving == 1) {
            sendStartCode();
        } else {
            gLinkCalls.send(code);
        }
        return;
    }
    if (gApp.countSent != 1) return;

    gApp.countSent = 0;
    platform::setWaitCursor(true);
    const bool confirmed = gApp.countConfirmed.wait(gDeviceWaits.confirmMs);
    // The logger fixed its newest sample when it confirmed: its time is now.
    const platform::CalendarTime confirmTime = gTransferClock();
    platform::setWaitCursor(false);
    gApp.countConfirmed.reset();
    if (!confirmed) {
        abandonTransfer(TransferEnd::Failed);
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
        abandonTransfer(TransferEnd::NoSamples);
        showMessage(kMsgNoData, kMsgCaptionDaq, 0);
        return;
    }

    gApp.confirmedCount = expected;
    gApp.confirmTime = confirmTime;
    gApp.progressDivisor = expected < 100 ? 1 : expected / 100;
    gApp.receiving = 1;
    gApp.receivedCount.store(0, std::memory_order_release);
    gApp.loggerEndedEarly.store(false);
    gApp.damagedLines.store(0, std::memory_order_relaxed);
    gApp.damagedInStream.store(0, std::memory_order_relaxed);
    gApp.progressSeen = 0;
    gApp.progressDetailMs = 0;
    gApp.lastArrivalMs = steadyMs();
    // The stream is expected from here on; its samples count once the start
    // code has been written (sendStartCode).
    gApp.startCodeWritten.store(false, std::memory_order_release);
    gApp.acceptingSamples.store(true, std::memory_order_release);
    gApp.streamLeftOpen = 1;
    queueCode(CodeStart);
    progressControl(ProgressAction::Create, 0);
}

void trackProgress() {
    if (gApp.receiving != 1) return;
    const std::uint32_t received = gApp.receivedCount.load(std::memory_order_acquire);
    const std::uint32_t expected = gApp.expectedCount.load(std::memory_order_acquire);
    progressControl(ProgressAction::SetPosition, received);
    const std::int64_t now = steadyMs();
    // Each new text repaints the window; once a second is as often as anyone
    // reads the figures, and costs a tenth of the CPU.
    if (gApp.progressWindow != nullptr && (gApp.progressDetailMs == 0 || now - gApp.progressDetailMs >= 1000)) {
        gApp.progressDetailMs = now;
        platform::setProgressDetail(gApp.progressWindow, progressDetail(received, gApp.confirmedCount).c_str());
    }

    // Any line, a sample or a damaged one, shows the stream is still moving.
    const std::uint32_t lines = received + gApp.damagedInStream.load(std::memory_order_acquire);
    if (lines != gApp.progressSeen) {
        gApp.progressSeen = lines;
        gApp.lastArrivalMs = now;
    }
    // While a dialog or message box of ours is open, its command acts on the
    // recording on show: the stream goes on into the receive buffer, and the
    // transfer ends once the dialog has closed.
    if (gApp.modalDepth > 0) return;

    // The store's capacity ends a transfer too, whatever count was confirmed.
    const std::int64_t quietMs = now - gApp.lastArrivalMs;
    if (received >= expected || received >= kStoreCapacity) {
        completeTransfer(TransferEnd::Complete);
    } else if (damagedLinesFillStream(received) && quietMs >= gDeviceWaits.gapsEndMs) {
        // Every sample is accounted for: the damaged ones become gaps. Noise
        // lines can come between good frames, so this is never taken before
        // the line has been quiet a while.
        completeTransfer(TransferEnd::DamagedKept);
    } else if (quietMs >= gDeviceWaits.stallMs) {
        // A stream that stopped short (frames lost on the line, a logger gone
        // quiet) would otherwise wait for ever: what arrived is the recording.
        completeTransfer(TransferEnd::Stalled);
    }
}

void abortTransfer() {
    // The count or the start code may still wait in the queue: after the
    // abort they must not reach the logger, or it would stream into a program
    // that no longer listens.
    gApp.cmdTail = gApp.cmdHead;
    gApp.countSent = 0;
    sendAbort();
    progressControl(ProgressAction::Destroy, 0);
    gApp.receiving = 0;
    abandonTransfer(TransferEnd::Aborted);
}

void progressAbortPressed() {
    gApp.cmdTail = gApp.cmdHead;  // as abortTransfer: no start code after the abort
    sendAbort();
    // From here on the transfer is abandoned: a tick before command 10000 is
    // handled must not complete it with the samples received so far.
    stopAccepting();
    gApp.receiving = 0;
    platform::postCommand(kCommandEndProgress);
}

void endProgressDisplay() {
    progressControl(ProgressAction::Destroy, 0);
    gApp.receiving = 0;
    abandonTransfer(TransferEnd::Aborted);
}
