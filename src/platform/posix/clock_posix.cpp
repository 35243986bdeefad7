#include <ctime>

#include "platform/clock.h"
#include "platform/posix/calendar_tm.h"

namespace platform {

namespace {

// The calendar fields as a struct tm for strftime; the fields it may consult
// beyond date and time (weekday, day of year) are filled by mktime's rules
// without changing the given fields.
std::tm toTm(const CalendarTime& t) {
    std::tm tm = calendarFields(t);
    std::tm normalised = tm;
    if (std::mktime(&normalised) != static_cast<std::time_t>(-1)) {
        tm.tm_wday = normalised.tm_wday;
        tm.tm_yday = normalised.tm_yday;
    }
    return tm;
}

// strftime into a 64-character buffer, as the date and time fields of the
// export and the printed page allow.
std::string format(const char* pattern, const CalendarTime& t) {
    const std::tm tm = toTm(t);
    char buffer[64];
    const std::size_t n = std::strftime(buffer, sizeof buffer, pattern, &tm);
    return std::string(buffer, n);
}

}  // namespace

CalendarTime localNow() {
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

std::string formatShortDate(const CalendarTime& t) { return format("%x", t); }

}  // namespace platform
