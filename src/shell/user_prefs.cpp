#include "shell/user_prefs.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <utility>
#include <vector>

#include "chart/envelope.h"
#include "platform/files.h"
#include "platform/window.h"
#include "recording/replace_file.h"

namespace {

constexpr const char* kShowPeaksKey = "show-peaks";
constexpr const char* kRecordingsFolderKey = "folder-recordings";
constexpr const char* kExportsFolderKey = "folder-exports";
constexpr const char* kPicturesFolderKey = "folder-pictures";
constexpr const char* kThresholdsKey = "report-thresholds";
constexpr const char* kDemandKey = "report-demand";
constexpr const char* kRatedKwKey = "report-rated-kw";
constexpr const char* kScopeKey = "report-scope";

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

namespace {

bool parseFlag(const std::string& value, bool& out) {
    if (value == "1" || value == "true" || value == "yes") out = true;
    else if (value == "0" || value == "false" || value == "no") out = false;
    else return false;
    return true;
}

// "80,100": each level 1-254, at most eight; anything else keeps the default.
bool parseLevels(const std::string& value, std::vector<int>& out) {
    std::vector<int> levels;
    std::size_t pos = 0;
    while (pos <= value.size()) {
        std::size_t end = value.find(',', pos);
        if (end == std::string::npos) end = value.size();
        const std::string item = trim(value.substr(pos, end - pos));
        char* stop = nullptr;
        const long level = std::strtol(item.c_str(), &stop, 10);
        if (item.empty() || *stop != '\0' || level < 1 || level > 254) return false;
        levels.push_back(static_cast<int>(level));
        pos = end + 1;
    }
    if (levels.empty() || levels.size() > 8) return false;
    out = levels;
    return true;
}

std::string formatLevels(const std::vector<int>& levels) {
    std::string text;
    for (const int level : levels) text += (text.empty() ? "" : ",") + std::to_string(level);
    return text;
}

std::string formatKw(double kw) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", kw);
    std::string out = text;
    while (!out.empty() && out.back() == '0') out.pop_back();
    if (!out.empty() && out.back() == '.') out.pop_back();
    return out;
}

// The file's lines for prefs, key by key, in the order they are written.
std::vector<std::pair<std::string, std::string>> prefLines(const UserPrefs& prefs) {
    return {
        {kShowPeaksKey, prefs.showPeaks ? "1" : "0"},
        {kRecordingsFolderKey, prefs.recordingsFolder},
        {kExportsFolderKey, prefs.exportsFolder},
        {kPicturesFolderKey, prefs.picturesFolder},
        {kThresholdsKey, formatLevels(prefs.reportThresholds)},
        {kDemandKey, std::to_string(prefs.reportDemandMinutes)},
        {kRatedKwKey, prefs.reportRatedKw > 0 ? formatKw(prefs.reportRatedKw) : ""},
        {kScopeKey, prefs.reportShownOnly ? "shown" : "whole"},
    };
}

}  // namespace

UserPrefs loadUserPrefs() {
    UserPrefs prefs;
    const std::string path = userPrefsPath();
    if (path.empty()) return prefs;
    for (const std::string& line : readLines(path)) {
        const std::string key = keyOf(line);
        if (key.empty()) continue;
        const std::string value = trim(line.substr(line.find('=') + 1));
        if (key == kShowPeaksKey) {
            (void)parseFlag(value, prefs.showPeaks);
        } else if (key == kRecordingsFolderKey) {
            prefs.recordingsFolder = value;
        } else if (key == kExportsFolderKey) {
            prefs.exportsFolder = value;
        } else if (key == kPicturesFolderKey) {
            prefs.picturesFolder = value;
        } else if (key == kThresholdsKey) {
            (void)parseLevels(value, prefs.reportThresholds);
        } else if (key == kDemandKey) {
            const int minutes = std::atoi(value.c_str());
            if (minutes == 1 || minutes == 5 || minutes == 10 || minutes == 15 || minutes == 30 || minutes == 60)
                prefs.reportDemandMinutes = minutes;
        } else if (key == kRatedKwKey) {
            char* stop = nullptr;
            const double kw = std::strtod(value.c_str(), &stop);
            if (!value.empty() && *stop == '\0' && kw > 0 && kw < 1e9) prefs.reportRatedKw = kw;
        } else if (key == kScopeKey) {
            if (value == "shown") prefs.reportShownOnly = true;
            else if (value == "whole") prefs.reportShownOnly = false;
        }
    }
    return prefs;
}

int saveUserPrefs(const UserPrefs& prefs) {
    const std::string path = userPrefsPath();
    if (path.empty()) return ENOENT;
    std::error_code ec;
    std::filesystem::create_directories(utf8Path(path).parent_path(), ec);
    if (ec) return ec.value();

    // Our keys replace their lines in place; other lines (comments, keys of
    // other versions) stay as they are.
    auto ours = prefLines(prefs);
    std::vector<bool> written(ours.size(), false);
    std::string text;
    for (const std::string& line : readLines(path)) {
        const std::string key = keyOf(line);
        std::size_t i = 0;
        while (i < ours.size() && ours[i].first != key) ++i;
        if (i == ours.size()) {
            text += line + "\n";
        } else if (!written[i]) {
            text += ours[i].first + "=" + ours[i].second + "\n";
            written[i] = true;
        }
    }
    // A key the file lacks is added only when it holds a choice of the user's.
    const auto defaults = prefLines(UserPrefs{});
    for (std::size_t i = 0; i < ours.size(); ++i)
        if (!written[i] && ours[i].second != defaults[i].second) text += ours[i].first + "=" + ours[i].second + "\n";

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

void setPeaksShown(bool shown) {
    if (shown == peaksShown()) return;
    restorePeaksShown(shown);
    UserPrefs prefs = loadUserPrefs();
    prefs.showPeaks = shown;
    // A preference that cannot be written is not worth a message box: the
    // choice holds for this run all the same.
    (void)saveUserPrefs(prefs);
    platform::invalidate(true);
}
