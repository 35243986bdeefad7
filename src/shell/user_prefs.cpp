#include "shell/user_prefs.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "chart/envelope.h"
#include "platform/files.h"
#include "recording/replace_file.h"

namespace {

constexpr const char* kShowPeaksKey = "show-peaks";

std::string gNamedPath;  // the file the platform layer named, or empty

// A UTF-8 name as a path: the char8_t form converts as UTF-8 on every system,
// where a plain char string would take the ANSI code page on Windows.
std::filesystem::path utf8Path(const std::string& name) {
    return std::filesystem::path(std::u8string(name.begin(), name.end()));
}

std::string trim(const std::string& s) {
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    const auto last = s.find_last_not_of(" \t\r");
    return s.substr(first, last - first + 1);
}

// The key of a "key=value" line, or empty for comments and other lines.
std::string keyOf(const std::string& line) {
    const std::string t = trim(line);
    if (t.empty() || t[0] == '#') return {};
    const auto eq = t.find('=');
    return eq == std::string::npos ? std::string{} : trim(t.substr(0, eq));
}

std::vector<std::string> readLines(const std::string& path) {
    std::vector<std::string> lines;
    std::FILE* in = platform::openFile(path.c_str(), "rb");
    if (in == nullptr) return lines;
    std::string text;
    char chunk[4096];
    for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, in)) > 0;) text.append(chunk, n);
    std::fclose(in);
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

}  // namespace

std::string userPrefsPath() {
    if (!gNamedPath.empty()) return gNamedPath;
    std::string base;
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg != nullptr && xdg[0] != '\0' && utf8Path(xdg).is_absolute()) {
        base = xdg;
    } else if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0') {
        base = std::string(home) + "/.config";
    } else {
        return {};
    }
    const std::u8string path = (utf8Path(base) / "vantreldaq/view.conf").u8string();
    return std::string(path.begin(), path.end());
}

void setUserPrefsPath(const std::string& path) { gNamedPath = path; }

UserPrefs loadUserPrefs() {
    UserPrefs prefs;
    const std::string path = userPrefsPath();
    if (path.empty()) return prefs;
    for (const std::string& line : readLines(path)) {
        if (keyOf(line) != kShowPeaksKey) continue;
        const std::string value = trim(line.substr(line.find('=') + 1));
        if (value == "1" || value == "true" || value == "yes") prefs.showPeaks = true;
        else if (value == "0" || value == "false" || value == "no") prefs.showPeaks = false;
    }
    return prefs;
}

int saveUserPrefs(const UserPrefs& prefs) {
    const std::string path = userPrefsPath();
    if (path.empty()) return ENOENT;
    std::error_code ec;
    std::filesystem::create_directories(utf8Path(path).parent_path(), ec);
    if (ec) return ec.value();

    std::string text;
    bool written = false;
    const std::string ours = std::string(kShowPeaksKey) + "=" + (prefs.showPeaks ? "1" : "0");
    for (const std::string& line : readLines(path)) {
        if (keyOf(line) == kShowPeaksKey) {
            if (written) continue;
            text += ours + "\n";
            written = true;
        } else {
            text += line + "\n";
        }
    }
    if (!written) text += ours + "\n";

    ReplaceFile out;
    if (const int rc = replaceFileOpen(out, path, ".tmp"); rc != 0) return rc;
    errno = 0;
    if (std::fwrite(text.data(), 1, text.size(), out.file) != text.size()) {
        const int rc = errno != 0 ? errno : EIO;
        replaceFileDiscard(out);
        return rc;
    }
    int rc = replaceFileFinish(out);
    if (rc == 0) rc = replaceFileInstall(out);
    if (rc != 0) replaceFileDiscard(out);
    return rc;
}

void applyUserPrefs() { restorePeaksShown(loadUserPrefs().showPeaks); }
