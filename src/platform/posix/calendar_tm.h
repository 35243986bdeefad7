// The calendar fields of a CalendarTime as a struct tm for strftime, shared by
// the clock's formatters. Weekday and day of the year are left 0: each
// formatter fills what its patterns consult.
#pragma once

#include <ctime>

#include "platform/clock.h"

namespace platform {

inline std::tm calendarFields(const CalendarTime& t) {
    std::tm tm{};
    tm.tm_year = t.year - 1900;
    tm.tm_mon = t.month - 1;
    tm.tm_mday = t.day;
    tm.tm_hour = t.hour;
    tm.tm_min = t.minute;
    tm.tm_sec = t.second;
    tm.tm_isdst = -1;
    return tm;
}

}  // namespace platform
