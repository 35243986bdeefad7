#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "recording/store.h"
#include "recording/timestamps.h"
#include "shell/app_state.h"

namespace {

// "2008-02-28 23:59:59.50"
std::string stamp(const SampleRecord& r) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d.%d%d", r.year + 2000, r.month, r.day, r.hour,
                  r.minute, r.second, r.tenths, r.hundredths);
    return buf;
}

// The eight time bytes as one number that sorts like the time.
std::uint64_t orderKey(const SampleRecord& r) {
    std::uint64_t k = 0;
    for (std::uint8_t b : {r.year, r.month, r.day, r.hour, r.minute, r.second, r.tenths, r.hundredths}) k = k * 256 + b;
    return k;
}

// The stamp `centis` hundredths of a second after t (before it when negative),
// reckoned on a plain count rather than digit by digit.
std::string trueStamp(const platform::CalendarTime& t, std::int64_t centis) {
    using namespace std::chrono;
    constexpr std::int64_t kDay = 8'640'000;
    const sys_days day = year_month_day{year{t.year}, month{static_cast<unsigned>(t.month)},
                                        std::chrono::day{static_cast<unsigned>(t.day)}};
    std::int64_t c = day.time_since_epoch().count() * kDay + ((t.hour * 60 + t.minute) * 60 + t.second) * 100 + centis;
    const std::int64_t days = c >= 0 ? c / kDay : (c - kDay + 1) / kDay;
    c -= days * kDay;
    const year_month_day ymd{sys_days{std::chrono::days{days}}};
    char buf[40];
    std::snprintf(buf, sizeof buf, "%04d-%02u-%02u %02d:%02d:%02d.%02d", int{ymd.year()}, unsigned{ymd.month()},
                  unsigned{ymd.day()}, static_cast<int>(c / 360'000), static_cast<int>(c / 6000 % 60),
                  static_cast<int>(c / 100 % 60), static_cast<int>(c % 100));
    return buf;
}

class Timestamps : public ::testing::Test {
protected:
    void SetUp() override { resetGlobalStateForTests(); }

    std::vector<std::string> forward(unsigned T, std::uint32_t count, platform::CalendarTime t) {
        gHeader.sampleTime = static_cast<std::uint16_t>(T);
        gHeader.recordCount = count;
        assignTimesForward(t);
        return stamps(count);
    }
    std::vector<std::string> backward(unsigned T, std::uint32_t count, platform::CalendarTime t) {
        gHeader.sampleTime = static_cast<std::uint16_t>(T);
        gHeader.recordCount = count;
        assignTimesBackward(t);
        return stamps(count);
    }
    static std::vector<std::string> stamps(std::uint32_t count) {
        std::vector<std::string> out;
        for (std::uint32_t i = 0; i < count; ++i) out.push_back(stamp(gStore[i]));
        return out;
    }
};

using V = std::vector<std::string>;

TEST_F(Timestamps, ForwardWorkedExamples) {
    EXPECT_EQ(forward(50, 4, {2008, 2, 28, 23, 59, 59}),
              (V{"2008-02-28 23:59:59.00", "2008-02-28 23:59:59.50", "2008-02-29 00:00:00.00",
                 "2008-02-29 00:00:00.50"}));
    EXPECT_EQ(forward(100, 3, {2007, 12, 31, 23, 59, 58}),
              (V{"2007-12-31 23:59:58.00", "2007-12-31 23:59:59.00", "2008-01-01 00:00:00.00"}));
    EXPECT_EQ(forward(25, 3, {2008, 1, 1, 0, 0, 0}),
              (V{"2008-01-01 00:00:00.00", "2008-01-01 00:00:00.25", "2008-01-01 00:00:00.50"}));
    EXPECT_EQ(forward(0, 3, {2008, 1, 1, 0, 0, 0}), V(3, "2008-01-01 00:00:00.00"));

    const V s = forward(2, 51, {2008, 12, 31, 23, 59, 59});
    EXPECT_EQ(s[1], "2008-12-31 23:59:59.02");
    EXPECT_EQ(s[49], "2008-12-31 23:59:59.98");
    EXPECT_EQ(s[50], "2009-01-01 00:00:00.00");
}

TEST_F(Timestamps, BackwardWorkedExamples) {
    EXPECT_EQ(backward(2, 3, {2008, 3, 10, 0, 0, 0}),
              (V{"2008-03-09 23:59:59.96", "2008-03-09 23:59:59.98", "2008-03-10 00:00:00.00"}));
    EXPECT_EQ(backward(100, 3, {2008, 3, 1, 0, 0, 1}),
              (V{"2008-02-29 23:59:59.00", "2008-03-01 00:00:00.00", "2008-03-01 00:00:01.00"}));
    EXPECT_EQ(backward(5, 3, {2008, 1, 1, 0, 0, 0}),
              (V{"2007-12-31 23:59:59.90", "2007-12-31 23:59:59.95", "2008-01-01 00:00:00.00"}));
    EXPECT_EQ(backward(50, 2, {2009, 3, 1, 0, 0, 0}), (V{"2009-02-28 23:59:59.50", "2009-03-01 00:00:00.00"}));
}

TEST_F(Timestamps, StepDigitFollowsSampleTime) {
    // 7 steps hundredths with a carry into tenths; 99 steps 0.99 s; 250 steps one second.
    EXPECT_EQ(forward(7, 3, {2010, 5, 5, 10, 0, 0}),
              (V{"2010-05-05 10:00:00.00", "2010-05-05 10:00:00.07", "2010-05-05 10:00:00.14"}));
    EXPECT_EQ(forward(99, 3, {2010, 5, 5, 10, 0, 0}),
              (V{"2010-05-05 10:00:00.00", "2010-05-05 10:00:00.99", "2010-05-05 10:00:01.98"}));
    EXPECT_EQ(forward(250, 2, {2010, 5, 5, 10, 0, 0})[1], "2010-05-05 10:00:01.00");
    EXPECT_EQ(backward(25, 3, {2010, 5, 5, 10, 0, 0})[0], "2010-05-05 09:59:59.50");
    EXPECT_EQ(backward(7, 2, {2010, 5, 5, 10, 0, 0})[0], "2010-05-05 09:59:59.93");
}

// Every record lies whole sample times from the given instant, across a leap
// day, a plain February's end and a year's end, forwards and backwards. The
// standard sample times (2, 5, 10, 20, 50, 100) stepped exactly before, so they
// keep the stamps they always had; the others now do too. Above 100 a step is
// one second.
TEST_F(Timestamps, StampsAreWholeSampleTimesFromTheGivenInstant) {
    struct Case {
        bool forwards;
        platform::CalendarTime t;
    };
    const Case cases[] = {{true, {2008, 2, 28, 23, 59, 30}}, {true, {2008, 12, 31, 23, 59, 30}},
                          {true, {2009, 2, 28, 23, 59, 30}}, {false, {2008, 3, 1, 0, 0, 30}},
                          {false, {2009, 1, 1, 0, 0, 30}},   {false, {2009, 3, 1, 0, 0, 30}}};
    constexpr std::uint32_t kCount = 6000;  // crosses the boundary for every T from 1 on
    for (unsigned T : {2u, 5u, 10u, 20u, 50u, 100u, 1u, 3u, 7u, 25u, 99u, 250u}) {
        const std::int64_t step = T > 100 ? 100 : T;
        for (const Case& c : cases) {
            const V got = c.forwards ? forward(T, kCount, c.t) : backward(T, kCount, c.t);
            for (std::uint32_t k = 0; k < kCount; ++k) {
                const std::int64_t offset = c.forwards ? std::int64_t{k} * step : (std::int64_t{k} - (kCount - 1)) * step;
                ASSERT_EQ(got[k], trueStamp(c.t, offset)) << "T " << T << " record " << k;
            }
        }
    }
}

TEST_F(Timestamps, MonthEndsAndLeapYears) {
    EXPECT_EQ(forward(100, 2, {2009, 2, 28, 23, 59, 59})[1], "2009-03-01 00:00:00.00");
    EXPECT_EQ(forward(100, 2, {2000, 2, 28, 23, 59, 59})[1], "2000-02-29 00:00:00.00");
    EXPECT_EQ(forward(100, 2, {2010, 4, 30, 23, 59, 59})[1], "2010-05-01 00:00:00.00");
    EXPECT_EQ(backward(100, 2, {2009, 3, 1, 0, 0, 0})[0], "2009-02-28 23:59:59.00");
    EXPECT_EQ(backward(100, 2, {2012, 3, 1, 0, 0, 0})[0], "2012-02-29 23:59:59.00");
    EXPECT_EQ(backward(100, 2, {2010, 5, 1, 0, 0, 0})[0], "2010-04-30 23:59:59.00");
    EXPECT_EQ(backward(100, 2, {2010, 1, 1, 0, 0, 0})[0], "2009-12-31 23:59:59.00");
}

TEST_F(Timestamps, OneRecordGetsTheGivenTimeOnlyAndNoneIsANoOp) {
    gStore[1] = SampleRecord{1, 2, 3, 4, 5, 6, 7, 8, 9};
    EXPECT_EQ(forward(50, 1, {2011, 6, 7, 8, 9, 10}), V{"2011-06-07 08:09:10.00"});
    EXPECT_EQ(backward(50, 1, {2012, 6, 7, 8, 9, 10}), V{"2012-06-07 08:09:10.00"});
    EXPECT_EQ(stamp(gStore[1]), "2001-02-03 04:05:06.78") << "record beyond the count was touched";

    gStore[0] = SampleRecord{1, 2, 3, 4, 5, 6, 7, 8, 9};
    gHeader.recordCount = 0;
    assignTimesForward({2011, 6, 7, 8, 9, 10});
    assignTimesBackward({2011, 6, 7, 8, 9, 10});
    EXPECT_EQ(stamp(gStore[0]), "2001-02-03 04:05:06.78");
}

TEST_F(Timestamps, ValuesAreNeverTouched) {
    for (std::uint32_t i = 0; i < 1000; ++i) gStore[i].value = static_cast<std::uint8_t>(i * 7);
    forward(3, 1000, {2008, 12, 31, 23, 59, 0});
    backward(100, 1000, {2008, 1, 1, 0, 0, 0});
    for (std::uint32_t i = 0; i < 1000; ++i) ASSERT_EQ(gStore[i].value, static_cast<std::uint8_t>(i * 7)) << i;
}

// Past 2099-12-31 23:59:59.99 and before 2000-01-01 00:00:00.00 a two-digit
// year has no meaning: the stamps stop at the bound instead of wrapping into
// another century or writing an impossible year.
TEST_F(Timestamps, StampsStopAtTheEndsOfTheCentury) {
    EXPECT_EQ(forward(100, 4, {2099, 12, 31, 23, 59, 58}),
              (V{"2099-12-31 23:59:58.00", "2099-12-31 23:59:59.00", "2099-12-31 23:59:59.99",
                 "2099-12-31 23:59:59.99"}));
    EXPECT_EQ(forward(2, 3, {2099, 12, 31, 23, 59, 59})[2], "2099-12-31 23:59:59.04");
    const V late = forward(50, 5, {2099, 12, 31, 23, 59, 59});
    EXPECT_EQ(late[2], "2099-12-31 23:59:59.99");
    EXPECT_EQ(late[4], "2099-12-31 23:59:59.99");

    EXPECT_EQ(backward(100, 4, {2000, 1, 1, 0, 0, 1}),
              (V{"2000-01-01 00:00:00.00", "2000-01-01 00:00:00.00", "2000-01-01 00:00:00.00",
                 "2000-01-01 00:00:01.00"}));
    EXPECT_EQ(backward(5, 3, {2000, 1, 1, 0, 0, 0})[0], "2000-01-01 00:00:00.00");

    // A clock outside the century starts from the nearer bound.
    EXPECT_EQ(backward(100, 2, {2101, 3, 4, 5, 6, 7}), (V{"2099-12-31 23:59:58.00", "2099-12-31 23:59:59.00"}));
    EXPECT_EQ(forward(100, 2, {1999, 3, 4, 5, 6, 7}), (V{"2000-01-01 00:00:00.00", "2000-01-01 00:00:01.00"}));
    // Impossible fields are brought to the nearest valid value.
    EXPECT_EQ(forward(100, 1, {2009, 13, 31, 24, 60, 61})[0], "2009-12-31 23:59:59.00");
    EXPECT_EQ(forward(100, 1, {2009, 2, 30, 0, 0, 0})[0], "2009-02-28 00:00:00.00");
}

// Over a long recording every stamp is a real calendar time and the order is
// kept (sample time 1 crosses every carry many times).
TEST_F(Timestamps, FullStoreStaysValidAndOrdered) {
    for (unsigned T : {1u, 100u}) {
        forward(T, kStoreCapacity, {2099, 12, 20, 0, 0, 0});
        backward(T, kStoreCapacity, {2000, 1, 5, 0, 0, 0});
        for (std::uint32_t i = 0; i < kStoreCapacity; ++i) {
            const SampleRecord& r = gStore[i];
            ASSERT_TRUE(r.year <= 99 && r.month >= 1 && r.month <= 12 && r.day >= 1 &&
                        r.day <= monthLength(r.month, r.year) && r.hour <= 23 && r.minute <= 59 &&
                        r.second <= 59 && r.tenths <= 9 && r.hundredths <= 9)
                << i << " " << stamp(r);
            if (i > 0) {
                ASSERT_LE(orderKey(gStore[i - 1]), orderKey(r)) << i;
            }
        }
    }
}

}  // namespace
