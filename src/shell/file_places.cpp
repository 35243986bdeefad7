#include "shell/file_places.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "platform/window.h"
#include "recording/store.h"
#include "shell/user_prefs.h"

namespace {

bool gDocuments = false;

std::filesystem::path utf8Path(const std::string& name) {
    return std::filesystem::path(std::u8string(name.begin(), name.end()));
}

std::string utf8Of(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

bool isFolder(const std::string& utf8) {
    std::error_code ec;
    return !utf8.empty() && std::filesystem::is_directory(utf8Path(utf8), ec);
}

std::string& folderOf(UserPrefs& prefs, FileKind kind) {
    switch (kind) {
    case FileKind::Recording: return prefs.recordingsFolder;
    case FileKind::Export: return prefs.exportsFolder;
    case FileKind::Picture: break;
    }
    return prefs.picturesFolder;
}

}  // namespace

void setDialogsStartInDocuments(bool documents) { gDocuments = documents; }

std::string recordingNameBase() {
    if (gHeader.recordCount == 0) return {};
    const SampleRecord& r = gStore[0];
    char base[64];
    std::snprintf(base, sizeof base, "vantrel-%04d%02d%02d-%02d%02d%02d", r.year + 2000, r.month, r.day, r.hour,
                  r.minute, r.second);
    return base;
}

std::string fileDialogStart(FileKind kind, const char* extension) {
    UserPrefs prefs = loadUserPrefs();
    std::string folder = folderOf(prefs, kind);
    // A folder since removed or unplugged falls back as if none was known.
    if (!isFolder(folder)) folder.clear();
    if (folder.empty() && gDocuments) {
        folder = platform::documentsFolder();
        if (!isFolder(folder)) folder.clear();
    }
    std::string name;
    if (extension != nullptr && extension[0] != '\0') {
        name = recordingNameBase();
        if (!name.empty()) name += std::string(".") + extension;
    }
    if (folder.empty()) return name;
    return utf8Of(utf8Path(folder) / "") + name;
}

void rememberFileFolder(FileKind kind, const std::string& chosenPath) {
    const std::string folder = utf8Of(utf8Path(chosenPath).parent_path());
    if (folder.empty()) return;
    UserPrefs prefs = loadUserPrefs();
    std::string& known = folderOf(prefs, kind);
    if (known == folder) return;
    known = folder;
    // Not worth a message when it cannot be kept: the dialog did its job.
    (void)saveUserPrefs(prefs);
}
