// The fetch command: the window's Transfer without the window. The headless
// host (cli_platform.cpp) stands in for the window system, and this loop
// stands in for the message loop: it runs posted commands through the main
// window's command dispatch and ticks the 50 ms and 100 ms timers through its
// timer dispatch, so the ping and its retry, the span's count, the count
// confirmation, the stream, the logger's abort and the stamping at completion
// are the core's own, step for step.

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>

#include "cli.h"
#include "cli_os.h"
#include "cli_platform.h"
#include "device/link.h"
#include "device/transfer.h"
#include "platform/serial.h"
#include "recording/recording_file.h"
#include "recording/store.h"
#include "shell/app_state.h"
#include "shell/handlers.h"
#include "shell/main_window.h"
#include "shell/messages.h"
#include "shell/span_dialog.h"
#include "shell/file_places.h"

namespace cli {

namespace {

const char kFetchHelp[] =
    "Usage: vantreldaq-cli fetch --port N --span SPAN [-o FILE.udd] [--lang en|de] [--quiet]\n"
    "                            [--stall S]\n"
    "\n"
    "Fetches the most recent SPAN of the logger's recording over COM<N>, as the\n"
    "window's Transfer does: ping (repeated once), the logger's sample time, the\n"
    "span's number of samples (at most 1048576), the logger's confirmation, the\n"
    "stream. The logger fixes the samples it sends when it confirms the count, so\n"
    "the newest of them is stamped with the local time of the confirmation and\n"
    "each earlier one a sample time before, also when fewer arrive.\n"
    "\n"
    "  --port N          1..256 (or COM1..COM256); see vantreldaq-cli ports\n"
    "  --span SPAN       the span by its English or German name or its index:\n"
    "                      0 \"2 minutes\"   1 \"5 minutes\"   2 \"10 minutes\"  3 \"20 minutes\"\n"
    "                      4 \"50 minutes\"  5 \"1 hour\"      6 \"2 hours\"     7 \"5 hours\"\n"
    "                      8 \"12 hours\"    9 \"18 hours\"   10 \"1 day\"      11 \"5 days\"\n"
    "                     12 \"1 week\"     13 \"12 days\"\n"
    "                    (\"5 Stunden\", \"1 Tag\", ... as well). Only the spans the span\n"
    "                    dialog offers at the logger's sample time are fetched.\n"
    "  -o, --output FILE write the recording there (default: vantrel-YYYYMMDD-HHMMSS.udd\n"
    "                    in the current folder, from the time of the first sample)\n"
    "  --lang en|de      language of the logger's messages (default en)\n"
    "  -q, --quiet       no progress and no summary, only errors\n"
    "  --stall S         end the transfer when no sample arrives for S seconds\n"
    "                    (default 10); what arrived is written (exit 3)\n"
    "\n"
    "Progress goes to stderr: a bar with the time left on a terminal, a line per\n"
    "10 % otherwise. The file's name goes to stdout once it is written. Ctrl+C\n"
    "sends the logger the abort code and writes nothing (exit 130).\n"
    "\n"
    "Damaged frames: when the samples missing at the end are exactly the frames\n"
    "that arrived damaged, each is kept as a gap (255) at its place, so every\n"
    "sample keeps its time; stderr says how many (exit 0).\n"
    "\n"
    "Exit 0: every sample asked for arrived and the file is written. 1: bad\n"
    "arguments or a span the sample time does not allow. 2: port, logger or disc\n"
    "failure, or no sample received (no file is written). 3: the file is written\n"
    "but holds fewer samples than the logger confirmed, because the logger ended\n"
    "the transfer early or stopped sending for S seconds (--stall); a line on\n"
    "stderr says how many arrived and why, naming damaged frames when some were\n"
    "dropped.\n";

// Ctrl+C and SIGTERM end the fetch cleanly while this lives; a second one
// ends the process.
struct StopSignals {
    StopSignals() { os::catchStopSignals(); }
    ~StopSignals() { os::releaseStopSignals(); }
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;
};

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

// The progress "window" on stderr: a bar redrawn in place on a terminal, a
// line per 10 % into a log.
struct ProgressView {
    bool quiet = false;
    bool terminal = false;
    bool started = false;       // the stream has begun (the progress window exists)
    bool barDrawn = false;      // a bar line stands without its line feed
    int lastPlainStep = -1;     // last 10 % step written as a line
    Clock::time_point streamStart{};
    std::string prefix;         // "COM1: "

