// The load report as one self-contained HTML file: the figures as tables and
// the two plots as inline SVG drawn by the same routines as the window's page.
// No scripts, no outside files, UTF-8, written as XHTML-compatible markup so
// that it also reads as XML. The window's "Save…" and the command line's
// --html write it through the same function, so both files are equal byte
// for byte for the same figures and language.
#pragma once

#include <string>

#include "report/load_report.h"
#include "report/report_page.h"

// Plot size in the file, in SVG pixels.
inline constexpr int kReportHtmlPlotWidth = 520;
inline constexpr int kReportHtmlPlotHeight = 300;

// The whole file's text. Nothing in it depends on the time it is made or on
// the machine, only on the figures and the look.
std::string reportHtml(const LoadReport& r, const ReportLook& look);

// Writes reportHtml to utf8Path through a temporary file renamed into place
// once complete and on disc; any file of that name stays as it was until then
// and after a failure. Returns 0 or the C library's error number.
int writeReportHtml(const std::string& utf8Path, const LoadReport& r, const ReportLook& look);
