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

// The language block in force: gSettings.language when it is German (100),
// English (0) for every other value, so a damaged settings file can neither
// reach outside the table nor ask for a menu that does not exist.
std::uint16_t effectiveLanguage();

// What showMessage puts on screen, composed without showing anything.
struct ComposedMessage {
    char text[96];      // message text, ": <code>" appended when code != 0
    char caption[kMessageSlotBytes];
    bool errorIcon;     // false: information icon (ids below 70)
};
ComposedMessage composeMessage(MessageId textId, MessageId captionId, long code);
