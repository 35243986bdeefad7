#include "recording/settings_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/files.h"
#include "recording/replace_file.h"
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

int loadOrCreateSettings(Settings& s) { return loadOrCreateSettings(s, s.language); }

std::uint16_t languageForSystem(const std::string& tag) {
    // "de", "de-AT", "de_CH": the primary subtag, any case.
    const bool german = tag.size() >= 2 && (tag[0] | 0x20) == 'd' && (tag[1] | 0x20) == 'e' &&
                        (tag.size() == 2 || tag[2] == '-' || tag[2] == '_');
    return german ? German : English;
}

int loadOrCreateSettings(Settings& s, std::uint16_t newFileLanguage) {
    errno = 0;
    if (std::FILE* f = std::fopen(kSettingsFileName, "rb")) {
        std::uint8_t raw[kSettingsBytes];
        const std::size_t n = std::fread(raw, 1, kSettingsBytes, f);
        std::fclose(f);
        return decodeSettingsBytes(raw, n, s);
    }
    if (errno != ENOENT) return lastError();

    // First start: the program speaks the user's language, even when the
    // file cannot be made, and the file holds it with the defaults from now
    // on. Created only if still absent, keeping a file that appeared in the
    // meantime; through the platform, as not every C library knows fopen's
    // "x" mode.
    s.language = newFileLanguage == German ? German : English;
    int error = 0;
    std::FILE* f = platform::createNewFile(kSettingsFileName, &error);
    if (!f) return error != 0 ? error : EIO;
    std::uint8_t raw[kSettingsBytes];
    encodeSettings(s, raw);
    int result = 0;
    if (std::fwrite(raw, 1, kSettingsBytes, f) != kSettingsBytes || platform::flushToDisc(f) != 0) result = kSettingsShort;
    if (std::fclose(f) != 0) result = kSettingsShort;
    return result;
}

int saveSettings(const Settings& s) {
    // The new file replaces the old one whole, so that a power cut while it is
    // written leaves the old settings rather than a torn block. What the old
    // file holds beyond the block is carried over. Opening it for update
    // first keeps the old answer to a file the user made read-only: refused.
    std::string contents;
    errno = 0;
    if (std::FILE* old = platform::openFile(kSettingsFileName, "r+b")) {
        char chunk[4096];
        std::size_t n = 0;
        while ((n = std::fread(chunk, 1, sizeof chunk, old)) > 0) contents.append(chunk, n);
        const bool failed = std::ferror(old) != 0;
        std::fclose(old);
        if (failed) return lastError();
    } else if (errno != ENOENT) {
        return lastError();
    }
    std::uint8_t raw[kSettingsBytes];
    encodeSettings(s, raw);
    contents.replace(0, kSettingsBytes, reinterpret_cast<const char*>(raw), kSettingsBytes);

    ReplaceFile out;
    if (const int rc = replaceFileOpen(out, kSettingsFileName, ".tmp"); rc != 0) return rc;
    int result = 0;
    errno = 0;
    const std::size_t written = std::fwrite(contents.data(), 1, contents.size(), out.file);
    if (written != contents.size()) result = written == 0 ? lastError() : kSettingsShort;
    if (const int rc = replaceFileFinish(out); rc != 0 && result == 0) result = rc;
    if (result == 0) result = replaceFileInstall(out);
    if (result != 0) replaceFileDiscard(out);
    return result;
}
