// The program's run-time state: one global record beside the recording
// (recording/store.h) and the settings block. Every module reads and writes the
// fields it owns here; nothing else is long-lived.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

#include "device/event.h"
#include "platform/clock.h"

// Persistent settings, stored verbatim (little-endian) as "DAQSetup.cnf".
struct Settings {
    std::uint16_t port;                      // 1..8 = COM1..COM8; +10 marks a port that failed to open
    std::array<std::uint8_t, 258> reserved1; // kept and written back as read
    std::uint16_t language;                  // 0 English, 100 German
    std::array<std::uint8_t, 20> reserved2;  // kept and written back as read
};
static_assert(sizeof(Settings) == 282, "the settings block is 282 bytes");
static_assert(offsetof(Settings, language) == 260, "language sits at offset 260");
inline constexpr std::size_t kSettingsBytes = 282;

extern Settings gSettings;

// Opaque handle of a window made by the platform layer (null: none).
using WindowHandle = void*;

struct AppState {
    // Shell
    WindowHandle mainWindow = nullptr;        // the main window, once created
    char windowTitle[100] = {};               // "Vantrel Data Acquisition Software"
    char windowClassName[100] = {};           // "VantrelDaq"
    Event deviceAnswered;                     // manual-reset: the logger answered a ping
    Event countConfirmed;                     // manual-reset: the logger confirmed a count
    std::int32_t spanChoice = 0;              // span selected in the span dialog, 0..13

    // Reply line being assembled by the dispatcher (reader thread only)
    char rxLine[8] = {};
    int rxLineLength = 0;

    // Transfer counters, shared between the reader and the user-interface thread
    std::atomic<std::uint32_t> receivedCount{0};   // samples received; index into gReceivedValues
    std::atomic<std::uint32_t> expectedCount{0};   // samples awaited
    std::atomic<std::uint32_t> countAccumulator{0};// bytes 0..2: count reported by the logger;
                                                   // bits 24, 25: its low and middle byte arrived
    std::atomic<std::uint16_t> loggerSampleTime{0};// last sample time the logger reported (0: none yet)
    std::atomic<bool> acceptingSamples{false};     // a transfer's stream is expected
    std::atomic<bool> startCodeWritten{false};     // its start code is on the line (set by the writer);
                                                   // samples count only from then on
    std::atomic<bool> loggerEndedEarly{false};     // the logger's abort code arrived while accepting
    std::atomic<std::uint32_t> strayCount{0};      // samples dropped: no transfer expected them
    std::atomic<std::uint32_t> damagedLines{0};    // lines dropped for a bad checksum or length
    std::atomic<std::uint32_t> damagedInStream{0}; // of those, the ones that came while samples were accepted
    std::atomic<std::uint32_t> bytesReceived{0};   // every byte the line brought (wraps; compared, not summed)

    // Command queue drained by the 50 ms timer (user-interface thread only)
    std::array<std::uint16_t, 32> commandQueue = {};
    int cmdHead = 0;
    int cmdTail = 0;

    // Transfer state (user-interface thread)
    int retryOnNoAnswer = 1;                  // an unanswered ping re-issues Transfer once
    int countSent = 0;                        // the count was queued; its confirmation is awaited
    int receiving = 0;                        // samples are arriving; progress window shown
    std::uint32_t progressDivisor = 0;        // samples per progress-bar step
    WindowHandle progressWindow = nullptr;    // the progress window while it exists
    int transferOpen = 0;                     // a span was chosen; no recording or failure yet
    std::uint16_t transferSpanIndex = 0;      // span of that transfer; enters the header on completion
    std::uint16_t transferSampleTime = 0;     // logger's sample time the span was chosen with
    std::uint32_t confirmedCount = 0;         // count the logger confirmed for the running stream
    std::uint32_t progressSeen = 0;           // received + damaged lines at the last progress tick that saw it grow
    std::int64_t progressDetailMs = 0;        // steady ms when the detail line was last set, 0: not yet
    std::int64_t lastArrivalMs = 0;           // steady-clock ms of that tick (stall detection)
    platform::CalendarTime confirmTime{};     // local time the count confirmation was taken: the newest
                                              // of the confirmed samples was recorded then
    int streamLeftOpen = 0;                   // a stream was started and may still be running at the logger
    std::uint32_t strayAtLastEnd = 0;         // strayCount when the line was last known to be settled
    int lastTransferEnd = 0;                  // TransferEnd of the latest transfer (device/transfer.h)
    int sampleTimeAttempts = 0;               // answered pings in a row that brought no sample time
    int unsavedWork = 0;                      // the recording on show was fetched or re-timed, not saved
    std::uint16_t linkPort = 0;               // port the link is open on, 0 when closed (port selection)
    int modalDepth = 0;                       // modal dialogs, message boxes and menus of ours open now;
                                              // a transfer does not complete while it is above 0
    int quitAgreed = 0;                       // the user let the desktop session end the program; a close
                                              // before the next command does not ask again

    // Set-time dialog: second, minute, hour, day, month, year - 2000
    std::array<std::uint8_t, 6> timeEntry = {};

    // Chart view
    int dataPresent = 0;                      // a recording is in memory and shown
    std::uint32_t samplesPerPixel = 0;        // samples per column of the main chart
    std::uint32_t mainStart = 0;              // first record of the main chart
    std::uint32_t zoomStart = 0;              // first record of the zoom chart
    std::uint32_t zoomOffset = 0;             // zoomStart - mainStart
    std::uint16_t cursorX = 0;                // zoom cursor position, 0..540
    std::int32_t dragAnchorX = 0;             // mouse x where a cursor drag started
    std::uint16_t dragCursorX = 0;            // cursorX when the drag started
    bool dragging = false;                    // a cursor drag is in progress
    std::int32_t savedSpanSelection = 0;      // combo selection of the span on show; a refused span returns to it
    std::uint32_t scrollMax = 0;              // chart scroll bar as last set: range 0..scrollMax (0: no scrolling)
    std::uint32_t scrollPage = 0;             // its page (thumb size)
    std::uint32_t scrollPos = 0;              // its position, 0..scrollMax-scrollPage+1
    std::int32_t mainLast = 0;                // last record drawn in the main chart
    std::int32_t zoomLast = 0;                // last record drawn in the zoom chart
};

extern AppState gApp;

// True while a transfer's span is chosen and it has not ended: the count is
// being confirmed or the samples are arriving.
inline bool transferRunning() { return gApp.transferOpen != 0 || gApp.receiving != 0; }

// Puts AppState, Settings, the recording header and the store back to their
// start values. For tests; the program itself starts from these values.
void resetGlobalStateForTests();
