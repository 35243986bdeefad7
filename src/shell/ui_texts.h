// Texts of what the program adds around its classic window: questions,
// progress details, tooltips, context menus, command line notes. They are kept
// apart from the message table, whose ids and slots stay as the logger's users
// know them. English and German, picked by the language in force.
#pragma once

#include <string>

enum class UiText {
    // Unsaved work (Open, Transfer, Exit, closing the window)
    SaveChangesQuestion,
    SaveChangesSave,
    SaveChangesDiscard,
    SaveChangesCancel,

    // Transfer: how it ended, its progress, what a span will bring
    TransferRunningOpenRefused,
    LoggerStoppedEarly,     // %s of %s samples
    LoggerEndedEarly,       // %s of %s samples
    StoppedBeforeFirstSample,
    DamagedFramesDropped,   // %s frames
    ProgressDetail,         // %s of %s samples, %s left
    DurationAbout,          // about %s
    DurationDaysHours,      // %u d %u h
    SpanFetchFull,          // %s samples, %s to fetch
    SpanFetchPartial,       // store takes %s samples, most recent %s, %s to fetch

    // Reading the charts: context menu, readout, picture file
    ShowPeaks,
    CopyValue,
    SavePicturePng,
    PngFilter,
    ReadoutValue,
    ReadoutMarker,
    ReadoutGap,
    ReadoutLowest,
    ReadoutHighest,

    // Spreadsheet export from the command line: the two column names
    CsvTimeColumn,
    CsvValueColumn,

    // The transfer's lifecycle: gaps kept for damaged frames, a line that
    // stays busy, closing while a transfer runs, a logger without a sample time
    DamagedFramesKeptAsGaps,  // %s frames
    LineNeverQuiet,
    StopTransferAndQuit,
    QuestionYes,
    QuestionNo,
    NoSampleTimeReported,

    // The span dialog: why a span is not offered at the logger's sample time
    SpanNeedsShorterSampleTime,  // %s s now, %s s or less
    SpanNeedsLongerSampleTime,   // %s s now, %s s or more
    SpanNeedsExactSampleTime,    // %s s now, exactly %s s

    // The load report dialog
    LoadReportItem,
    ReportThresholds,
    ReportDemand,
    ReportRatedKw,
    ReportWhole,
    ReportShown,
    ReportPrint,
    ReportSave,
    ReportClose,
    HtmlFilter,
    ReportLevelsInvalid,
    ReportKwInvalid,
    ReportSaveFailed,  // %s: the file, %s: the reason

    // Add new blocks above this line, each under a comment naming its feature.
    Count_  // keep last
};

// The text of key in the current language (effectiveLanguage()), UTF-8.
const char* uiText(UiText key);

// printf-style formatting of a text of this table (or any format) into a string.
std::string formatText(const char* format, ...);

// Writes n with thousands separators of the current language: "1,036,800"
// in English, "1.036.800" in German.
std::string groupedNumber(unsigned long long n);
