// The long date and the time without seconds of the printed page, under the
// locales a user is likely to have. The locales are built into a private folder
// with localedef; where it is missing those cases are skipped.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/clock.h"

namespace fs = std::filesystem;

namespace {

const platform::CalendarTime kChristmas{2006, 12, 25, 14, 5, 9};  // a Monday
const platform::CalendarTime kMarch{2006, 3, 5, 7, 8, 9};         // a Sunday

class LongDateTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        localeDir = fs::temp_directory_path() / "vantrel-clock-long-locales";
        fs::create_directories(localeDir);
        setenv("LOCPATH", localeDir.c_str(), 1);
    }
    static void TearDownTestSuite() {
        std::setlocale(LC_ALL, "C");
        unsetenv("LOCPATH");
    }
    void TearDown() override { std::setlocale(LC_ALL, "C"); }

    // Makes `name` (e.g. "de_DE.ISO-8859-1") the process locale, built from the
    // system's locale sources into the private folder. It is built before the
    // first attempt to use it: the C library remembers a locale it failed to find.
    static bool useLocale(const std::string& name) {
        const std::size_t dot = name.find('.');
        const std::string input = name.substr(0, dot);
        const std::string charmap = name.substr(dot + 1);
        if (!fs::exists(localeDir / name / "LC_TIME")) {
            const std::string command = "localedef -i " + input + " -f " + charmap + " '" +
                                        (localeDir / name).string() + "' >/dev/null 2>&1";
            if (std::system(command.c_str()) != 0 && !fs::exists(localeDir / name / "LC_TIME")) return false;
        }
        return std::setlocale(LC_ALL, name.c_str()) != nullptr;
    }

    static inline fs::path localeDir;
};

TEST_F(LongDateTest, CLocaleSpellsMonthFirst) {
    std::setlocale(LC_ALL, "C");
    EXPECT_EQ(platform::formatLongDate(kChristmas), "Monday, December 25, 2006");
    EXPECT_EQ(platform::formatTimeNoSeconds(kChristmas), "14:05");
    EXPECT_EQ(platform::formatLongDate(kMarch), "Sunday, March 5, 2006");
}

TEST_F(LongDateTest, GermanDayWithFullStopAndUtf8MonthNames) {
    if (!useLocale("de_DE.ISO-8859-1")) GTEST_SKIP() << "no German locale and no localedef";
    EXPECT_EQ(platform::formatLongDate(kChristmas), "Montag, 25. Dezember 2006");
    EXPECT_EQ(platform::formatTimeNoSeconds(kChristmas), "14:05");
    // The locale's own character set is Latin-1; the page gets UTF-8.
    EXPECT_EQ(platform::formatLongDate(kMarch), "Sonntag, 5. M\xC3\xA4rz 2006");
    EXPECT_EQ(platform::formatTimeNoSeconds(kMarch), "07:08");
}

TEST_F(LongDateTest, EnglishLocalesKeepTheirOrderAndClock) {
    if (!useLocale("en_US.ISO-8859-1")) GTEST_SKIP() << "no US locale and no localedef";
    EXPECT_EQ(platform::formatLongDate(kChristmas), "Monday, December 25, 2006");
    EXPECT_EQ(platform::formatTimeNoSeconds(kChristmas), "02:05 PM");

    if (!useLocale("en_GB.ISO-8859-1")) GTEST_SKIP() << "no British locale and no localedef";
    EXPECT_EQ(platform::formatLongDate(kChristmas), "Monday, 25 December 2006");
    EXPECT_EQ(platform::formatTimeNoSeconds(kChristmas), "14:05");
}

}  // namespace
