// Puts a known recording into the store for tests of the charts and of anything
// that reads the view (export, printing, screen dump).
#pragma once

#include <cstdint>

#include "recording/store.h"

namespace test {

// Value of record i in the recordings made here, unless a test passes its own:
// a slow saw 0..100, so neighbouring columns differ and nothing is a marker or gap.
std::uint8_t sawValue(std::uint32_t i);

struct RecordingSpec {
    std::uint32_t count = 0;
    std::uint16_t sampleTime = 100;   // 1/100 s between samples
    std::uint16_t spanIndex = 0;      // SpanTable row stored in the header
    // Date and time of record 0; the others follow at sampleTime steps.
    int year = 2006, month = 3, day = 5, hour = 7, minute = 8, second = 9;
    std::uint8_t (*value)(std::uint32_t) = sawValue;
};

// Fills gHeader and gStore[0 .. count-1] (timestamps and values). Records
// beyond count are left as they are.
void fillRecording(const RecordingSpec& shape);

// fillRecording, then resetView(): the recording shown whole, as after a load.
void showRecording(const RecordingSpec& shape);

// A record with the given date, time and value.
SampleRecord makeRecord(int year, int month, int day, int hour, int minute, int second, std::uint8_t value);

}  // namespace test
