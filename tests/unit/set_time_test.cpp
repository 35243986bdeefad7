#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <string>

#include "fakes/fake_platform.h"
#include "recording/set_time.h"
#include "recording/store.h"
#include "shell/app_state.h"
#include "shell/handlers.h"
#include "shell/messages.h"

namespace {

class SetTime : public ::testing::Test {
protected:
    void SetUp() override {
        resetGlobalStateForTests();
        fake::reset();
    }
    // year, month, day, hour, minute, second as typed
    static bool check(const char* y, const char* mo, const char* d, const char* h = "0", const char* mi = "0",
                      const char* s = "0") {
        return applyTimeEntry(TimeEntryTexts{y, mo, d, h, mi, s});
    }
};

TEST_F(SetTime, DatesFollowTheCalendar) {
    EXPECT_TRUE(check("2008", "2", "29"));
    EXPECT_FALSE(check("2009", "2", "29"));
    EXPECT_TRUE(check("2009", "2", "28"));
    EXPECT_FALSE(check("2010", "4", "31"));
    EXPECT_TRUE(check("2010", "12", "31"));
    EXPECT_FALSE(check("2010", "5", "0"));
    EXPECT_FALSE(check("2010", "0", "5"));
    EXPECT_FALSE(check("2010", "13", "5"));
    EXPECT_FALSE(check("2004", "1", "1"));
    EXPECT_FALSE(check("2100", "1", "1"));
    EXPECT_TRUE(check("2005", "1", "1"));
    EXPECT_TRUE(check("2099", "12", "31", "23", "59", "59"));
}

TEST_F(SetTime, TimeFieldsMustBeNumbersInRange) {
    EXPECT_FALSE(check("2010", "1", "1", "", "0", "0"));
    EXPECT_FALSE(check("2010", "1", "1", "0", "", "0"));
    EXPECT_FALSE(check("2010", "1", "1", "0", "0", ""));
    EXPECT_FALSE(check("2010", "1", "1", "x", "0", "0"));
    EXPECT_FALSE(check("2010", "1", "1", "12a", "0", "0"));
    EXPECT_FALSE(check("2010", "1", "1", "-1", "0", "0"));
    EXPECT_TRUE(check(" 2010", "  1", "1 ", "\t0", "0", "0"));
    EXPECT_FALSE(check("2010", "1", "1", "24", "0", "0"));
    EXPECT_FALSE(check("2010", "1", "1", "0", "60", "0"));
    EXPECT_FALSE(check("2010", "1", "1", "0", "0", "60"));
    EXPECT_TRUE(check("2010", "1", "1", "23", "59", "59"));
}

// A number is judged as typed: 257 is no month and 280 no hour, even though
// their low bytes (1 and 24) would otherwise pass or fail differently.
TEST_F(SetTime, LargeNumbersAreNeverReducedToAByte) {
    EXPECT_FALSE(check("2010", "257", "1"));
    EXPECT_FALSE(check("2010", "1", "257"));
    EXPECT_FALSE(check("2010", "1", "1", "280"));
    EXPECT_FALSE(check("2010", "1", "1", "0", "256"));
    EXPECT_FALSE(check("2010", "1", "1", "0", "0", "99999999999999999999"));
    EXPECT_FALSE(check("4294969301", "1", "1")) << "2005 + 2^32 must not wrap into range";
}

TEST_F(SetTime, EntryIsStoredSecondFirstAndYearOnlyWhenValid) {
    ASSERT_TRUE(check("2008", "3", "1", "4", "5", "6"));
    EXPECT_EQ(gApp.timeEntry, (std::array<std::uint8_t, 6>{6, 5, 4, 1, 3, 8}));
    EXPECT_FALSE(check("1999", "7", "8", "9", "10", "11"));
    EXPECT_EQ(gApp.timeEntry, (std::array<std::uint8_t, 6>{11, 10, 9, 8, 7, 8}));
    const platform::CalendarTime t = timeEntryAsCalendar();
    EXPECT_EQ(t.year, 2008);
    EXPECT_EQ(t.month, 7);
    EXPECT_EQ(t.second, 11);
}

TEST_F(SetTime, StartPositionsComeFromRecordZeroWithinRanges) {
    gStore[0] = SampleRecord{8, 2, 29, 23, 58, 7, 0, 0, 1};
    EXPECT_EQ(setTimeStartPositions(), (std::array<int, 6>{2008, 2, 29, 23, 58, 7}));
    gStore[0] = SampleRecord{};  // never stamped: every field to its range
    EXPECT_EQ(setTimeStartPositions(), (std::array<int, 6>{2005, 1, 1, 0, 0, 0}));
}

std::string stamp(const SampleRecord& r) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d.%d%d", r.year + 2000, r.month, r.day, r.hour,
                  r.minute, r.second, r.tenths, r.hundredths);
    return buf;
}