    int width() const {
        if (const int columns = os::terminalColumns(); columns > 0) return columns;
        if (const char* c = std::getenv("COLUMNS"); c != nullptr && std::atoi(c) > 0) return std::atoi(c);
        return 80;
    }

    void update() {
        if (quiet || !host().progressShown) return;
        // Against the confirmed count: the logger's own abort lowers the count
        // awaited, and a short stream must not look complete.
        const std::uint32_t expected = gApp.confirmedCount;
        draw(std::min(gApp.receivedCount.load(), expected), expected);
    }

    void draw(std::uint32_t received, std::uint32_t expected) {
        if (!started) {
            started = true;
            streamStart = Clock::now();
            sayTo(stderr, "%sreceiving %u samples, %s s apart\n", prefix.c_str(), expected,
                         formatSampleTime(gApp.transferSampleTime).text);
            // A span the store cannot hold whole is said, not silently cut.
            if (spanCutByStore(gApp.transferSpanIndex, gApp.transferSampleTime)) {
                std::string note = spanFetchDescription(gApp.transferSpanIndex, gApp.transferSampleTime);
                std::replace(note.begin(), note.end(), '\n', ' ');
                sayTo(stderr, "%s%s\n", prefix.c_str(), note.c_str());
            }
        }
        const double elapsed = secondsSince(streamStart);
        if (terminal) {
            const int columns = width();
            emit(stderr, os::redrawnLine(progressBar(received, expected, elapsed, columns), columns));
            barDrawn = true;
        } else {
            const int step = expected == 0 ? 10 : static_cast<int>(std::uint64_t{received} * 10 / expected);
            if (step != lastPlainStep) {
                lastPlainStep = step;
                sayTo(stderr, "%s%s\n", prefix.c_str(), progressPlain(received, expected, elapsed).c_str());
            }
        }
        std::fflush(stderr);
    }

