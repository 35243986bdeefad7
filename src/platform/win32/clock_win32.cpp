// The clock and the user's date and time formats, from the Windows locale of
// the user (the regional settings), not from the C library's locale.
#include <windows.h>

#include <string>

#include "platform/clock.h"
#include "platform/win32/text_win32.h"

namespace platform {

namespace {

SYSTEMTIME toSystemTime(const CalendarTime& t) {
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(t.year);
    st.wMonth = static_cast<WORD>(t.month);
    st.wDay = static_cast<WORD>(t.day);
    st.wHour = static_cast<WORD>(t.hour);
    st.wMinute = static_cast<WORD>(t.minute);
    st.wSecond = static_cast<WORD>(t.second);
    // GetDateFormat wants the weekday for long dates; work it out (0 = Sunday).
    static const int kOffsets[12] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    int y = t.year;
    if (t.month >= 1 && t.month <= 12) {
        if (t.month < 3) y -= 1;
        int w = (y + y / 4 - y / 100 + y / 400 + kOffsets[t.month - 1] + t.day) % 7;
        st.wDayOfWeek = static_cast<WORD>(w < 0 ? w + 7 : w);
    }
    return st;
}

std::string date(const CalendarTime& t, DWORD flags) {
    const SYSTEMTIME st = toSystemTime(t);
    wchar_t buffer[128];
    const int n = GetDateFormatW(LOCALE_USER_DEFAULT, flags, &st, nullptr, buffer, 128);
    return n > 0 ? win32::narrow(buffer) : std::string();
}

std::string time(const CalendarTime& t, DWORD flags) {
    const SYSTEMTIME st = toSystemTime(t);
    wchar_t buffer[128];
    const int n = GetTimeFormatW(LOCALE_USER_DEFAULT, flags, &st, nullptr, buffer, 128);
    return n > 0 ? win32::narrow(buffer) : std::string();
}

}  // namespace

CalendarTime localNow() {
    SYSTEMTIME st{};
    GetLocalTime(&st);
    return {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond};
}

std::string formatShortDate(const CalendarTime& t) { return date(t, DATE_SHORTDATE); }

// The user's separators and padding, hours on the 24-hour clock, no AM/PM.
std::string formatTime24(const CalendarTime& t) { return time(t, TIME_FORCE24HOURFORMAT | TIME_NOTIMEMARKER); }

std::string formatLongDate(const CalendarTime& t) { return date(t, DATE_LONGDATE); }

std::string formatTimeNoSeconds(const CalendarTime& t) { return time(t, TIME_NOSECONDS); }

}  // namespace platform
