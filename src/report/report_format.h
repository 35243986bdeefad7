// The load report as text: one JSON object for scripts, and a readable
// summary in English or German. Both only read the figures; nothing here
// follows the C locale, so the output is the same on every machine.
#pragma once

#include <cstdint>
#include <string>

#include "report/load_report.h"

// "YYYY-MM-DDTHH:MM:SS.hh".
std::string reportStampText(const ReportStamp& s);

// One JSON object (UTF-8, one line and a line feed) with the keys records,
// readings, markers, gaps, sample_time_s, start, end, duration_s and, when
// there are readings, max, max_at, min, min_at, mean, p50, p95, p99,
// thresholds, demand, days, energy_kwh (rated power given) and histogram, in
// that order. A threshold never reached has no longest_s / longest_start; an
// interval or day without readings has null for its mean (and max);
// demand.max_demand_partial is present (true) only when no whole interval has
// a reading. Seconds, percentages and kWh carry two decimals.
std::string reportJson(const LoadReport& r);

// The readable summary: aligned label column, numbers in the language's
// format (German: decimal comma, '.' between thousands), stamps as
// "YYYY-MM-DD HH:MM:SS.hh". name heads it (the file, say).
std::string reportSummary(const LoadReport& r, const std::string& name, bool german);
