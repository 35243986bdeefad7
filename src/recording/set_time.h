// Rules of the set-time dialog (dialog 205): which fields it has, what it
// shows when it opens, and how the typed date and time are checked into
// gApp.timeEntry. The platform layer only builds the widgets and calls these.
#pragma once

#include <array>
#include <cstdint>

#include "platform/clock.h"

// Control ids, also the results the dialog ends with.
inline constexpr int kSetStartTimeButton = 1030;
inline constexpr int kSetEndTimeButton = 1031;
inline constexpr int kSetTimeCancel = 2;
inline constexpr int kDateLabel = 1034;
inline constexpr int kTimeLabel = 1035;

// Texts that replace the template's placeholders when the dialog opens.
inline constexpr unsigned kMsgSetTimeTitle = 47;   // "Set Time"
inline constexpr unsigned kMsgDate = 24;           // "Date"
inline constexpr unsigned kMsgTime = 25;           // "Time"
inline constexpr unsigned kMsgStartButton = 18;    // "Start time"
inline constexpr unsigned kMsgEndButton = 26;      // "End time"
inline constexpr unsigned kMsgCancelButton = 21;   // "Cancel"
inline constexpr unsigned kMsgInvalidTime = 44;    // "Invalid time settings!"

// One edit field with its up-down control, in the order the dialog sets them.
struct TimeField {
    int editId;    // edit control
    int upDownId;  // its up-down control
    int minimum;   // up-down range
    int maximum;
};
enum TimeFieldIndex { FieldYear, FieldMonth, FieldDay, FieldHour, FieldMinute, FieldSecond };
inline constexpr std::array<TimeField, 6> kTimeFields = {{
    {1022, 1023, 2005, 2099},
    {1020, 1021, 1, 12},
    {1018, 1019, 1, 31},
    {1024, 1025, 0, 23},
    {1026, 1027, 0, 59},
    {1028, 1029, 0, 59},
}};

// Up-down positions when the dialog opens: record 0's time (year as 2000 +
// year), each brought into its field's range. Indexed by TimeFieldIndex.
std::array<int, 6> setTimeStartPositions();

// A field's text as an unsigned decimal number: leading and trailing blanks
// are skipped, anything else but digits makes it no number. Numbers too large
// for any field come back as 65536.
bool parseDialogNumber(const char* text, unsigned& value);

// The six texts as typed, indexed by TimeFieldIndex.
using TimeEntryTexts = std::array<const char*, 6>;

// Checks year, month, day, hour, minute and second in this order and stores
// what it reads in gApp.timeEntry (second, minute, hour, day, month,
// year - 2000); the year only when it is 2005..2099. Every check runs even
// after one has failed. A number above 255 in any field is invalid as typed:
// it is never reduced to a byte. Returns whether all six are valid.
bool applyTimeEntry(const TimeEntryTexts& texts);

// A button of the dialog was pressed: returns the id the dialog ends with
// (1030, 1031 or 2), or 0 when it stays open. An invalid entry shows message
// 44 with caption 47 and keeps the dialog open; other ids are ignored.
int setTimeDialogButton(int buttonId, const TimeEntryTexts& texts);

// gApp.timeEntry as the instant to stamp from.
platform::CalendarTime timeEntryAsCalendar();
