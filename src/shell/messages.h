// Every text the program shows or writes, in English and German, by number.
#pragma once

#include <cstdint>

using MessageId = unsigned;  // 0..99, position within one language block

enum Language : std::uint16_t { English = 0, German = 100 };

inline constexpr int kMessageSlots = 200;
inline constexpr int kMessageSlotBytes = 64;

// Copies message id in the language of gSettings.language (UTF-8, NUL-terminated)
// into dest, which holds kMessageSlotBytes bytes. Out-of-range ids and unknown
// languages never reach outside the table.
void messageText(MessageId id, char* dest);
// The same text as a pointer into the constant table.
const char* messageTextPtr(MessageId id);

// Shows a modal message box: text id, caption id, and ": <code>" appended when
// code is not 0; information icon below message 70, error icon from 70 on.
void showMessage(MessageId textId, MessageId captionId, long code);
