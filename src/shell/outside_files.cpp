#include "shell/outside_files.h"

#include <cstring>

#include "platform/window.h"
#include "shell/handlers.h"

namespace {

std::string gPendingPath;  // the file the posted task opens

void openPending() {
    const std::string path = std::move(gPendingPath);
    gPendingPath.clear();
    if (!path.empty()) openRecordingPath(path.c_str());
}

}  // namespace

const char* recordingArgument(int argc, char** argv) {
    bool options = true;
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (a == nullptr || a[0] == '\0') continue;
        if (options && std::strcmp(a, "--") == 0) {
            options = false;
            continue;
        }
        if (options && a[0] == '-') continue;
        return a;
    }
    return nullptr;
}

bool isRecordingFileName(const std::string& path) {
    if (path.size() < 5) return false;  // at least one character before ".udd"
    const std::string tail = path.substr(path.size() - 4);
    if (tail[0] != '.' || path[path.size() - 5] == '/') return false;
    for (std::size_t i = 1; i < 4; ++i)
        if ((tail[i] | 0x20) != ".udd"[i]) return false;
    return true;
}

void openRecordingLater(const std::string& path) {
    const bool posted = !gPendingPath.empty();
    gPendingPath = path;
    if (!posted) platform::postTask(openPending);
}
