// vantreldaq-cli: the recording work of the program from a shell, over the same
// core as the window: the transfer handlers driven by a headless host, the
// recording file loader and writer, the CSV writer and the set-time checks.
//
// The functions below hold the command-line logic; main.cpp only sets the
// locale and calls run(). Everything runs on one thread (the link's reader and
// writer threads aside), with the core's global recording as the one
// recording in memory.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "recording/store.h"

namespace cli {

inline constexpr const char* kProgramName = "vantreldaq-cli";

// Exit codes. A user's mistake (arguments, a file the program refuses, a time
// the set-time checks refuse) is told apart from a failure of the device or of
// the disc, so a script can retry the one and not the other.
enum ExitCode : int {
    ExitOk = 0,
    ExitUser = 1,         // bad arguments, refused file, refused time
    ExitFailure = 2,      // device, port or I/O failure; no samples received
    ExitIncomplete = 3,   // fetch: file written, but the logger ended early or the stream stalled
    ExitInterrupted = 130 // Ctrl+C (128 + SIGINT), as shells report it
};

// Entry point of the program: the command and its arguments (argv[0] is the
// program). Returns the exit code.
int run(int argc, char** argv);

// ---- commands (argv[0] is the command name) -----------------------------------
int commandPorts(int argc, char** argv);
int commandFetch(int argc, char** argv);
int commandInfo(int argc, char** argv);
int commandExport(int argc, char** argv);
int commandSetTime(int argc, char** argv);
int commandReport(int argc, char** argv);

// ---- arguments ----------------------------------------------------------------
// One option a command accepts: "--name" (or a short alias such as "-o") and
// whether a value follows ("--name VALUE" or "--name=VALUE").
struct OptionSpec {
    const char* name;
    const char* alias;  // nullptr: none
    bool takesValue;
};

struct ParsedArgs {
    std::vector<std::string> positional;
    std::vector<std::pair<std::string, std::string>> options;  // name (long form), value ("" for flags)
    bool help = false;                                         // --help or -h was given
    std::string error;                                         // empty when parsing succeeded

    bool has(const char* name) const;
    // The last value given for name, or fallback.
    std::string value(const char* name, const std::string& fallback = {}) const;
};

// Parses argv[first..argc-1] against the accepted options. "--" ends the
// options; a lone "-" is positional.
ParsedArgs parseArgs(int argc, char** argv, int first, const std::vector<OptionSpec>& options);

// A plain unsigned decimal number up to max: digits only, no sign, no blanks.
bool parseUnsigned(const std::string& text, std::uint64_t max, std::uint64_t& out);

// ---- spans --------------------------------------------------------------------
// The span index (0..13) a user means: an English or German label ("5 hours",
// "5 Stunden"; case and blanks do not matter) or the index itself. -1 if none.
int findSpan(const std::string& text);
// "2 minutes" .. "12 days" in the current language.
std::string spanLabel(int spanIndex);
// The spans the span dialog offers at a sample time, as "index label" entries.
std::vector<int> allowedSpans(std::uint16_t sampleTime);

// ---- languages ------------------------------------------------------------------
// "en" -> 0, "de" -> 100 (also "english", "german", "deutsch"). False if unknown.
bool parseLanguage(const std::string& text, std::uint16_t& language);

// ---- recordings -------------------------------------------------------------------
// Loads path into the recording in memory with the window's loader. On
// refusal prints why (naming the file) and returns ExitUser or ExitFailure;
// ExitOk when loaded.
int loadForCommand(const std::string& path);

// A record's timestamp as "YYYY-MM-DD HH:MM:SS.hh" (never locale dependent).
std::string formatStamp(const SampleRecord& r);

// Value statistics of records 0 .. count-1. Readings are the values that are
// neither a marker (201, 202) nor a gap (255).
struct ValueStats {
    std::uint32_t readings = 0;
    std::uint32_t markers = 0;
    std::uint32_t gaps = 0;
    std::uint8_t minimum = 0;  // valid when readings > 0
    std::uint8_t maximum = 0;
    double mean = 0.0;
};
ValueStats valueStats(const SampleRecord* records, std::uint32_t count);

// Splits "YYYY-MM-DD HH:MM:SS" (a 'T' may stand for the blank) into the six
// texts the set-time checks read, in the order year, month, day, hour,
// minute, second. Returns false when the text does not have that shape; the
// numbers themselves are left to the checks.
bool splitTimeText(const std::string& text, std::array<std::string, 6>& fields);

// ---- progress ---------------------------------------------------------------------
// One progress report of a transfer: a bar line for a terminal of width
// columns, or a plain line for a log.
std::string progressBar(std::uint32_t received, std::uint32_t expected, double elapsedSeconds, int width);
std::string progressPlain(std::uint32_t received, std::uint32_t expected, double elapsedSeconds);
// "1 h 02 min", "3 min 05 s", "42 s" for an estimate of seconds left.
std::string formatDuration(double seconds);

// Flushes stdout at the end of a command: ExitOk when all went out or the
// reader closed the pipe early (`| head`), ExitFailure on any other error.
int finishStdout();

// Prints "vantreldaq-cli: " and the formatted message on stderr.
void complain(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Every text the program writes to stdout or stderr goes through these, as
// UTF-8 bytes. By default the bytes go to the stream unchanged; the Windows
// build sets a writer that shows them as characters on a console.
using StreamWriter = void (*)(std::FILE* stream, const char* bytes, std::size_t n);
void setStreamWriter(StreamWriter writer);
void emit(std::FILE* stream, const std::string& text);
// printf onto stdout (say) or a given stream (sayTo).
void say(const char* format, ...) __attribute__((format(printf, 1, 2)));
void sayTo(std::FILE* stream, const char* format, ...) __attribute__((format(printf, 2, 3)));

}  // namespace cli
