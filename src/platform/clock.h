// The computer's clock and the user's locale, for the core.
#pragma once

#include <string>

namespace platform {

// A plain calendar time in local time: no zone, no weekday, no fractions.
struct CalendarTime {
    int year;    // e.g. 2026
    int month;   // 1..12
    int day;     // 1..31
    int hour;    // 0..23
    int minute;  // 0..59
    int second;  // 0..59
};

// The computer's local time now.
CalendarTime localNow();

// The date in the user's short date format and the time in the user's time
// format forced to 24 hours, from the process locale (LC_TIME as set from the
// environment). Numbers written to files never go through these.
std::string formatShortDate(const CalendarTime& t);
std::string formatTime24(const CalendarTime& t);

// The date in the user's long form (weekday, day, month name and year, in the
// order the locale writes dates) and the time in the user's time format without
// seconds, from the process locale, as UTF-8. For the printed page's header.
std::string formatLongDate(const CalendarTime& t);
std::string formatTimeNoSeconds(const CalendarTime& t);

}  // namespace platform
