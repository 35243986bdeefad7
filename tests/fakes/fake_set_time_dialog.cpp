// Fake of the set-time dialog. The first scripted dialogAnswer is the button
// pressed; for 1030 / 1031 each scripted setTimeTexts entry is typed and the
// button pressed again until the core accepts one (as the real dialog stays
// open after an invalid entry). With no texts left the user cancels (2). No
// texts scripted at all: the fields keep the values the dialog opened with.
#include <string>

#include "fakes/fake_platform.h"
#include "platform/set_time_dialog.h"
#include "recording/set_time.h"

namespace platform {

int runSetTimeDialog() {
    fake::modalOpen();
    auto& s = fake::state();
    s.dialogsRun.push_back("setTime");
    if (s.dialogAnswers.empty()) return kSetTimeCancel;
    const int button = s.dialogAnswers.front();
    s.dialogAnswers.pop_front();
    if (button != kSetStartTimeButton && button != kSetEndTimeButton) return button;

    if (s.setTimeTexts.empty()) {
        const auto pos = setTimeStartPositions();
        std::array<std::string, 6> typed;
        for (int i = 0; i < 6; ++i) typed[i] = std::to_string(pos[i]);
        s.setTimeTexts.push_back(typed);
    }
    while (!s.setTimeTexts.empty()) {
        const std::array<std::string, 6> typed = s.setTimeTexts.front();
        s.setTimeTexts.pop_front();
        TimeEntryTexts texts;
        for (int i = 0; i < 6; ++i) texts[i] = typed[i].c_str();
        if (int result = setTimeDialogButton(button, texts); result != 0) return result;
    }
    return kSetTimeCancel;
}

}  // namespace platform
