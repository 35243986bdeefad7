// Argument parsing, span and language names, formatting and statistics of
// vantreldaq-cli.
#include <cerrno>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "cli.h"
#include "platform/files.h"
#include "recording/recording_file.h"
#include "shell/app_state.h"
#include "shell/messages.h"
#include "shell/span_dialog.h"

namespace cli {

namespace {

void writeBytes(std::FILE* stream, const char* bytes, std::size_t n) { std::fwrite(bytes, 1, n, stream); }

StreamWriter gWriter = writeBytes;

std::string formatted(const char* format, va_list args) {
    va_list again;
    va_copy(again, args);
    char small[512];
    const int n = std::vsnprintf(small, sizeof small, format, args);
    std::string text;
    if (n >= 0 && static_cast<std::size_t>(n) < sizeof small) {
        text.assign(small, static_cast<std::size_t>(n));
    } else if (n > 0) {
        text.resize(static_cast<std::size_t>(n) + 1);
        std::vsnprintf(text.data(), text.size(), format, again);
        text.resize(static_cast<std::size_t>(n));
    }
    va_end(again);
    return text;
}

}  // namespace

void setStreamWriter(StreamWriter writer) { gWriter = writer != nullptr ? writer : writeBytes; }

void emit(std::FILE* stream, const std::string& text) { gWriter(stream, text.data(), text.size()); }

void say(const char* format, ...) {
    va_list args;
    va_start(args, format);
    emit(stdout, formatted(format, args));
    va_end(args);
}

void sayTo(std::FILE* stream, const char* format, ...) {
    va_list args;
    va_start(args, format);
    emit(stream, formatted(format, args));
    va_end(args);
}

void complain(const char* format, ...) {
    va_list args;
    va_start(args, format);
    // One piece, so that a console shows the line whole.
    emit(stderr, std::string(kProgramName) + ": " + formatted(format, args) + "\n");
    va_end(args);
    std::fflush(stderr);
}

int finishStdout() {
    errno = 0;
    if (std::fflush(stdout) == 0 && std::ferror(stdout) == 0) return ExitOk;
    // A reader that stopped reading (`| head`) is no failure of ours.
    return errno == EPIPE ? ExitOk : ExitFailure;
}

// ---- arguments ------------------------------------------------------------------

bool ParsedArgs::has(const char* name) const {
    for (const auto& o : options)
        if (o.first == name) return true;
    return false;
}

std::string ParsedArgs::value(const char* name, const std::string& fallback) const {
    std::string v = fallback;
    for (const auto& o : options)
        if (o.first == name) v = o.second;
    return v;
}

ParsedArgs parseArgs(int argc, char** argv, int first, const std::vector<OptionSpec>& options) {
    ParsedArgs out;
    bool optionsEnded = false;
    for (int i = first; i < argc; ++i) {
        const std::string arg = argv[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            out.positional.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (arg == "--help" || arg == "-h") {
            out.help = true;
            continue;
        }
        std::string name = arg;
        std::string inlineValue;
        bool hasInline = false;
        if (const std::size_t eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
            name = arg.substr(0, eq);
            inlineValue = arg.substr(eq + 1);
            hasInline = true;
        }
        const OptionSpec* option = nullptr;
        for (const OptionSpec& s : options)
            if (name == s.name || (s.alias != nullptr && name == s.alias)) option = &s;
        if (option == nullptr) {
            out.error = "unknown option " + name;
            return out;
        }
        if (!option->takesValue) {
            if (hasInline) {
                out.error = std::string(option->name) + " takes no value";
                return out;
            }
            out.options.emplace_back(option->name, "");
            continue;
        }
        if (hasInline) {
            out.options.emplace_back(option->name, inlineValue);
        } else if (i + 1 < argc) {
            out.options.emplace_back(option->name, argv[++i]);
        } else {
            out.error = std::string(option->name) + " needs a value";
            return out;
        }
    }
    return out;
}

bool parseUnsigned(const std::string& text, std::uint64_t max, std::uint64_t& out) {
    if (text.empty() || text.size() > 19) return false;
    std::uint64_t v = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (v > max) return false;
    out = v;
    return true;
}

// ---- spans and languages ------------------------------------------------------------

namespace {

// Lower-case ASCII without blanks: "12 Hours" and "12hours" match "12 hours".
std::string normalised(const std::string& text) {
    std::string n;
    for (const char c : text) {
        if (c == ' ' || c == '\t' || c == '_' || c == '-') continue;
        n.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c);
    }
    return n;
}

// Message id of the label of span i.
MessageId spanMessage(int i) { return static_cast<MessageId>(i + 1); }

}  // namespace

std::string spanLabel(int spanIndex) {
    if (spanIndex < 0 || spanIndex >= kSpanCount) return "?";
    return messageTextPtr(spanMessage(spanIndex));
}

int findSpan(const std::string& text) {
    std::uint64_t index = 0;
    if (parseUnsigned(text, kSpanCount - 1, index)) return static_cast<int>(index);
    const std::string wanted = normalised(text);
    if (wanted.empty()) return -1;
    // The labels of both languages, whatever language is in force.
    const std::uint16_t language = gSettings.language;
    int found = -1;
    for (const std::uint16_t lang : {std::uint16_t{English}, std::uint16_t{German}}) {
        gSettings.language = lang;
        for (int i = 0; i < kSpanCount && found < 0; ++i)
            if (normalised(messageTextPtr(spanMessage(i))) == wanted) found = i;
    }
    gSettings.language = language;
    return found;
}

std::vector<int> allowedSpans(std::uint16_t sampleTime) {
    std::vector<int> spans;
    const auto enabled = spanButtonsEnabled(sampleTime);
    for (int i = 0; i < kSpanCount; ++i)
        if (enabled[static_cast<std::size_t>(i)]) spans.push_back(i);
    return spans;
}

bool parseLanguage(const std::string& text, std::uint16_t& language) {
    const std::string n = normalised(text);
    if (n == "en" || n == "english") {
        language = English;
        return true;
    }
    if (n == "de" || n == "german" || n == "deutsch") {
        language = German;
        return true;
    }
    return false;
}

// ---- recordings ----------------------------------------------------------------------

namespace {

// What the file's header says, for telling the user why it was refused: the
// decision itself is the loader's.
std::string describeHeader(const std::string& path) {
    std::FILE* f = platform::openFile(path.c_str(), "rb");
    if (f == nullptr) return {};
    std::uint8_t raw[kHeaderBytes];
    const std::size_t n = std::fread(raw, 1, sizeof raw, f);
    long size = -1;
    if (std::fseek(f, 0, SEEK_END) == 0) size = std::ftell(f);
    std::fclose(f);
    char text[160];
    if (n < kHeaderBytes) {
        std::snprintf(text, sizeof text, "%zu bytes, shorter than the %zu-byte header", n, kHeaderBytes);
        return text;
    }
    const RecordingHeader h = decodeHeader(raw);
    const long records = size >= 0 ? (size - static_cast<long>(kHeaderBytes)) / static_cast<long>(sizeof(SampleRecord)) : -1;
    std::snprintf(text, sizeof text, "header: sample time %u/100 s, %u records; the file holds %ld records",
                  static_cast<unsigned>(h.sampleTime), static_cast<unsigned>(h.recordCount), records);
    return text;
}

}  // namespace

int loadForCommand(const std::string& path) {
    int code = 0;
    switch (readRecordingFile(path.c_str(), code)) {
        case LoadStatus::Loaded:
            return ExitOk;
        case LoadStatus::OpenFailed:
            complain("%s: %s", path.c_str(), std::strerror(code));
            // A name that leads nowhere is the user's to fix; anything else
            // (a read error, no memory) is a failure of the machine.
            return code == ENOENT || code == ENOTDIR || code == EACCES || code == EISDIR || code == ENAMETOOLONG ||
                           code == ELOOP
                       ? ExitUser
                       : ExitFailure;
        case LoadStatus::BadHeader:
            // The window's refusal and its message, with the file it concerns.
            complain("%s: %s (%s)", path.c_str(), messageTextPtr(82), describeHeader(path).c_str());
            return ExitUser;
        case LoadStatus::ShortRecords:
            complain("%s: %s (%s)", path.c_str(), messageTextPtr(81), describeHeader(path).c_str());
            return ExitUser;
    }
    return ExitUser;
}

std::string formatStamp(const SampleRecord& r) {
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%d%d", r.year + 2000, r.month, r.day, r.hour,
                  r.minute, r.second, r.tenths, r.hundredths);
    return text;
}

