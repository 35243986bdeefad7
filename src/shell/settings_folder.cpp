#include "shell/settings_folder.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace {

namespace fs = std::filesystem;

// Through char8_t, so a name in any script reaches the wide file calls on
// Windows intact.
fs::path utf8Path(const std::string& name) { return fs::path(std::u8string(name.begin(), name.end())); }

bool userFolderTakesNewFiles(const std::string& folder) {
    if (folder.empty()) return false;
    std::error_code ec;
    fs::create_directories(utf8Path(folder), ec);
    return !ec && folderTakesNewFiles(folder);
}

}  // namespace

bool folderTakesNewFiles(const std::string& folder) {
    // Unique enough that no file of the user's is ever met, let alone removed:
    // the clock in nanoseconds and a counter for calls within one tick.
    if (folder.empty()) return false;
    static unsigned serial = 0;
    const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
    const fs::path probe =
        utf8Path(folder) / (".vantreldaq-write-test-" + std::to_string(ticks) + "-" + std::to_string(++serial));
    std::error_code ec;
    if (fs::exists(probe, ec)) return false;
    bool made = false;
    {
        std::ofstream out(probe, std::ios::binary);
        made = out.is_open() && out.flush().good();
    }
    fs::remove(probe, ec);
    return made;
}

SettingsFolder chooseSettingsFolder(bool userFolderAsked, const std::string& userFolder,
                                    const std::string& currentFolder) {
    if (userFolderAsked) {
        if (userFolderTakesNewFiles(userFolder) || !folderTakesNewFiles(currentFolder)) return SettingsFolder::User;
        return SettingsFolder::Current;
    }
    if (folderTakesNewFiles(currentFolder) || !userFolderTakesNewFiles(userFolder)) return SettingsFolder::Current;
    return SettingsFolder::User;
}
