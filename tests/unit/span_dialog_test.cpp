// Which spans the span dialog offers for each sample time, how it shows the
// sample time, and what it returns.
#include "shell/span_dialog.h"

#include <gtest/gtest.h>

#include <string>

#include "shell/app_state.h"

namespace {

// Enabled buttons as a string of '1'/'0' for buttons 1001..1014.
std::string enabledString(std::uint16_t t) {
    std::string s;
    for (bool on : spanButtonsEnabled(t)) s += on ? '1' : '0';
    return s;
}

TEST(SpanDialogRules, EnabledSpansForTheLoggersSampleTimes) {
    //                                 1001 ....... 1014
    EXPECT_EQ(enabledString(2),   "11111111000000");
    EXPECT_EQ(enabledString(5),   "01111111100000");
    EXPECT_EQ(enabledString(10),  "00111111111000");
    EXPECT_EQ(enabledString(20),  "00011111111000");
    EXPECT_EQ(enabledString(50),  "00001111111100");
    EXPECT_EQ(enabledString(100), "00000011111111");
}

TEST(SpanDialogRules, EnabledExactlyWhenTheSampleCountFitsCombAndStore) {
    // Independent of the rule list: a span is offered when the samples it asks
    // for lie between the smallest zoom span (6000) and the store's capacity.
    for (std::uint16_t t : {2, 5, 10, 20, 50, 100}) {
        const auto on = spanButtonsEnabled(t);
        for (int i = 0; i < kSpanCount; ++i) {
            const std::uint64_t samples = 2ull * kSpanTable[static_cast<std::size_t>(i)].halfSpan / t;
            const bool fits = samples >= 6000 && samples <= kStoreCapacity;
            EXPECT_EQ(on[static_cast<std::size_t>(i)], fits) << "t=" << t << " span " << i;
        }
    }
}

TEST(SpanDialogRules, TwoAndFiveHoursAreNeverDisabled) {
    for (unsigned t = 0; t <= 0xFFFF; ++t) {
        const auto on = spanButtonsEnabled(static_cast<std::uint16_t>(t));
        ASSERT_TRUE(on[6] && on[7]) << t;
    }
}

TEST(SpanDialogRules, SampleTimeText) {
    EXPECT_STREQ(formatSampleTime(2).text, "0.02");
    EXPECT_STREQ(formatSampleTime(50).text, "0.50");
    EXPECT_STREQ(formatSampleTime(100).text, "1.00");
    EXPECT_STREQ(formatSampleTime(0).text, "0.00");
    EXPECT_STREQ(formatSampleTime(65535).text, "655.35");
}

TEST(SpanDialogRules, ChoiceAndResult) {
    resetGlobalStateForTests();
    gApp.spanChoice = 3;
    spanDialogOpened();
    EXPECT_EQ(spanDialogAccepted(), 8);  // "5 hours" untouched
    spanDialogButtonClicked(1011);       // 1 day
    spanDialogButtonClicked(1007);       // 2 hours
    EXPECT_EQ(spanDialogAccepted(), 7);
    spanDialogButtonClicked(1);          // not a span button
    spanDialogButtonClicked(1000);
    spanDialogButtonClicked(1015);
    EXPECT_EQ(spanDialogAccepted(), 7);
    spanDialogOpened();                  // every opening starts at "5 hours"
    EXPECT_EQ(spanDialogAccepted(), 8);
}

}  // namespace