    // Ends the bar's line before anything else is printed; a recording shows
    // how much of the confirmed count it holds (never 100 % for a short one).
    void finish(bool complete) {
        if (complete && started && !quiet) draw(gHeader.recordCount, gApp.confirmedCount);
        if (barDrawn) emit(stderr, "\n");
        barDrawn = false;
        std::fflush(stderr);
    }
};

// Nothing left for the loop to do: no command posted, no code queued, no
// confirmation awaited and no stream running.
bool transferIdle() {
    return !commandsPosted() && gApp.cmdHead == gApp.cmdTail && gApp.countSent == 0 && gApp.receiving == 0;
}

// "3", "COM3" or "com3".
bool parsePort(std::string text, int& port) {
    if (text.size() > 3 && (text[0] == 'C' || text[0] == 'c') && (text[1] == 'O' || text[1] == 'o') &&
        (text[2] == 'M' || text[2] == 'm'))
        text = text.substr(3);
    std::uint64_t n = 0;
    if (!parseUnsigned(text, platform::kLastSerialPort, n) || n < platform::kFirstSerialPort) return false;
    port = static_cast<int>(n);
    return true;
}

// A file name given as UTF-8, as a path.
std::filesystem::path pathOf(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

// The name a fetch writes to without -o: the recording's start, as the
// window's Save proposes it, made unique in the current folder.
std::string defaultOutputName() {
    const std::string base = recordingNameBase();
    std::string name = base + ".udd";
    std::error_code ec;
    for (int k = 2; std::filesystem::exists(pathOf(name), ec) && k < 1000; ++k)
        name = base + "-" + std::to_string(k) + ".udd";
    return name;
}

// A place the recording can be written to, checked before the logger is asked,
// so a long fetch does not end in a typo.
bool outputUsable(const std::string& path) {
    std::error_code ec;
    if (std::filesystem::is_directory(pathOf(path), ec)) {
        complain("%s is a folder; give a file name with -o", path.c_str());
        return false;
    }
    // UTF-8 both ways, whatever the system's own narrow encoding is.
    const std::u8string folderU8 = pathOf(path).parent_path().u8string();
    std::string folder(folderU8.begin(), folderU8.end());
    if (folder.empty()) folder = ".";
    if (!std::filesystem::is_directory(pathOf(folder), ec)) {
        complain("%s: the folder %s does not exist", path.c_str(), folder.c_str());
        return false;
    }
    if (const int error = os::folderWritable(folder); error != 0) {
        complain("%s: cannot write in %s: %s", path.c_str(), folder.c_str(), std::strerror(error));
        return false;
    }
    return true;
}

std::string spanList(const std::vector<int>& spans) {
    std::string list;
    for (const int i : spans) {
        if (!list.empty()) list += ", ";
        list += std::to_string(i) + " \"" + spanLabel(i) + "\"";
    }
    return list;
}

}  // namespace

int commandFetch(int argc, char** argv) {
    const ParsedArgs args = parseArgs(argc, argv, 1,
                                      {{"--port", nullptr, true},
                                       {"--span", nullptr, true},
                                       {"--output", "-o", true},
                                       {"--lang", nullptr, true},
                                       {"--quiet", "-q", false},
                                       {"--stall", nullptr, true}});
    if (args.help) {
        emit(stdout, kFetchHelp);
        return ExitOk;
    }
    auto usage = [](const std::string& what) {
        complain("fetch: %s (see vantreldaq-cli fetch --help)", what.c_str());
        return ExitUser;
    };
    if (!args.error.empty()) return usage(args.error);
    if (!args.positional.empty()) return usage("unexpected argument \"" + args.positional[0] + "\"");
    if (!args.has("--port")) return usage("which port? give --port N");
    if (!args.has("--span")) return usage("which span? give --span NAME");
    int port = 0;
    if (!parsePort(args.value("--port"), port)) return usage("--port needs 1..256 (COM1..COM256), not \"" + args.value("--port") + "\"");
    if (args.has("--lang")) {
        std::uint16_t language = English;
        if (!parseLanguage(args.value("--lang"), language))
            return usage("--lang needs en or de, not \"" + args.value("--lang") + "\"");
        gSettings.language = language;
    }
    const int span = findSpan(args.value("--span"));
    if (span < 0) {
        std::vector<int> all;
        for (int i = 0; i < kSpanCount; ++i) all.push_back(i);
        return usage("no span \"" + args.value("--span") + "\"; the spans are " + spanList(all));
    }
    const std::string requestedOutput = args.value("--output");
    if (!outputUsable(requestedOutput.empty() ? "vantrel.udd" : requestedOutput)) return ExitUser;
    const bool quiet = args.has("--quiet");
    std::uint64_t stallSeconds = kStallSeconds;
    if (args.has("--stall") && (!parseUnsigned(args.value("--stall"), 86400, stallSeconds) || stallSeconds == 0))
        return usage("--stall needs 1..86400 seconds, not \"" + args.value("--stall") + "\"");

    const platform::SerialPortInfo info = platform::serialPortInfo(port);
    if (info.path.empty()) {
        complain("COM%d has no device (see vantreldaq-cli ports)", port);
        return ExitFailure;
    }
    if (!info.present) {
        complain("COM%d: %s does not exist", port, info.path.c_str());
        return ExitFailure;
    }

    resetHost();
    host().spanRequest = span;
    gDeviceWaits.stallMs = static_cast<int>(stallSeconds * 1000);
    createTransferSignals();
    if (!openLink(static_cast<std::uint16_t>(port), kLinkBaud)) {
        complain("COM%d (%s): %s", port, info.path.c_str(), messageTextPtr(78));
        return ExitFailure;
    }

    ProgressView view;
    view.quiet = quiet;
    view.terminal = os::stderrIsTerminal();
    view.prefix = "COM" + std::to_string(port) + ": ";

    // Held until the file is written: a Ctrl+C after the last sample lets the
    // write finish rather than leave a temporary file behind.
    StopSignals signals;
    {
        // The menu's Transfer, then the message loop's part: posted commands
        // first, the two timers at their periods. A blocking wait inside a
        // handler (ping, confirmation) delays the timers as it delays the window's.
        dispatchCommand(CmdTransfer);
        auto nextPump = Clock::now() + std::chrono::milliseconds(50);
        auto nextTrack = Clock::now() + std::chrono::milliseconds(100);
        while (os::stopSignal() == 0) {
            int id = 0;
            if (takePostedCommand(id)) {
                dispatchCommand(id);
                continue;
            }
            if (transferIdle()) break;
            auto now = Clock::now();
            if (now >= nextPump) {
                mainWindowTimer(kPumpTimerId);
                now = Clock::now();
                nextPump = std::max(nextPump + std::chrono::milliseconds(50), now);
            }
            if (now >= nextTrack) {
                mainWindowTimer(kProgressTimerId);
                view.update();
                now = Clock::now();
                nextTrack = std::max(nextTrack + std::chrono::milliseconds(100), now);
            }
            std::this_thread::sleep_until(std::min(nextPump, nextTrack));
        }

        if (os::stopSignal() != 0) {
            const int signal = os::stopSignal();
            // As the progress window's Abort does: the abort code, then the
            // end of the display; a transfer still in its handshake is told too.
            if (gApp.receiving == 1) {
                progressAbortPressed();
                int posted = 0;
                while (takePostedCommand(posted)) dispatchCommand(posted);
            } else if (gApp.transferOpen == 1) {
                sendAbort();
            }
            drainTransmitRing(1000);
            closeLink();
            view.finish(false);
            complain("COM%d: interrupted; nothing written", port);
            return 128 + signal;
        }
    }
    closeLink();
    view.finish(gApp.dataPresent == 1);

    if (host().spanRefused) {
        complain("the span \"%s\" is not offered at the logger's sample time of %s s; the spans it allows: %s",
                 spanLabel(span).c_str(), formatSampleTime(host().refusedSampleTime).text,
                 spanList(allowedSpans(host().refusedSampleTime)).c_str());
        return ExitUser;
    }
    const auto end = static_cast<TransferEnd>(gApp.lastTransferEnd);
    const std::uint32_t damaged = gApp.damagedLines.load();
    if (end == TransferEnd::DamagedKept) {
        complain("COM%d: %u damaged frames were kept as gaps at their place", port,
                 static_cast<unsigned>(gApp.damagedInStream.load()));
    }
    const std::string damagedNote =
        damaged > 0 ? "; " + std::to_string(damaged) + " damaged frames were dropped" : std::string();
    if (!gApp.dataPresent) {
        if (gApp.confirmedCount > 0 && end == TransferEnd::NoSamples) {
            complain("COM%d (%s): the logger sent no sample within %llu s of the start%s; nothing written", port,
                     info.path.c_str(), static_cast<unsigned long long>(stallSeconds), damagedNote.c_str());
        } else {
            complain("COM%d (%s): no recording received; nothing written", port, info.path.c_str());
        }
        return ExitFailure;
    }

    const std::string output = requestedOutput.empty() ? defaultOutputName() : requestedOutput;
    int code = 0;
    if (writeRecordingFile(output.c_str(), code) != SaveStatus::Saved) {
        complain("%s: %s: %s", output.c_str(), messageTextPtr(84), std::strerror(code != 0 ? code : EIO));
        return ExitFailure;
    }
    if (!quiet) {
        sayTo(stderr, "%s%u samples of %s, %s .. %s\n", view.prefix.c_str(),
                     static_cast<unsigned>(gHeader.recordCount), spanLabel(gHeader.spanIndex).c_str(),
                     formatStamp(gStore[0]).c_str(), formatStamp(gStore[gHeader.recordCount - 1]).c_str());
    }
    say("%s\n", output.c_str());
    if (std::fflush(stdout) != 0) return ExitFailure;
    if (end == TransferEnd::LoggerEnded || end == TransferEnd::Stalled) {
        // The file holds what came, but not everything asked for: a script
        // must be able to tell.
        complain("COM%d: incomplete: %u of %u samples arrived; %s%s", port, static_cast<unsigned>(gHeader.recordCount),
                 gApp.confirmedCount,
                 end == TransferEnd::LoggerEnded
                     ? "the logger ended the transfer early"
                     : ("the logger sent nothing for " + std::to_string(stallSeconds) + " s").c_str(),
                 damagedNote.c_str());
        return ExitIncomplete;
    }
    return ExitOk;
}

}  // namespace cli