ValueStats valueStats(const SampleRecord* records, std::uint32_t count) {
    ValueStats s;
    std::uint64_t sum = 0;
    std::uint8_t lo = 255;
    std::uint8_t hi = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint8_t v = records[i].value;
        if (isMarker(v)) {
            s.markers++;
        } else if (isGap(v)) {
            s.gaps++;
        } else {
            s.readings++;
            sum += v;
            if (v < lo) lo = v;
            if (v > hi) hi = v;
        }
    }
    if (s.readings > 0) {
        s.minimum = lo;
        s.maximum = hi;
        s.mean = static_cast<double>(sum) / s.readings;
    }
    return s;
}

bool splitTimeText(const std::string& text, std::array<std::string, 6>& fields) {
    // Date and time apart at the first blank (or 'T'), blanks around it allowed.
    std::size_t sep = text.find_first_of(" \tT");
    if (sep == std::string::npos) return false;
    const std::string date = text.substr(0, sep);
    std::size_t timeStart = sep;
    while (timeStart < text.size() && (text[timeStart] == ' ' || text[timeStart] == '\t' || text[timeStart] == 'T'))
        ++timeStart;
    const std::string time = text.substr(timeStart);

    auto split3 = [](const std::string& part, char mark, std::string* out) {
        const std::size_t a = part.find(mark);
        if (a == std::string::npos) return false;
        const std::size_t b = part.find(mark, a + 1);
        if (b == std::string::npos || part.find(mark, b + 1) != std::string::npos) return false;
        out[0] = part.substr(0, a);
        out[1] = part.substr(a + 1, b - a - 1);
        out[2] = part.substr(b + 1);
        return true;
    };
    std::string d[3];
    std::string t[3];
    if (!split3(date, '-', d) || !split3(time, ':', t)) return false;
    fields = {d[0], d[1], d[2], t[0], t[1], t[2]};
    return true;
}

