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

#include <cstdint>

// How long the user-interface thread waits for the logger, in milliseconds.
// The program keeps the start values; tests shorten them.
struct DeviceWaits {
    int answerMs = 2000;     // answer to a Transfer ping
    int sampleTimeMs = 100;  // sample-time report after that answer
    int confirmMs = 2000;    // the logger's count confirmation
    int searchMs = 1000;     // answer to a ping on each port Auto connect tries
};
extern DeviceWaits gDeviceWaits;

// The link calls this module makes. They are openLink, closeLink and sendCode;
// unit tests put a scripted logger here.
struct LinkCalls {
    int (*open)(std::uint16_t port, int baud);  // 1 opened, 0 failed
    void (*close)();                            // harmless on a closed link
    void (*send)(std::uint16_t code);           // queue one frame for the writer
};
extern LinkCalls gLinkCalls;

inline constexpr int kLinkBaud = 57600;
inline constexpr int kCommandTransfer = 2016;
inline constexpr int kCommandEndProgress = 10000;
inline constexpr int kCommandFirstPort = 2000;  // + port number 1..8

// Pings answered without a sample time before Transfer gives up with the
// "no communication" message, instead of re-posting itself for ever.
inline constexpr int kMaxSampleTimeAttempts = 5;

// sampleTime while a ping's sample-time report is awaited; the logger reports
// 0..100, so this value never comes from it.
inline constexpr std::uint16_t kSampleTimeUnreported = 0xFFFF;

// Stores code at cmdHead of the command queue; the 50 ms timer sends it.
void queueCode(std::uint16_t code);
// Queues the low three bytes of count as CodeCountLow/Mid/High + byte.
void queueCount(std::uint32_t count);
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
