#include "recording/csv_export.h"

#include <cerrno>
#include <cstdio>
#include <string>

#include "platform/clock.h"
#include "platform/window.h"
#include "recording/replace_file.h"
#include "recording/store.h"
#include "shell/messages.h"
#include "shell/ui_texts.h"
#include "shell/file_places.h"

namespace {

constexpr MessageId kMsgTitle = 15;         // "Vantrel Data Acquisition"
constexpr MessageId kMsgInterval = 16;      // "Acquisition interval"
constexpr MessageId kMsgUnit = 17;          // "kW%"
constexpr MessageId kMsgStartTime = 18;     // "Start time"
constexpr MessageId kMsgSeconds = 19;       // "seconds"
constexpr MessageId kMsgNotStored = 76;     // "The received data could not be stored"

// A number and a line end, formatted by hand: numbers in the file never
// follow the locale.
std::size_t numberLine(std::uint8_t v, char* out) {
    std::size_t n = 0;
    if (v >= 100) out[n++] = static_cast<char>('0' + v / 100);
    if (v >= 10) out[n++] = static_cast<char>('0' + v / 10 % 10);
    out[n++] = static_cast<char>('0' + v % 10);
    out[n++] = '\n';
    return n;
}

// One value line of the window's export: values from 150 on stay empty.
std::size_t valueLine(std::uint8_t v, char* out) {
    if (v >= kFirstUnexportedValue) {
        out[0] = '\n';
        return 1;
    }
    return numberLine(v, out);
}

// A value of the spreadsheet form: every reading (0..200, 203..254) as its
// number; only markers and gaps leave the cell empty.
std::size_t timedValueLine(std::uint8_t v, char* out) {
    if (isMarker(v) || isGap(v)) {
        out[0] = '\n';
        return 1;
    }
    return numberLine(v, out);
}

bool writeLine(std::FILE* f, const char* text, std::size_t length) {
    return std::fwrite(text, 1, length, f) == length;
}

// A header line from snprintf; the texts are at most 63 bytes each, so the
// buffer never truncates, but a line is never written past its buffer.
bool writeFormatted(std::FILE* f, const char* text, int length, std::size_t capacity) {
    if (length < 0) return false;
    const std::size_t n = static_cast<std::size_t>(length) < capacity ? static_cast<std::size_t>(length) : capacity - 1;
    return writeLine(f, text, n) && n == static_cast<std::size_t>(length);
}

}  // namespace

int writeCsv(std::FILE* f, std::uint32_t first, std::uint32_t last, std::uint32_t step) {
    int result = 0;
    const std::uint32_t count = gHeader.recordCount < kStoreCapacity ? gHeader.recordCount : kStoreCapacity;
    if (step == 0) step = 1;

    const SampleRecord& head = gStore[first < count ? first : 0];
    const platform::CalendarTime when = {head.year + 2000, head.month, head.day,
                                         head.hour,        head.minute, head.second};
    const std::string date = platform::formatShortDate(when);
    const std::string time = platform::formatTime24(when);
    const unsigned long interval = static_cast<unsigned long>(loadSampleTime()) * step;

    char line[256];
    int n = std::snprintf(line, sizeof line, "%s\n", messageTextPtr(kMsgTitle));
    if (!writeFormatted(f, line, n, sizeof line)) result = kCsvHeaderShort;
    n = std::snprintf(line, sizeof line, "%s: %s, %s\n", messageTextPtr(kMsgStartTime), date.c_str(),
                      time.c_str());
    if (!writeFormatted(f, line, n, sizeof line)) result = kCsvHeaderShort;
    n = std::snprintf(line, sizeof line, "%s: %lu.%02lu %s\n", messageTextPtr(kMsgInterval), interval / 100,
                      interval % 100, messageTextPtr(kMsgSeconds));
    if (!writeFormatted(f, line, n, sizeof line)) result = kCsvHeaderShort;
    n = std::snprintf(line, sizeof line, "%s\n", messageTextPtr(kMsgUnit));
    if (!writeFormatted(f, line, n, sizeof line)) result = kCsvHeaderShort;
    // What stdio still holds are header lines; a later flush failure counts
    // against the lines it held last.
    int pendingShort = kCsvHeaderShort;

    // Stale records beyond the recording are never exported; with last cut to
    // the recording, i + step cannot wrap around.
    if (count > 0 && last >= count) last = count - 1;
    if (count > 0 && last >= first) {
        pendingShort = kCsvValueShort;
        for (std::uint32_t i = first; i <= last; i += step) {
            char text[4];
            if (!writeLine(f, text, valueLine(gStore[i].value, text))) result = kCsvValueShort;
            if (last - i < step) break;
        }
    }
    if (std::fflush(f) != 0) result = pendingShort;
    return result;
}