// ---- progress ------------------------------------------------------------------------------

std::string formatDuration(double seconds) {
    if (!(seconds >= 0)) seconds = 0;  // also NaN
    const long s = std::lround(seconds);
    char text[48];
    if (s >= 3600) {
        std::snprintf(text, sizeof text, "%ld h %02ld min", s / 3600, (s / 60) % 60);
    } else if (s >= 60) {
        std::snprintf(text, sizeof text, "%ld min %02ld s", s / 60, s % 60);
    } else {
        std::snprintf(text, sizeof text, "%ld s", s);
    }
    return text;
}

namespace {

int percentOf(std::uint32_t received, std::uint32_t expected) {
    if (expected == 0) return 100;
    const std::uint64_t p = std::uint64_t{received} * 100 / expected;
    return p > 100 ? 100 : static_cast<int>(p);
}

// "about 3 min 05 s left" once a rate is known; empty before.
std::string timeLeft(std::uint32_t received, std::uint32_t expected, double elapsed) {
    if (received == 0 || elapsed < 0.5 || received >= expected) return {};
    const double rate = received / elapsed;
    const double left = (expected - received) / rate;
    return left < 1.0 ? "under 1 s left" : "about " + formatDuration(left) + " left";
}

}  // namespace

std::string progressPlain(std::uint32_t received, std::uint32_t expected, double elapsedSeconds) {
    char text[128];
    std::snprintf(text, sizeof text, "%3d%%  %u of %u samples", percentOf(received, expected), received, expected);
    std::string line = text;
    const std::string left = timeLeft(received, expected, elapsedSeconds);
    if (!left.empty()) line += ", " + left;
    return line;
}

std::string progressBar(std::uint32_t received, std::uint32_t expected, double elapsedSeconds, int width) {
    const int percent = percentOf(received, expected);
    char counts[96];
    std::snprintf(counts, sizeof counts, " %3d%% %u/%u", percent, received, expected);
    std::string tail = counts;
    const std::string left = timeLeft(received, expected, elapsedSeconds);
    if (!left.empty()) tail += "  " + left;
    // The bar takes what the line has left, within reason; a narrow terminal
    // gets the numbers only. The line stays one column short of the width so
    // the cursor never wraps.
    const int room = width - 1 - static_cast<int>(tail.size()) - 2;
    if (room < 10) return tail.size() < static_cast<std::size_t>(width) ? tail : tail.substr(0, width > 1 ? width - 1 : 0);
    const int barWidth = room > 50 ? 50 : room;
    const int filled = barWidth * percent / 100;
    return "[" + std::string(static_cast<std::size_t>(filled), '#') +
           std::string(static_cast<std::size_t>(barWidth - filled), '.') + "]" + tail;
}

}  // namespace cli
