#include "support/chart_recording.h"

#include <chrono>

#include "shell/handlers.h"

namespace test {

std::uint8_t sawValue(std::uint32_t i) { return static_cast<std::uint8_t>((i / 3) % 101); }

SampleRecord makeRecord(int year, int month, int day, int hour, int minute, int second, std::uint8_t value) {
    SampleRecord r{};
    r.year = static_cast<std::uint8_t>(year - 2000);
    r.month = static_cast<std::uint8_t>(month);
    r.day = static_cast<std::uint8_t>(day);
    r.hour = static_cast<std::uint8_t>(hour);
    r.minute = static_cast<std::uint8_t>(minute);
    r.second = static_cast<std::uint8_t>(second);
    r.value = value;
    return r;
}

void fillRecording(const RecordingSpec& shape) {
    using namespace std::chrono;
    const std::uint32_t count = shape.count < kStoreCapacity ? shape.count : kStoreCapacity;
    gHeader.sampleTime = shape.sampleTime;
    gHeader.spanIndex = shape.spanIndex;
    gHeader.recordCount = count;

    const sys_days firstDay = year_month_day{year{shape.year}, month{static_cast<unsigned>(shape.month)},
                                             day{static_cast<unsigned>(shape.day)}};
    constexpr std::int64_t kDay = 8640000;  // hundredths of a second
    const std::int64_t firstTime = ((shape.hour * 60 + shape.minute) * 60 + shape.second) * std::int64_t{100};
    std::int64_t shownDay = -1;
    year_month_day date{};
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::int64_t t = firstTime + std::int64_t{i} * shape.sampleTime;
        const std::int64_t dayOffset = t / kDay;
        if (dayOffset != shownDay) {
            shownDay = dayOffset;
            date = year_month_day{firstDay + days{dayOffset}};
        }
        const std::int64_t inDay = t % kDay;
        SampleRecord& r = gStore[i];
        r.year = static_cast<std::uint8_t>(static_cast<int>(date.year()) - 2000);
        r.month = static_cast<std::uint8_t>(static_cast<unsigned>(date.month()));
        r.day = static_cast<std::uint8_t>(static_cast<unsigned>(date.day()));
        r.hour = static_cast<std::uint8_t>(inDay / 360000);
        r.minute = static_cast<std::uint8_t>(inDay / 6000 % 60);
        r.second = static_cast<std::uint8_t>(inDay / 100 % 60);
        r.tenths = static_cast<std::uint8_t>(inDay / 10 % 10);
        r.hundredths = static_cast<std::uint8_t>(inDay % 10);
        r.value = shape.value(i);
    }
}

void showRecording(const RecordingSpec& shape) {
    fillRecording(shape);
    resetView();
}

}  // namespace test
