#include "fakes/fake_platform.h"
#include "platform/dialogs.h"

namespace platform {

// Answers from fake::state().dialogAnswers; Cancel (0) when none is scripted.
int runSpanDialog() {
    fake::modalOpen();
    auto& s = fake::state();
    s.dialogsRun.push_back("span");
    if (s.dialogAnswers.empty()) return 0;
    int r = s.dialogAnswers.front();
    s.dialogAnswers.pop_front();
    return r;
}

void runLoadReportDialog() {
    fake::modalOpen();
    fake::state().dialogsRun.push_back("loadReport");
}

void runAboutDialog() {
    fake::modalOpen();
    fake::state().dialogsRun.push_back("about");
}

}  // namespace platform
