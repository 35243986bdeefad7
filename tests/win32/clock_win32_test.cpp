// The Windows clock formats follow the user's regional settings. Wine takes
// them from the Linux locale it runs under; scripts/test_windows.sh runs this
// under en_US and de_DE.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/clock.h"

namespace {

std::string userLocale() {
    wchar_t name[LOCALE_NAME_MAX_LENGTH];
    if (GetUserDefaultLocaleName(name, LOCALE_NAME_MAX_LENGTH) == 0) return {};
    return std::string(name, name + wcslen(name));
}

TEST(ClockWin32, FormatsFollowTheUsersRegionWithTwentyFourHourTimes) {
    const platform::CalendarTime afternoon{2008, 2, 29, 13, 5, 9};
    const platform::CalendarTime morning{2026, 3, 1, 9, 5, 7};
    const struct {
        const char* locale;
        const char* shortDate;
        const char* shortDateWine;  // Wine's own region tables differ here
        const char* afternoon24;
        const char* morning24;
        const char* longDate;
    } cases[] = {
        {"en-US", "2/29/2008", "2/29/2008", "13:05:09", "9:05:07", "Friday, February 29, 2008"},
        {"de-DE", "29.02.2008", "29.2.2008", "13:05:09", "09:05:07", "Freitag, 29. Februar 2008"},
    };
    const std::string locale = userLocale();
    for (const auto& c : cases) {
        if (locale != c.locale) continue;
        const std::string shortDate = platform::formatShortDate(afternoon);
        EXPECT_TRUE(shortDate == c.shortDate || shortDate == c.shortDateWine) << shortDate;
        EXPECT_EQ(platform::formatTime24(afternoon), c.afternoon24);
        EXPECT_EQ(platform::formatTime24(morning), c.morning24) << "no AM/PM, the region's own padding";
        EXPECT_EQ(platform::formatLongDate(afternoon), c.longDate) << "UTF-8, weekday worked out";
        EXPECT_EQ(platform::formatTimeNoSeconds(afternoon).find("05:09"), std::string::npos);
        return;
    }
    GTEST_SKIP() << "no expectations for the user locale " << locale;
}

TEST(ClockWin32, LocalNowIsAPlainCalendarTime) {
    const platform::CalendarTime now = platform::localNow();
    EXPECT_GE(now.year, 2024);
    EXPECT_TRUE(now.month >= 1 && now.month <= 12 && now.day >= 1 && now.day <= 31);
    EXPECT_TRUE(now.hour >= 0 && now.hour <= 23 && now.minute >= 0 && now.minute <= 59 && now.second <= 59);
}

}  // namespace
