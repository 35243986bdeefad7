// The commands of vantreldaq-cli that work on files and ports: ports, info,
// export and settime. Each reuses the window's rule for its part: the
// recording loader and its refusals, writeCsv, the set-time checks and the
// timestamp assignment.
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "cli.h"
#include "platform/serial.h"
#include "recording/csv_export.h"
#include "recording/recording_file.h"
#include "recording/replace_file.h"
#include "recording/set_time.h"
#include "recording/store.h"
#include "recording/timestamps.h"
#include "shell/app_state.h"
#include "shell/messages.h"
#include "shell/span_dialog.h"

namespace cli {

namespace {

const char kPortsHelp[] =
    "Usage: vantreldaq-cli ports\n"
    "\n"
    "Shows which device each port number COM1..COM8 means, one line per port:\n"
    "  the number, the device path (- for none), present / missing / none, and\n"
    "  where the mapping comes from (VANTREL_COM<n>, ports.conf, or automatic)\n"
    "  with the device's name when the system knows it (the USB product name,\n"
    "  or on Windows the Device Manager's). Numbers up to COM256 that lead to a\n"
    "  device of their own (an override, or on Windows a port of that name)\n"
    "  follow.\n";

const char kInfoHelp[] =
    "Usage: vantreldaq-cli info FILE.udd [--lang en|de]\n"
    "\n"
    "Shows a recording's sample time, span, record count, first and last\n"
    "timestamps and value statistics: minimum, maximum and mean of the readings\n"
    "(values 0..254 other than the markers 201 and 202), and the counts of\n"
    "markers and of gaps (255).\n"
    "\n"
    "  --lang en|de   language of the span's name (default en)\n"
    "\n"
    "A file the program refuses (cut header, record count 0 or above 1048576,\n"
    "sample time 0, fewer records than the header counts) exits with 1.\n";

const char kExportHelp[] =
    "Usage: vantreldaq-cli export FILE.udd [-o FILE.csv] [--from I] [--to J] [--step S]\n"
    "                                      [--lang en|de] [--with-time [--separator C]]\n"
    "\n"
    "Writes records I, I+S, I+2S, ... up to J of the recording as the program's\n"
    "CSV export: four header lines in the chosen language, then one value per\n"
    "line (an empty line for values of 150 and above). The file is the same,\n"
    "byte for byte, as the window's export of the same records in the same\n"
    "locale (the start date follows LC_TIME / LANG).\n"
    "\n"
    "  -o, --output FILE   write there (replaced only once complete); default: stdout\n"
    "                      (a reader that stops early, as `| head` does, ends the\n"
    "                      export quietly with exit code 0)\n"
    "  --from I            first record, 0-based (default 0)\n"
    "  --to J              last record, inclusive (default and at most: the last)\n"
    "  --step S            records between two lines, at least 1 (default 1)\n"
    "  --lang en|de        language of the header lines (default en)\n"
    "\n"
    "  --with-time         spreadsheet form instead: a header line naming the\n"
    "                      columns (Time,Value; Zeit,Wert with --lang de), then\n"
    "                      one line per record: its date and time as\n"
    "                      YYYY-MM-DD HH:MM:SS.hh, the separator, its value:\n"
    "                      every reading's value (also 150..200 and 203..254);\n"
    "                      only markers (201, 202) and gaps (255) are left empty\n"
    "  --separator C       column separator of --with-time: one character, or\n"
    "                      \"tab\" (default ,); not a digit, '-', ':', '.' or blank\n";

const char kSetTimeHelp[] =
    "Usage: vantreldaq-cli settime FILE.udd (--start | --end) \"YYYY-MM-DD HH:MM:SS\"\n"
    "                                       [-o OUT.udd]\n"
    "\n"
    "Gives the recording its true time: --start stamps the first sample with the\n"
    "given time and every later one a sample time later; --end stamps the last\n"
    "sample and steps backwards. The time is checked as the Set time dialog\n"
    "checks it (year 2005..2099, a day that exists in its month, hour 0..23,\n"
    "minute and second 0..59); a refused time exits with 1 and changes nothing.\n"
    "\n"
    "  --start TIME      the first sample's time\n"
    "  --end TIME        the last sample's time\n"
    "  -o, --output FILE write the restamped recording there (default: FILE.udd\n"
    "                    itself, replaced only once complete)\n"
    "\n"
    "Times run from 2000-01-01 to 2099-12-31: records that would lie beyond are\n"
    "held at that end, and a warning on stderr says how many (the exit code\n"
    "stays 0).\n";

bool wantsHelp(const ParsedArgs& args, const char* help) {
    if (!args.help) return false;
    emit(stdout, help);
    return true;
}

int usage(const ParsedArgs& args, const char* command) {
    complain("%s: %s (see vantreldaq-cli %s --help)", command, args.error.c_str(), command);
    return ExitUser;
}

int usage(const char* command, const std::string& what) {
    complain("%s: %s (see vantreldaq-cli %s --help)", command, what.c_str(), command);
    return ExitUser;
}

// The --lang option into gSettings.language (the message table's language).
bool applyLanguage(const ParsedArgs& args, const char* command) {
    if (!args.has("--lang")) return true;
    std::uint16_t language = English;
    if (!parseLanguage(args.value("--lang"), language)) {
        usage(command, "--lang needs en or de, not \"" + args.value("--lang") + "\"");
        return false;
    }
    gSettings.language = language;
    return true;
}

// Exactly one FILE.udd argument.
bool oneFile(const ParsedArgs& args, const char* command, std::string& path) {
    if (args.positional.size() != 1) {
        usage(command, args.positional.empty() ? "which recording file?" : "one recording file at a time");
        return false;
    }
    path = args.positional[0];
    return true;
}

const char* sourceName(platform::SerialSource s) {
    switch (s) {
        case platform::SerialSource::Environment:
            return "env";
        case platform::SerialSource::File:
            return "ports.conf";
        case platform::SerialSource::Automatic:
            return "auto";
        case platform::SerialSource::None:
            break;
    }
    return "";
}

}  // namespace

int commandPorts(int argc, char** argv) {
    const ParsedArgs args = parseArgs(argc, argv, 1, {});
    if (wantsHelp(args, kPortsHelp)) return ExitOk;
    if (!args.error.empty()) return usage(args, "ports");
    if (!args.positional.empty()) return usage("ports", "takes no arguments");

    for (int n = platform::kFirstSerialPort; n <= platform::kLastSerialPort; ++n) {
        const platform::SerialPortInfo info = platform::serialPortInfo(n);
        // Above the menu's numbers, only those that lead somewhere of their own.
        if (n > platform::kLastMenuSerialPort &&
            (info.path.empty() || (info.source == platform::SerialSource::Automatic && !info.present)))
            continue;
        const char* state = info.path.empty() ? "none" : (info.present ? "present" : "missing");
        std::string note;
        if (info.source == platform::SerialSource::Environment) {
            note = "VANTREL_COM" + std::to_string(n);
        } else {
            note = sourceName(info.source);
        }
        if (!info.product.empty()) note += " (" + info.product + ")";
        char line[512];
        std::snprintf(line, sizeof line, "%d  %-16s  %-7s  %s", n, info.path.empty() ? "-" : info.path.c_str(), state,
                      note.c_str());
        std::string text = line;
        while (!text.empty() && text.back() == ' ') text.pop_back();
        say("%s\n", text.c_str());
    }
    return finishStdout();
}

int commandInfo(int argc, char** argv) {
    const ParsedArgs args = parseArgs(argc, argv, 1, {{"--lang", nullptr, true}});
    if (wantsHelp(args, kInfoHelp)) return ExitOk;
    if (!args.error.empty()) return usage(args, "info");
    std::string path;
    if (!oneFile(args, "info", path) || !applyLanguage(args, "info")) return ExitUser;
    if (const int rc = loadForCommand(path); rc != ExitOk) return rc;

    const RecordingHeader& h = gHeader;
    const std::uint16_t sampleTime = loadSampleTime();
    const ValueStats stats = valueStats(gStore, h.recordCount);
    say("File:          %s\n", path.c_str());
    say("Sample time:   %s s\n", formatSampleTime(sampleTime).text);
    if (h.spanIndex < kSpanCount) {
        say("Span:          %s (index %u)\n", spanLabel(h.spanIndex).c_str(), static_cast<unsigned>(h.spanIndex));
    } else {
        say("Span:          unknown (index %u)\n", static_cast<unsigned>(h.spanIndex));
    }
    say("Records:       %u\n", static_cast<unsigned>(h.recordCount));
    say("First sample:  %s\n", formatStamp(gStore[0]).c_str());
    say("Last sample:   %s\n", formatStamp(gStore[h.recordCount - 1]).c_str());
    if (stats.readings > 0) {
        say("Readings:      %u (min %u, max %u, mean %.2f)\n", stats.readings,
                    static_cast<unsigned>(stats.minimum), static_cast<unsigned>(stats.maximum), stats.mean);
    } else {
        say("Readings:      0\n");
    }
    say("Markers:       %u\n", stats.markers);
    say("Gaps:          %u\n", stats.gaps);
    return finishStdout();
}

int commandExport(int argc, char** argv) {
    const ParsedArgs args = parseArgs(argc, argv, 1,
                                      {{"--output", "-o", true},
                                       {"--from", nullptr, true},
                                       {"--to", nullptr, true},
                                       {"--step", nullptr, true},
                                       {"--lang", nullptr, true},
                                       {"--with-time", nullptr, false},
                                       {"--separator", nullptr, true}});
    if (wantsHelp(args, kExportHelp)) return ExitOk;
    if (!args.error.empty()) return usage(args, "export");
    std::string path;
    if (!oneFile(args, "export", path) || !applyLanguage(args, "export")) return ExitUser;

    std::uint64_t from = 0;
    std::uint64_t to = 0xFFFFFFFFu;
    std::uint64_t step = 1;
    if (args.has("--from") && !parseUnsigned(args.value("--from"), 0xFFFFFFFFu, from))
        return usage("export", "--from needs a record number, not \"" + args.value("--from") + "\"");
    if (args.has("--to") && !parseUnsigned(args.value("--to"), 0xFFFFFFFFu, to))
        return usage("export", "--to needs a record number, not \"" + args.value("--to") + "\"");
    if (args.has("--step") && (!parseUnsigned(args.value("--step"), 0xFFFFFFFFu, step) || step == 0))
        return usage("export", "--step needs a number of at least 1, not \"" + args.value("--step") + "\"");
    if (from > to) return usage("export", "--from lies after --to");
    const bool withTime = args.has("--with-time");
    char separator = ',';
    if (args.has("--separator")) {
        if (!withTime) return usage("export", "--separator goes with --with-time");
        const std::string sep = args.value("--separator");
        if (sep == "tab" || sep == "\\t") separator = '\t';
        else if (sep.size() == 1) separator = sep[0];
        if (!(sep.size() == 1 || separator == '\t') || !usableSeparator(separator))
            return usage("export", "--separator needs one character that is not part of a time or a value, not \"" +
                                       sep + "\"");
    }
    // The window's export, or the spreadsheet form.
    auto write = [&](std::FILE* f) {
        const auto first = static_cast<std::uint32_t>(from);
        const auto lastWanted = static_cast<std::uint32_t>(to);
        const auto every = static_cast<std::uint32_t>(step);
        return withTime ? writeTimedCsv(f, first, lastWanted, every, separator) : writeCsv(f, first, lastWanted, every);
    };

    if (const int rc = loadForCommand(path); rc != ExitOk) return rc;
    const std::uint32_t last = gHeader.recordCount - 1;
    if (from > last) {
        complain("%s: --from %llu lies beyond the last record, %u", path.c_str(),
                 static_cast<unsigned long long>(from), last);
        return ExitUser;
    }

    const std::string output = args.value("--output", "-");
    if (output == "-") {
        errno = 0;
        const int result = write(stdout);
        if (result != 0 || std::fflush(stdout) != 0) {
            // A reader that stopped early (`| head`) closed the pipe: its
            // choice, not a disc failure.
            if (errno == EPIPE) return ExitOk;
            complain("standard output: %s: %s", messageTextPtr(84), std::strerror(errno != 0 ? errno : EIO));
            return ExitFailure;
        }
        return ExitOk;
    }

    // Written beside the target and moved into place only when complete, so
    // that a failed export never leaves a half-written file under its name.
    ReplaceFile out;
    if (const int rc = replaceFileOpen(out, output, ".part"); rc != 0) {
        complain("%s: %s: %s", output.c_str(), messageTextPtr(84), std::strerror(rc));
        return ExitFailure;
    }
    errno = 0;
    const int result = write(out.file);
    if (result != 0) {
        const int err = errno != 0 ? errno : EIO;
        replaceFileDiscard(out);
        complain("%s: %s: %s (code %d)", output.c_str(), messageTextPtr(84), std::strerror(err), result);
        return ExitFailure;
    }
    int rc = replaceFileFinish(out);
    if (rc == 0) rc = replaceFileInstall(out);
    if (rc != 0) {
        replaceFileDiscard(out);
        complain("%s: %s: %s", output.c_str(), messageTextPtr(84), std::strerror(rc));
        return ExitFailure;
    }
    return ExitOk;
}

namespace {

// Hundredths of a second since 2000-01-01 00:00:00.
std::int64_t centiseconds(const platform::CalendarTime& t) {
    using namespace std::chrono;
    const sys_days day = year_month_day{year{t.year}, month{static_cast<unsigned>(t.month)},
                                        std::chrono::day{static_cast<unsigned>(t.day)}};
    const std::int64_t days = (day - sys_days{year{2000} / January / 1}).count();
    return ((days * 24 + t.hour) * 60 + t.minute) * 6000 + std::int64_t{t.second} * 100;
}

// How many records of the recording would lie past 2099-12-31 23:59:59.99
// (stamping forward from `from`) or before 2000-01-01 00:00:00.00 (backward):
// the stamping holds them at that instant.
std::uint32_t heldStamps(bool forward, const platform::CalendarTime& from) {
    const std::uint32_t count = gHeader.recordCount < kStoreCapacity ? gHeader.recordCount : kStoreCapacity;
    // A sample time above one second steps the stamps by exactly one second.
    const std::int64_t step = std::min<std::int64_t>(loadSampleTime(), 100);
    if (count == 0 || step == 0) return 0;
    const std::int64_t room = forward ? centiseconds({2099, 12, 31, 23, 59, 59}) + 99 - centiseconds(from)
                                      : centiseconds(from);
    const std::int64_t fit = room / step + 1;  // records from `from` on that stay inside
    return fit >= count ? 0 : static_cast<std::uint32_t>(count - fit);
}

}  // namespace

int commandSetTime(int argc, char** argv) {
    const ParsedArgs args = parseArgs(argc, argv, 1,
                                      {{"--start", nullptr, true}, {"--end", nullptr, true}, {"--output", "-o", true}});
    if (wantsHelp(args, kSetTimeHelp)) return ExitOk;
    if (!args.error.empty()) return usage(args, "settime");
    std::string path;
    if (!oneFile(args, "settime", path)) return ExitUser;
    if (args.has("--start") == args.has("--end")) return usage("settime", "give either --start or --end");
    const bool start = args.has("--start");
    const std::string when = args.value(start ? "--start" : "--end");

    std::array<std::string, 6> fields;
    if (!splitTimeText(when, fields))
        return usage("settime", "\"" + when + "\" is not of the form \"YYYY-MM-DD HH:MM:SS\"");

    if (const int rc = loadForCommand(path); rc != ExitOk) return rc;

    // The dialog's own checks, on the six fields as if typed into its edits.
    TimeEntryTexts texts;
    for (std::size_t i = 0; i < fields.size(); ++i) texts[i] = fields[i].c_str();
    if (!applyTimeEntry(texts)) {
        complain("\"%s\": %s (year %d..%d, month %d..%d, a day of that month, hour %d..%d, minute and second %d..%d); "
                 "%s is unchanged",
                 when.c_str(), messageTextPtr(kMsgInvalidTime), kTimeFields[FieldYear].minimum,
                 kTimeFields[FieldYear].maximum, kTimeFields[FieldMonth].minimum, kTimeFields[FieldMonth].maximum,
                 kTimeFields[FieldHour].minimum, kTimeFields[FieldHour].maximum, kTimeFields[FieldMinute].minimum,
                 kTimeFields[FieldMinute].maximum, path.c_str());
        return ExitUser;
    }
    const platform::CalendarTime given = timeEntryAsCalendar();
    if (start) {
        assignTimesForward(given);
    } else {
        assignTimesBackward(given);
    }
    // Stamps cannot go past 2099-12-31 or before 2000-01-01: the records
    // beyond are held at that instant, which the file cannot tell.
    if (const std::uint32_t held = heldStamps(start, given); held > 0) {
        complain("warning: %u record%s would lie %s %s; %s held there", static_cast<unsigned>(held),
                 held == 1 ? "" : "s", start ? "after" : "before",
                 formatStamp(gStore[start ? gHeader.recordCount - 1 : 0]).c_str(), held == 1 ? "it is" : "they are");
    }

    const std::string output = args.value("--output", path);
    int code = 0;
    if (writeRecordingFile(output.c_str(), code) != SaveStatus::Saved) {
        complain("%s: %s: %s", output.c_str(), messageTextPtr(84), std::strerror(code != 0 ? code : EIO));
        return ExitFailure;
    }
    say("%s: %u records, %s .. %s\n", output.c_str(), static_cast<unsigned>(gHeader.recordCount),
                formatStamp(gStore[0]).c_str(), formatStamp(gStore[gHeader.recordCount - 1]).c_str());
    return finishStdout();
}

}  // namespace cli