bool usableSeparator(char c) {
    if (c == '\t') return true;
    if (c < 0x21 || c > 0x7e) return false;
    return !(c >= '0' && c <= '9') && c != '-' && c != ':' && c != '.';
}

int writeTimedCsv(std::FILE* f, std::uint32_t first, std::uint32_t last, std::uint32_t step, char separator) {
    int result = 0;
    const std::uint32_t count = gHeader.recordCount < kStoreCapacity ? gHeader.recordCount : kStoreCapacity;
    if (step == 0) step = 1;
    const std::string header =
        std::string(uiText(UiText::CsvTimeColumn)) + separator + uiText(UiText::CsvValueColumn) + "\n";
    if (!writeLine(f, header.data(), header.size())) result = kCsvHeaderShort;
    int pendingShort = kCsvHeaderShort;

    if (count > 0 && last >= count) last = count - 1;
    if (count > 0 && last >= first) {
        pendingShort = kCsvValueShort;
        auto two = [](char* p, unsigned v) {
            p[0] = static_cast<char>('0' + v / 10 % 10);
            p[1] = static_cast<char>('0' + v % 10);
        };
        for (std::uint32_t i = first; i <= last; i += step) {
            // Formatted by hand: a million lines through snprintf would take
            // most of the export's time, and nothing here follows the locale.
            const SampleRecord& r = gStore[i];
            char text[32] = "2000-00-00 00:00:00.00";
            two(text + 2, r.year);
            two(text + 5, r.month);
            two(text + 8, r.day);
            two(text + 11, r.hour);
            two(text + 14, r.minute);
            two(text + 17, r.second);
            text[20] = static_cast<char>('0' + r.tenths % 10);
            text[21] = static_cast<char>('0' + r.hundredths % 10);
            text[22] = separator;
            const std::size_t n = 23 + timedValueLine(r.value, text + 23);
            if (!writeLine(f, text, n)) result = kCsvValueShort;
            if (last - i < step) break;
        }
    }
    if (std::fflush(f) != 0) result = pendingShort;
    return result;
}

int exportCsv(std::uint32_t first, std::uint32_t last, std::uint32_t step) {
    std::string path = fileDialogStart(FileKind::Export, "csv");
    if (!platform::saveFileDialog("Export File (*.csv)", "csv", path)) return 0;
    rememberFileFolder(FileKind::Export, path);
    // Written beside the target and renamed over it only when complete, so a
    // full disc never leaves a truncated export in place of an earlier file.
    ReplaceFile out;
    if (const int rc = replaceFileOpen(out, path, ".part"); rc != 0) return rc;
    int result = writeCsv(out.file, first, last, step);
    if (replaceFileFinish(out) != 0 && result == 0) result = kCsvValueShort;
    if (result != 0) {
        replaceFileDiscard(out);
        showMessage(kMsgNotStored, kMsgTitle, result);
        return result;
    }
    if (const int rc = replaceFileInstall(out); rc != 0) {
        replaceFileDiscard(out);
        return rc;
    }
    return 0;
}
