// The settings file "DAQSetup.cnf" in the current directory: the 282-byte
// Settings block, little-endian on disk, host order in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "shell/app_state.h"

inline constexpr const char* kSettingsFileName = "DAQSetup.cnf";
inline constexpr int kSettingsShort = 30003;  // fewer than 282 bytes read or written

void encodeSettings(const Settings& s, std::uint8_t out[kSettingsBytes]);
// Replaces the start of the block by the size bytes given (at most 282 are
// used); the rest keeps what s held. A language other than English (0) or
// German (100) becomes English, so no text lookup can leave the table.
// Returns 0, or kSettingsShort when fewer than 282 bytes were given.
int decodeSettingsBytes(const std::uint8_t* data, std::size_t size, Settings& s);

// Reads the settings file into s, or creates it from s when it does not
// exist. Returns 0, a platform error code (the file could not be opened or
// created; s unchanged) or kSettingsShort (a short read: the bytes read
// replaced the start of s; or a short write of a new file).
int loadOrCreateSettings(Settings& s);
// As above, but a file created now (a first start) gets newFileLanguage
// (English or German) in s and on disc; an existing file decides as before.
int loadOrCreateSettings(Settings& s, std::uint16_t newFileLanguage);

// The language of a first start: German when the system's user interface
// language tag (platform::systemUiLanguage) is German of any region, else
// English.
std::uint16_t languageForSystem(const std::string& uiLanguageTag);
// Writes s over the start of the settings file, creating it if needed and
// keeping any bytes beyond the block. The file is replaced whole (a new file
// renamed over it once on disc), so it holds the old block or the new one,
// whenever a power cut comes. A file that cannot be opened for writing is
// refused and left alone. Returns 0, a platform error code or kSettingsShort.
int saveSettings(const Settings& s);
