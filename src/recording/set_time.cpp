#include "recording/set_time.h"

#include "recording/store.h"
#include "recording/timestamps.h"
#include "shell/app_state.h"
#include "shell/messages.h"

namespace {

enum EntrySlot { SlotSecond, SlotMinute, SlotHour, SlotDay, SlotMonth, SlotYear };

constexpr unsigned kTooLarge = 65536;
constexpr unsigned kByteLimit = 255;

bool isBlank(char c) { return c == ' ' || c == '\t'; }

int clampToField(int v, const TimeField& f) { return v < f.minimum ? f.minimum : (v > f.maximum ? f.maximum : v); }

// Reads a byte-sized field into its timeEntry slot. A text that is no number
// counts as 0 where noNumberIsZero says so (month, day), else it fails; a
// number that does not fit a byte fails and leaves the slot alone.
bool readByteField(const char* text, std::uint8_t& slot, bool noNumberIsZero, unsigned& value) {
    if (!parseDialogNumber(text, value)) {
        if (!noNumberIsZero) return false;
        value = 0;
    }
    if (value > kByteLimit) return false;
    slot = static_cast<std::uint8_t>(value);
    return true;
}

}  // namespace

std::array<int, 6> setTimeStartPositions() {
    const SampleRecord& r = gStore[0];
    const int raw[6] = {r.year + 2000, r.month, r.day, r.hour, r.minute, r.second};
    std::array<int, 6> pos{};
    for (int i = 0; i < 6; ++i) pos[i] = clampToField(raw[i], kTimeFields[i]);
    return pos;
}

bool parseDialogNumber(const char* text, unsigned& value) {
    value = 0;
    if (!text) return false;
    while (isBlank(*text)) ++text;
    bool digits = false;
    for (; *text >= '0' && *text <= '9'; ++text) {
        digits = true;
        value = value * 10 + static_cast<unsigned>(*text - '0');
        if (value > kTooLarge) value = kTooLarge;
    }
    while (isBlank(*text)) ++text;
    if (!digits || *text != '\0') {
        value = 0;
        return false;
    }
    return true;
}

bool applyTimeEntry(const TimeEntryTexts& texts) {
    auto& entry = gApp.timeEntry;
    bool valid = true;
    unsigned v = 0;

    const TimeField& year = kTimeFields[FieldYear];
    if (parseDialogNumber(texts[FieldYear], v) && v >= static_cast<unsigned>(year.minimum) &&
        v <= static_cast<unsigned>(year.maximum)) {
        entry[SlotYear] = static_cast<std::uint8_t>(v - 2000);
    } else {
        valid = false;
    }

    if (!readByteField(texts[FieldMonth], entry[SlotMonth], true, v) || v < 1 || v > 12) valid = false;

    // With an invalid month the day's limit does not matter: the entry fails anyway.
    const int month = entry[SlotMonth] >= 1 && entry[SlotMonth] <= 12 ? entry[SlotMonth] : 1;
    if (!readByteField(texts[FieldDay], entry[SlotDay], true, v) || v < 1 ||
        v > static_cast<unsigned>(monthLength(month, entry[SlotYear])))
        valid = false;

    if (!readByteField(texts[FieldHour], entry[SlotHour], false, v) || v > 23) valid = false;
    if (!readByteField(texts[FieldMinute], entry[SlotMinute], false, v) || v > 59) valid = false;
    if (!readByteField(texts[FieldSecond], entry[SlotSecond], false, v) || v > 59) valid = false;
    return valid;
}

int setTimeDialogButton(int buttonId, const TimeEntryTexts& texts) {
    if (buttonId == kSetTimeCancel) return kSetTimeCancel;
    if (buttonId != kSetStartTimeButton && buttonId != kSetEndTimeButton) return 0;
    if (applyTimeEntry(texts)) return buttonId;
    showMessage(kMsgInvalidTime, kMsgSetTimeTitle, 0);
    return 0;
}

platform::CalendarTime timeEntryAsCalendar() {
    const auto& e = gApp.timeEntry;
    return {e[SlotYear] + 2000, e[SlotMonth], e[SlotDay], e[SlotHour], e[SlotMinute], e[SlotSecond]};
}
