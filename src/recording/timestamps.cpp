#include "recording/timestamps.h"

#include "recording/store.h"

namespace {

constexpr int kMonthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

// The time fields while stepping, wide enough to go one below 0 or above the limit.
struct Stamp {
    int year;  // 0..99
    int month, day, hour, minute, second, tenths, hundredths;
};

constexpr Stamp kLatest = {99, 12, 31, 23, 59, 59, 9, 9};
constexpr Stamp kEarliest = {0, 1, 1, 0, 0, 0, 0, 0};

int clampInt(int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); }

// The given time as a stamp with .00 fractions, brought into the range the
// two-digit year can hold.
Stamp stampFrom(const platform::CalendarTime& t) {
    if (t.year < 2000) return kEarliest;
    if (t.year > 2099) {
        Stamp s = kLatest;
        s.tenths = s.hundredths = 0;
        return s;
    }
    Stamp s{};
    s.year = t.year - 2000;
    s.month = clampInt(t.month, 1, 12);
    s.day = clampInt(t.day, 1, monthLength(s.month, s.year));
    s.hour = clampInt(t.hour, 0, 23);
    s.minute = clampInt(t.minute, 0, 59);
    s.second = clampInt(t.second, 0, 59);
    s.tenths = 0;
    s.hundredths = 0;
    return s;
}

inline void put(SampleRecord& r, const Stamp& s) {
    r.year = static_cast<std::uint8_t>(s.year);
    r.month = static_cast<std::uint8_t>(s.month);
    r.day = static_cast<std::uint8_t>(s.day);
    r.hour = static_cast<std::uint8_t>(s.hour);
    r.minute = static_cast<std::uint8_t>(s.minute);
    r.second = static_cast<std::uint8_t>(s.second);
    r.tenths = static_cast<std::uint8_t>(s.tenths);
    r.hundredths = static_cast<std::uint8_t>(s.hundredths);
}

// One sample time as the digits it adds: T = 1..100 hundredths exactly, as
// written addition would carry them (100 is ten tenths, one whole second); a
// T above 100 steps exactly one second, and T = 0 leaves every record on the
// given instant. Split once per stamping so the loop only adds digits.
struct StepDigits {
    int tenths;      // 0..10
    int hundredths;  // 0..9
};

StepDigits stepDigits(unsigned T) {
    const int t = static_cast<int>(T > 100 ? 100 : T);
    return {t / 10, t % 10};
}

// Adds one sample time, carrying hundredths -> tenths -> seconds -> ... -> year.
void stepForward(Stamp& s, StepDigits d) {
    if (d.tenths < 10) {  // a whole second leaves the fractions as they are
        s.hundredths += d.hundredths;
        if (s.hundredths > 9) {
            s.hundredths -= 10;
            ++s.tenths;
        }
        s.tenths += d.tenths;  // at most 19: one carry at most
        if (s.tenths <= 9) return;
        s.tenths -= 10;
    }
    if (++s.second <= 59) return;
    s.second = 0;
    if (++s.minute <= 59) return;
    s.minute = 0;
    if (++s.hour <= 23) return;
    s.hour = 0;
    if (++s.day <= monthLength(s.month, s.year)) return;
    s.day = 1;
    if (++s.month <= 12) return;
    s.month = 1;
    if (s.year == 99) {
        s = kLatest;  // 2100 has no two-digit year: stay on the last instant
        return;
    }
    ++s.year;
}

// Subtracts one sample time, borrowing the same way down.
void stepBackward(Stamp& s, StepDigits d) {
    if (d.tenths < 10) {
        s.hundredths -= d.hundredths;
        if (s.hundredths < 0) {
            s.hundredths += 10;
            --s.tenths;
        }
        s.tenths -= d.tenths;  // at least -10: one borrow at most
        if (s.tenths >= 0) return;
        s.tenths += 10;
    }
    if (--s.second >= 0) return;
    s.second = 59;
    if (--s.minute >= 0) return;
    s.minute = 59;
    if (--s.hour >= 0) return;
    s.hour = 23;
    if (s.day > 1) {
        --s.day;
        return;
    }
    if (s.month > 1) {
        --s.month;
    } else if (s.year == 0) {
        s = kEarliest;  // 1999 has no two-digit year: stay on the first instant
        return;
    } else {
        s.month = 12;
        --s.year;
    }
    s.day = monthLength(s.month, s.year);
}

}  // namespace

int monthLength(int month, int year2) {
    if (month == 2 && year2 % 4 == 0) return 29;
    return kMonthDays[clampInt(month, 1, 12) - 1];
}

void assignTimesForward(const platform::CalendarTime& start) {
    const std::uint32_t count = gHeader.recordCount;
    if (count == 0) return;
    const StepDigits T = stepDigits(loadSampleTime());
    const std::uint32_t n = count < kStoreCapacity ? count : kStoreCapacity;
    Stamp s = stampFrom(start);
    put(gStore[0], s);
    for (std::uint32_t k = 1; k < n; ++k) {
        stepForward(s, T);
        put(gStore[k], s);
    }
}

void assignTimesBackward(const platform::CalendarTime& end) {
    const std::uint32_t count = gHeader.recordCount;
    if (count == 0) return;
    const StepDigits T = stepDigits(loadSampleTime());
    const std::uint32_t n = count < kStoreCapacity ? count : kStoreCapacity;
    Stamp s = stampFrom(end);
    put(gStore[n - 1], s);
    for (std::uint32_t k = n - 1; k-- > 0;) {
        stepBackward(s, T);
        put(gStore[k], s);
    }
}
