#include "recording/settings_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/files.h"
#include "shell/messages.h"

namespace {

constexpr std::size_t kPortOffset = 0;
constexpr std::size_t kReserved1Offset = 2;
constexpr std::size_t kLanguageOffset = 260;
constexpr std::size_t kReserved2Offset = 262;

int lastError() { return errno != 0 ? errno : EIO; }

}  // namespace

void encodeSettings(const Settings& s, std::uint8_t out[kSettingsBytes]) {
    out[kPortOffset] = static_cast<std::uint8_t>(s.port);
    out[kPortOffset + 1] = static_cast<std::uint8_t>(s.port >> 8);
    std::memcpy(out + kReserved1Offset, s.reserved1.data(), s.reserved1.size());
    out[kLanguageOffset] = static_cast<std::uint8_t>(s.language);
    out[kLanguageOffset + 1] = static_cast<std::uint8_t>(s.language >> 8);
    std::memcpy(out + kReserved2Offset, s.reserved2.data(), s.reserved2.size());
}

int decodeSettingsBytes(const std::uint8_t* data, std::size_t size, Settings& s) {
    std::uint8_t raw[kSettingsBytes];
    encodeSettings(s, raw);
    const std::size_t n = size < kSettingsBytes ? size : kSettingsBytes;
    if (n > 0) std::memcpy(raw, data, n);
    s.port = static_cast<std::uint16_t>(raw[kPortOffset] | (raw[kPortOffset + 1] << 8));
    std::memcpy(s.reserved1.data(), raw + kReserved1Offset, s.reserved1.size());
    s.language = static_cast<std::uint16_t>(raw[kLanguageOffset] | (raw[kLanguageOffset + 1] << 8));
    std::memcpy(s.reserved2.data(), raw + kReserved2Offset, s.reserved2.size());
    if (s.language != English && s.language != German) s.language = English;
    return n == kSettingsBytes ? 0 : kSettingsShort;
}

int loadOrCreateSettings(Settings& s) {
    errno = 0;
    if (std::FILE* f = std::fopen(kSettingsFileName, "rb")) {
        std::uint8_t raw[kSettingsBytes];
        const std::size_t n = std::fread(raw, 1, kSettingsBytes, f);
        std::fclose(f);
        return decodeSettingsBytes(raw, n, s);
    }
    if (errno != ENOENT) return lastError();

    // First start: the file holds the defaults from now on. Created only if
    // still absent, keeping a file that appeared in the meantime; through the
    // platform, as not every C library knows fopen's "x" mode.
    int error = 0;
    std::FILE* f = platform::createNewFile(kSettingsFileName, &error);
    if (!f) return error != 0 ? error : EIO;
    std::uint8_t raw[kSettingsBytes];
    encodeSettings(s, raw);
    int result = 0;
    if (std::fwrite(raw, 1, kSettingsBytes, f) != kSettingsBytes || std::fflush(f) != 0) result = kSettingsShort;
    if (std::fclose(f) != 0) result = kSettingsShort;
    return result;
}

int saveSettings(const Settings& s) {
    // Update in place: "r+b" keeps whatever the file holds beyond the block.
    errno = 0;
    std::FILE* f = std::fopen(kSettingsFileName, "r+b");
    if (!f && errno == ENOENT) {
        errno = 0;
        f = std::fopen(kSettingsFileName, "wb");
    }
    if (!f) return lastError();
    std::uint8_t raw[kSettingsBytes];
    encodeSettings(s, raw);
    int result = 0;
    errno = 0;
    const std::size_t written = std::fwrite(raw, 1, kSettingsBytes, f);
    if (written != kSettingsBytes) {
        result = written == 0 ? lastError() : kSettingsShort;
    } else if (std::fflush(f) != 0) {
        result = lastError();
    }
    if (std::fclose(f) != 0 && result == 0) result = lastError();
    return result;
}
