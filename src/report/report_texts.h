// The report's texts and number formats in English and German, shared by the
// readable summary, the drawn page and the HTML file so that all three say
// the same thing in the same words. Internal to src/report.
#pragma once

#include <cstdint>
#include <string>

#include "report/load_report.h"

// UTF-8 texts of one language.
struct ReportTexts {
    const char* title;
    const char* records;
    const char* readings;
    const char* markers;
    const char* gaps;
    const char* sampleTime;
    const char* start;
    const char* end;
    const char* duration;
    const char* maximum;
    const char* minimum;
    const char* at;
    const char* mean;
    const char* percentiles;
    const char* energy;
    const char* rated;
    const char* demand;
    const char* from;
    const char* intervals;
    const char* whole;
    const char* partial;
    const char* noReadings;
    const char* threshold;
    const char* time;
    const char* share;
    const char* episodes;
    const char* longest;
    const char* day;
    const char* dayReadings;
    const char* dayMax;
    const char* dayMean;
    const char* intervalsRow;  // capitalised, as a row label
    const char* markersRow;
    const char* gapsRow;
    const char* curveTitle;
    const char* timeAxis;  // the curve's x axis
    const char* barsTitle;
    const char* noPlot;    // in place of a plot without readings
    const char* moreRows;  // %s: the number of a table's rows left out
    const char* wholeScope;
    const char* shownScope;  // %s, %s: first and last record number (from 1)
};

const ReportTexts& reportTexts(bool german);

// Numbers in the language's format (German: decimal comma, '.' between
// thousands), never through the C locale.
std::string reportInteger(std::uint64_t v, bool german);
// Hundredths with two decimals: 123456 -> "1,234.56" / "1.234,56".
std::string reportFixed2(std::uint64_t hundredths, bool german);
// A duration in hundredths of a second as H:MM:SS.hh (hours not wrapped at a day).
std::string reportDuration(std::uint64_t hundredths, bool german);
// "YYYY-MM-DD HH:MM:SS.hh".
std::string reportStampShown(const ReportStamp& s);
