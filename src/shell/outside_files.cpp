#include "shell/outside_files.h"

#include <cstring>

#include "platform/window.h"
#include "shell/app_state.h"
#include "shell/handlers.h"

namespace {

std::string gPendingPath;  // the file the posted task opens

}  // namespace

void openPendingRecording() {
    // Under one of our dialogs or menus the file waits: its answer was meant
    // for the recording on show.
    if (gPendingPath.empty() || gApp.modalDepth > 0) return;
    const std::string path = std::move(gPendingPath);
    gPendingPath.clear();
    openRecordingPath(path.c_str());
}

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
    if (!posted) platform::postTask(openPendingRecording);
}
