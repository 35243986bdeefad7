// Gives every record of the recording its timestamp by stepping the decimal
// time fields from one known instant by the sample time, with carries and
// borrows digit by digit (never through a seconds count).
#pragma once

#include <cstdint>

#include "platform/clock.h"

// Days in month (1..12) of year 2000 + year2: February has 29 when the
// two-digit year is divisible by 4, which is the Gregorian rule for 2000..2099.
int monthLength(int month, int year2);

// Record 0 receives start (fractions .00), each later record the time of the one
// before it plus gHeader.sampleTime: exact hundredths for 1..100, one second
// for anything above 100, nothing for 0. Writes bytes 0..7 of records
// 0 .. recordCount-1; value bytes are untouched. recordCount 0: nothing to stamp.
//
// Stamps stay within 2000-01-01 00:00:00.00 .. 2099-12-31 23:59:59.99: a step
// past the end stops at the last instant (every later record repeats it), a
// given time outside that range is first brought to the nearer end, and a given
// field out of its range to the nearer valid value. So no record ever holds an
// impossible year, month or day, and the stamps never go backwards.
void assignTimesForward(const platform::CalendarTime& start);

// Record recordCount-1 receives end, each earlier record the time of the one
// after it minus gHeader.sampleTime. Bounds as above; a step before
// 2000-01-01 00:00:00.00 stops there.
void assignTimesBackward(const platform::CalendarTime& end);
