// Export of records as text: four header lines in the current language, then
// one line per exported record with its value (or an empty line for values
// that are not readings in percent). Lines end in a bare line feed.
#pragma once

#include <cstdint>
#include <cstdio>

inline constexpr int kCsvHeaderShort = 30004;  // a header line was written short
inline constexpr int kCsvValueShort = 30005;   // a value line was written short

// Writes records first, first+step, ... up to last (inclusive) to f. last is
// cut to the recording's last record; a step of 0 exports every record; last
// below first writes the header lines only. Returns 0, kCsvHeaderShort or
// kCsvValueShort (the last short write); writing goes on after a short write.
int writeCsv(std::FILE* f, std::uint32_t first, std::uint32_t last, std::uint32_t step);

// Spreadsheet form, for the command line: a header line naming the two
// columns in the current language ("Time,Value"), then one line per exported
// record, "YYYY-MM-DD HH:MM:SS.hh" (ISO 8601 date and time with hundredths),
// the separator and the value: every reading (0..200 and 203..254) as its
// number, empty only for the markers 201, 202 and the gap 255 (unlike
// writeCsv, which leaves 150 and above empty). Records chosen as by writeCsv. Returns 0, kCsvHeaderShort or
// kCsvValueShort.
int writeTimedCsv(std::FILE* f, std::uint32_t first, std::uint32_t last, std::uint32_t step, char separator);

// Whether c can separate the columns: printable or a tab, and none of the
// characters of a time stamp or a value (digits, '-', ':', '.', blank).
bool usableSeparator(char c);

// Asks for a file name ("Export File (*.csv)") and writes the file: into a
// temporary file beside it, renamed over it only when complete, so a failed
// export leaves an earlier file of that name as it was. Returns 0 (written, or
// the dialog was cancelled), a platform error code, or writeCsv's code (a
// failed flush or close counts as a short value line) after showing message
// 76 (caption 15) with it.
int exportCsv(std::uint32_t first, std::uint32_t last, std::uint32_t step);
