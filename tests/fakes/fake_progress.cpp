#include "fakes/fake_progress.h"

#include "platform/progress.h"
#include "shell/handlers.h"

namespace fake {

namespace {
ProgressState gProgress;
int gWindow;  // the one window's identity; its address is the handle
}  // namespace

ProgressState& progress() { return gProgress; }
void resetProgress() { gProgress = ProgressState{}; }

void pressProgressAbort() {
    if (gProgress.shown) progressAbortPressed();
}

}  // namespace fake

namespace platform {

void* createProgressWindow(const char* utf8Text, const char* utf8Button) {
    auto& p = fake::progress();
    if (p.createFails) return nullptr;
    p.shown = true;
    p.creates++;
    p.text = utf8Text;
    p.button = utf8Button;
    return &fake::gWindow;
}

void setProgressPosition(void* window, int percent) {
    if (window == &fake::gWindow) fake::progress().positions.push_back(percent);
}

void setProgressDetail(void* window, const char* utf8Text) {
    if (window == &fake::gWindow) fake::progress().detail = utf8Text;
}

void raiseProgressWindow(void* window) {
    if (window == &fake::gWindow) fake::progress().raises++;
}

void destroyProgressWindow(void* window) {
    if (window != &fake::gWindow) return;
    fake::progress().shown = false;
    fake::progress().destroys++;
}

}  // namespace platform
