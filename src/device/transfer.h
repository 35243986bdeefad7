// The recording transfer and the choice of port: the exchange with the logger
// that fetches the most recent stretch of its recording, driven by the Transfer
// command, the 50 ms and 100 ms timers and the progress window's Abort, and the
// opening, switching and searching of the serial port it talks through.
//
// Threads. Everything here runs on the user-interface thread. The reader thread
// of the link stores samples and raises gApp.deviceAnswered and
// gApp.countConfirmed through dispatchReceived; this module clears each signal
// before the code that provokes it goes out, waits for it with a time limit and
// clears it again. The waits block the user-interface thread on purpose (under
// the wait cursor): no event is handled, so none can run twice or be lost.
//
// Exchange: ping -> answer + sample time; count (three codes) -> the same three
// codes back with the count the logger will send; start -> that many samples,
// oldest first. Either side may end early with the abort code.
//
// The handlers themselves (startTransfer, pumpCommands, trackProgress,
// endProgressDisplay, openConfiguredPort, selectPort, autoConnect and
// progressAbortPressed) are declared in shell/handlers.h.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "platform/clock.h"

// How long the user-interface thread waits for the logger, in milliseconds.
// The program keeps the start values; tests shorten them.
struct DeviceWaits {
    int answerMs = 2000;     // answer to a Transfer ping
    int sampleTimeMs = 100;  // sample-time report after that answer
    int confirmMs = 2000;    // the logger's count confirmation
    int searchMs = 1000;     // answer to a ping on each port Auto connect tries
    int stallMs = 10000;     // no sample for this long ends a stream (kStallSeconds)
    int gapsEndMs = 1000;    // no line for this long ends a stream whose missing samples
                             // are all accounted for by damaged lines
    int quietMs = 300;       // a line this long without a byte has settled
    int settleMs = 3000;     // longest wait for a line to settle before a ping
};
extern DeviceWaits gDeviceWaits;

// The local clock a transfer takes its confirmation time from; tests put a
// fixed one here.
extern platform::CalendarTime (*gTransferClock)();

// The link calls this module makes. They are openLink, closeLink, sendCode and
// sendCodeMarked; unit tests put a scripted logger here.
struct LinkCalls {
    int (*open)(std::uint16_t port, int baud);  // 1 opened, 0 failed
    void (*close)();                            // harmless on a closed link
    void (*send)(std::uint16_t code);           // queue one frame for the writer
    // Queue one frame and set *written once it is on the line. Null: the
    // flag is set as the frame is queued (a scripted logger answers at once).
    void (*sendMarked)(std::uint16_t code, std::atomic<bool>* written) = nullptr;
};
extern LinkCalls gLinkCalls;

inline constexpr int kLinkBaud = 57600;
inline constexpr int kCommandTransfer = 2016;
inline constexpr int kCommandEndProgress = 10000;
inline constexpr int kCommandFirstPort = 2000;  // + port number 1..8

// Pings answered without a sample time before Transfer gives up with the
// "no communication" message, instead of re-posting itself for ever.
inline constexpr int kMaxSampleTimeAttempts = 5;

// gApp.loggerSampleTime while a ping's sample-time report is awaited; the
// logger reports 0..100, so this value never comes from it.
inline constexpr std::uint16_t kSampleTimeUnreported = 0xFFFF;

// A stream that brings no sample for this long has stopped: the window and
// the command line end the transfer with what arrived.
inline constexpr int kStallSeconds = 10;

// Samples a second the 57,600-baud line carries at most (four bytes each).
inline constexpr std::uint32_t kLineSamplesPerSecond = 1440;

// How the latest transfer ended (gApp.lastTransferEnd).
enum class TransferEnd : int {
    None = 0,      // none has ended since the program started
    Complete,      // every confirmed sample arrived
    LoggerEnded,   // the logger sent its abort code early; what came is the recording
    Stalled,       // the stream stopped; what came is the recording
    NoSamples,     // the logger had nothing to send, or stopped before the first sample
    Failed,        // no answer, no confirmation, or the span dialog was cancelled
    Aborted,       // the user pressed Abort
    DamagedKept,   // every confirmed sample came, some as damaged frames kept as gaps
};

// True when span row spanIndex asks for more samples at sampleTime than the
// store holds, so only its most recent part can be fetched.
bool spanCutByStore(int spanIndex, std::uint16_t sampleTime);
// Tooltip text of span row spanIndex in the span dialog at sampleTime: how
// many samples, how long they take over the line, and, where the store cannot
// take the whole span, how much of it will come.
std::string spanFetchDescription(int spanIndex, std::uint16_t sampleTime);
// Why span row spanIndex is not offered at sampleTime: the sample time it needs
// (at most, at least or exactly, the nearest one that offers it); empty when
// the row is offered.
std::string spanDisabledReason(int spanIndex, std::uint16_t sampleTime);
// The tip of span row spanIndex: spanDisabledReason for a row not offered,
// else spanFetchDescription. Both span dialogs show it.
std::string spanButtonTip(int spanIndex, std::uint16_t sampleTime);
// "about 7 min", "about 40 s", "about 1 h 12 min" in the current language.
std::string approximateDuration(std::uint64_t seconds);
// The progress window's detail line: "412,300 of 1,036,800 samples, about
// 7 min left" (time left at the line's pace).
std::string progressDetail(std::uint32_t received, std::uint32_t expected);

// Stores code at cmdHead of the command queue; the 50 ms timer sends it.
void queueCode(std::uint16_t code);
// Queues the low three bytes of count as CodeCountLow/Mid/High + byte.
void queueCount(std::uint32_t count);
// Ends a running transfer at once, as for quitting: drops the codes still
// queued, sends the abort code, closes the progress window. What arrived is
// dropped and the recording on show stays.
void abortTransfer();

// Send at once, bypassing the queue.
void sendPing();
void sendAbort();

// Samples a span asks for at a sample time: (halfSpan x 2) / sampleTime,
// limited to the store's capacity. sampleTime must not be 0.
std::uint32_t requestedSampleCount(int spanIndex, std::uint16_t sampleTime);

// The progress window: create (if none), set the bar (value in samples,
// scaled by progressDivisor), destroy (if any).
enum class ProgressAction { Create, SetPosition, Destroy };
void progressControl(ProgressAction action, std::uint32_t value);