class SetTimeCommand : public SetTime {
protected:
    void SetUp() override {
        SetTime::SetUp();
        gApp.dataPresent = 1;
        gHeader.sampleTime = 100;
        gHeader.recordCount = 3;
        for (int i = 0; i < 3; ++i) gStore[i] = SampleRecord{7, 6, 5, 4, 3, 2, 1, 0, static_cast<std::uint8_t>(i)};
    }
};

TEST_F(SetTimeCommand, NoRecordingShowsMessage45WithSetTimeCaption) {
    gApp.dataPresent = 0;
    commandSetTime();
    ASSERT_EQ(fake::state().messages.size(), 1u);
    EXPECT_EQ(fake::state().messages[0].text, messageTextPtr(45));
    EXPECT_EQ(fake::state().messages[0].caption, messageTextPtr(47));
    EXPECT_FALSE(fake::state().messages[0].errorIcon);
    EXPECT_TRUE(fake::state().dialogsRun.empty());
}

TEST_F(SetTimeCommand, EndAndStartTimeOfThreeRecords) {
    fake::state().dialogAnswers = {kSetEndTimeButton, kSetStartTimeButton};
    fake::state().setTimeTexts = {{"2008", "03", "01", "00", "00", "00"}};
    commandSetTime();
    EXPECT_EQ(stamp(gStore[0]), "2008-02-29 23:59:58.00");
    EXPECT_EQ(stamp(gStore[1]), "2008-02-29 23:59:59.00");
    EXPECT_EQ(stamp(gStore[2]), "2008-03-01 00:00:00.00");
    fake::state().setTimeTexts = {{"2008", "03", "01", "00", "00", "00"}};
    commandSetTime();
    EXPECT_EQ(stamp(gStore[0]), "2008-03-01 00:00:00.00");
    EXPECT_EQ(stamp(gStore[2]), "2008-03-01 00:00:02.00");
    EXPECT_EQ(gStore[2].value, 2);
    EXPECT_EQ(fake::state().invalidations, (std::vector<bool>{true, true}));
    EXPECT_TRUE(fake::state().messages.empty());
}

TEST_F(SetTimeCommand, InvalidEntryKeepsTheDialogOpenAndCancelChangesNothing) {
    fake::state().dialogAnswers = {kSetStartTimeButton};
    fake::state().setTimeTexts = {{"2009", "2", "29", "0", "0", "0"}, {"2009", "2", "28", "12", "0", "0"}};
    commandSetTime();
    ASSERT_EQ(fake::state().messages.size(), 1u);
    EXPECT_EQ(fake::state().messages[0].text, messageTextPtr(44));
    EXPECT_EQ(fake::state().messages[0].caption, messageTextPtr(47));
    EXPECT_EQ(stamp(gStore[1]), "2009-02-28 12:00:01.00");

    fake::reset();
    const SampleRecord before = gStore[0];
    fake::state().dialogAnswers = {kSetTimeCancel};
    commandSetTime();
    fake::state().dialogAnswers = {-1};
    commandSetTime();
    EXPECT_EQ(stamp(gStore[0]), stamp(before));
    EXPECT_TRUE(fake::state().messages.empty());
    EXPECT_TRUE(fake::state().invalidations.empty());
}

TEST_F(SetTimeCommand, OneRecordGetsTheEnteredTime) {
    gHeader.recordCount = 1;
    fake::state().dialogAnswers = {kSetEndTimeButton};
    fake::state().setTimeTexts = {{"2012", "7", "8", "9", "10", "11"}};
    commandSetTime();
    EXPECT_EQ(stamp(gStore[0]), "2012-07-08 09:10:11.00");
    EXPECT_EQ(stamp(gStore[1]), "2007-06-05 04:03:02.10");
}

}  // namespace
