// Long date and time-without-seconds in the user's locale. The C library knows
// no long date format of its own, so the order of day, month and year is taken
// from the locale's numeric date format and spelt out with its weekday and
// month names.
#include <langinfo.h>

#include <cstring>
#include <ctime>
#include <string>

#include "platform/clock.h"
#include "platform/posix/calendar_tm.h"

namespace platform {

namespace {

// Day of the week, 0 = Sunday, for a Gregorian date (no time zone involved).
int weekday(int year, int month, int day) {
    static const int kOffsets[12] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    if (month < 1 || month > 12) return 0;
    if (month < 3) year -= 1;
    int w = (year + year / 4 - year / 100 + year / 400 + kOffsets[month - 1] + day) % 7;
    return w < 0 ? w + 7 : w;
}

std::tm toTm(const CalendarTime& t) {
    std::tm tm = calendarFields(t);
    tm.tm_wday = weekday(t.year, t.month, t.day);
    return tm;
}

bool validUtf8(const std::string& s) {
    std::size_t i = 0;
    while (i < s.size()) {
        auto c = static_cast<unsigned char>(s[i]);
        std::size_t follow = 0;
        if (c < 0x80) follow = 0;
        else if ((c & 0xE0) == 0xC0) follow = 1;
        else if ((c & 0xF0) == 0xE0) follow = 2;
        else if ((c & 0xF8) == 0xF0) follow = 3;
        else return false;
        if (i + follow >= s.size()) return false;
        for (std::size_t k = 1; k <= follow; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        i += follow + 1;
    }
    return true;
}

// Locales with a one-byte character set (de_DE, ISO-8859-1) give month names
// such as "März" in that set; the page wants UTF-8.
std::string asUtf8(const std::string& s) {
    if (validUtf8(s)) return s;
    std::string out;
    for (char ch : s) {
        auto c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            out += ch;
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::string format(const std::string& pattern, const CalendarTime& t) {
    const std::tm tm = toTm(t);
    char buffer[128];
    std::size_t n = std::strftime(buffer, sizeof buffer, pattern.c_str(), &tm);
    return asUtf8(std::string(buffer, n));
}

// Replaces the composite conversions %D, %F, %T, %R, %r, %X and %x by what they
// stand for, so the parts can be found.
std::string expand(const char* pattern, int depth = 0) {
    std::string out;
    for (const char* p = pattern; *p != '\0'; ++p) {
        if (*p != '%' || p[1] == '\0') {
            out += *p;
            continue;
        }
        // Skip the flags and width of glibc's extensions (%-d, %_H, %Ey ...).
        const char* q = p + 1;
        while (*q == '-' || *q == '_' || *q == '0' || *q == '^' || *q == '#' || *q == 'E' || *q == 'O' ||
               (*q >= '1' && *q <= '9'))
            ++q;
        if (*q == '\0') break;
        const char* inner = nullptr;
        switch (*q) {
        case 'D': inner = "%m/%d/%y"; break;
        case 'F': inner = "%Y-%m-%d"; break;
        case 'T': inner = "%H:%M:%S"; break;
        case 'R': inner = "%H:%M"; break;
        case 'r': inner = nl_langinfo(T_FMT_AMPM); break;
        case 'X': inner = nl_langinfo(T_FMT); break;
        case 'x': inner = nl_langinfo(D_FMT); break;
        default: break;
        }
        if (inner != nullptr && depth < 4) {
            if (*q == 'r' && inner[0] == '\0') inner = "%I:%M:%S %p";
            out += expand(inner, depth + 1);
        } else {
            out.append(p, static_cast<std::size_t>(q - p + 1));
        }
        p = q;
    }
    return out;
}

enum class DateOrder { MonthDayYear, DayMonthYear, YearMonthDay };

// The order of the parts in the locale's numeric date, and whether the day is
// followed by a full stop ("25.12.2006").
DateOrder dateOrder(const std::string& numeric, bool& dayWithStop) {
    int dayAt = -1, monthAt = -1, yearAt = -1;
    dayWithStop = false;
    for (std::size_t i = 0; i + 1 < numeric.size(); ++i) {
        if (numeric[i] != '%') continue;
        std::size_t j = i + 1;
        while (j < numeric.size() && std::strchr("-_0^#EO123456789", numeric[j]) != nullptr) ++j;
        if (j >= numeric.size()) break;
        char c = numeric[j];
        int at = static_cast<int>(i);
        if ((c == 'd' || c == 'e') && dayAt < 0) {
            dayAt = at;
            dayWithStop = j + 1 < numeric.size() && numeric[j + 1] == '.';
        } else if ((c == 'm' || c == 'b' || c == 'B' || c == 'h') && monthAt < 0) {
            monthAt = at;
        } else if ((c == 'y' || c == 'Y' || c == 'C') && yearAt < 0) {
            yearAt = at;
        }
        i = j;
    }
    if (yearAt >= 0 && (dayAt < 0 || yearAt < dayAt) && (monthAt < 0 || yearAt < monthAt))
        return DateOrder::YearMonthDay;
    if (dayAt >= 0 && monthAt >= 0 && dayAt < monthAt) return DateOrder::DayMonthYear;
    return DateOrder::MonthDayYear;
}

}  // namespace

std::string formatLongDate(const CalendarTime& t) {
    bool dayWithStop = false;
    switch (dateOrder(expand(nl_langinfo(D_FMT)), dayWithStop)) {
    case DateOrder::DayMonthYear:
        return format(dayWithStop ? "%A, %-d. %B %Y" : "%A, %-d %B %Y", t);
    case DateOrder::YearMonthDay:
        return format("%A, %Y %B %-d", t);
    case DateOrder::MonthDayYear:
        break;
    }
    return format("%A, %B %-d, %Y", t);
}

// The locale's own time format with its 12-hour parts made 24-hour: %I and %l
// become %H and %k (keeping the locale's padding and flags) and the am/pm
// marker goes with the blank before it. Separators stay the locale's
// ("14.05.09" in Finnish).
static std::string time24Pattern() {
    const std::string pattern = expand(nl_langinfo(T_FMT));
    if (pattern.empty()) return "%H:%M:%S";
    std::string out;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != '%' || i + 1 >= pattern.size()) {
            out += pattern[i];
            continue;
        }
        std::size_t j = i + 1;
        while (j < pattern.size() && std::strchr("-_0^#EO123456789", pattern[j]) != nullptr) ++j;
        if (j >= pattern.size()) {
            out.append(pattern, i, std::string::npos);
            break;
        }
        const char c = pattern[j];
        if (c == 'p' || c == 'P') {
            while (!out.empty() && out.back() == ' ') out.pop_back();
        } else {
            out.append(pattern, i, j - i);
            out += c == 'I' ? 'H' : (c == 'l' ? 'k' : c);
        }
        i = j;
    }
    // A marker in front ("%p %I:%M:%S") leaves a leading blank.
    const std::size_t first = out.find_first_not_of(' ');
    return first == std::string::npos ? std::string("%H:%M:%S") : out.substr(first);
}

std::string formatTime24(const CalendarTime& t) { return format(time24Pattern(), t); }

std::string formatTimeNoSeconds(const CalendarTime& t) {
    std::string pattern = expand(nl_langinfo(T_FMT));
    if (pattern.empty()) pattern = "%H:%M:%S";
    // Drop the seconds with the separator in front of them ("%H:%M:%S",
    // "%H.%M.%S", "%I:%M:%S %p").
    for (const char* seconds : {":%S", ".%S", "%S"}) {
        std::size_t at = pattern.find(seconds);
        if (at != std::string::npos) {
            pattern.erase(at, std::strlen(seconds));
            break;
        }
    }
    return format(pattern, t);
}

}  // namespace platform
