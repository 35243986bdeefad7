// Recording fake of the window system for unit tests: every call is appended to
// fake::calls(), message boxes are kept in fake::messages(), and dialogs answer
// from scripted queues.
#include "fakes/fake_platform.h"

#include "platform/window.h"
#include "shell/main_window.h"
#include "shell/modal_scope.h"

namespace fake {

namespace {
State gState;
}

State& state() { return gState; }

void reset() { gState = State{}; }

void modalOpen() {
    const ModalScope modal;
    if (gState.whileModal) gState.whileModal();
}

}  // namespace fake

namespace platform {

void* createMainWindow(const char*) {
    auto& s = fake::state();
    if (s.createWindowFails) return nullptr;
    s.windowExists = true;
    mainWindowCreated();
    return &s;
}
void showMainWindow() { fake::state().windowShown = true; }
// There are no events to wait for: the loop ends at once with the code of a
// quit already asked for, else 0.
int runMessageLoop() { return fake::state().quitCode < 0 ? 0 : fake::state().quitCode; }
void destroyMainWindow() {
    auto& s = fake::state();
    if (!s.windowExists) return;
    mainWindowDestroyed();
    s.windowExists = false;
    s.windowShown = false;
    s.windowsDestroyed++;
}
void quitMessageLoop(int exitCode) { fake::state().quitCode = exitCode; }


void invalidate(bool erase) {
    fake::state().invalidations.push_back(erase);
}
void postCommand(int commandId) { fake::state().postedCommands.push_back(commandId); }
void postTask(void (*task)()) { fake::state().postedTasks.push_back(task); }
void setWaitCursor(bool wait) { fake::state().waitCursor = wait; fake::state().cursorChanges++; }
void focusMainWindow() { fake::state().focusRequests++; }
void copyText(const std::string& utf8) { fake::state().clipboard = utf8; }

void startTimer(int timerId, int periodMs) { fake::state().timers[timerId] = periodMs; }
void stopTimer(int timerId) { fake::state().timers.erase(timerId); }

void setScrollBar(std::uint32_t maximum, std::uint32_t page, std::uint32_t position) {
    auto& s = fake::state();
    s.scrollMax = maximum;
    s.scrollPage = page;
    s.scrollPos = position;
}
void showScrollBar(bool visible) { fake::state().scrollVisible = visible; }
void setScrollPosition(std::uint32_t position) { fake::state().scrollPos = position; }

void comboClear() { fake::state().comboItems.clear(); fake::state().comboSel = -1; }
void comboAdd(const char* utf8Text) { fake::state().comboItems.emplace_back(utf8Text); }
void comboSelect(int index) { fake::state().comboSel = index; }
int comboSelection() { return fake::state().comboSel; }

void setMenuBar(int menuResource) {
    fake::state().menuResource = menuResource;
    fake::state().checkedItems.clear();
}
void checkMenuItem(int commandId, bool checked) {
    if (checked) fake::state().checkedItems.insert(commandId);
    else fake::state().checkedItems.erase(commandId);
}

std::string systemUiLanguage() { return fake::state().systemUiLanguage; }

void messageBox(const char* utf8Text, const char* utf8Caption, MessageIcon icon) {
    fake::modalOpen();
    fake::state().messages.push_back({utf8Text, utf8Caption, icon == MessageIcon::Error});
}

SaveAnswer askSaveChanges(const char*, const char*, const char*, const char*, const char*) {
    fake::modalOpen();
    auto& s = fake::state();
    s.saveQuestions++;
    if (s.saveAnswers.empty()) return SaveAnswer::Cancel;
    const int answer = s.saveAnswers.front();
    s.saveAnswers.pop_front();
    return answer == 0 ? SaveAnswer::Save : answer == 1 ? SaveAnswer::Discard : SaveAnswer::Cancel;
}

bool askYesNo(const char* utf8Text, const char*, const char*, const char*) {
    fake::modalOpen();
    auto& s = fake::state();
    s.yesNoQuestions.emplace_back(utf8Text);
    if (s.yesNoAnswers.empty()) return false;
    const int answer = s.yesNoAnswers.front();
    s.yesNoAnswers.pop_front();
    return answer == 1;
}

bool openFileDialog(const char* filterText, const char* defaultExt, std::string& path) {
    fake::modalOpen();
    auto& s = fake::state();
    s.fileDialogs.push_back({true, filterText, defaultExt});
    if (s.fileAnswers.empty()) return false;
    path = s.fileAnswers.front();
    s.fileAnswers.pop_front();
    return !path.empty();
}
bool saveFileDialog(const char* filterText, const char* defaultExt, std::string& path) {
    fake::modalOpen();
    auto& s = fake::state();
    s.fileDialogs.push_back({false, filterText, defaultExt});
    if (s.fileAnswers.empty()) return false;
    path = s.fileAnswers.front();
    s.fileAnswers.pop_front();
    return !path.empty();
}

}  // namespace platform
