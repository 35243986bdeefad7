// The parts of the Win32 window program not built yet: the span, About and
// set-time dialogs, the progress window, printing and the screen dump. Each
// reports that it cannot do its job, so the shell takes its failure path
// (a message, or going on without) and nothing pretends to have worked.
#include <cstdint>
#include <vector>

#include "platform/dialogs.h"
#include "platform/printer.h"
#include "platform/progress.h"
#include "platform/screen.h"
#include "platform/set_time_dialog.h"

namespace platform {

int runSpanDialog() { return -1; }
void runAboutDialog() {}
int runSetTimeDialog() { return -1; }

// No window: the transfer runs without its progress display.
void* createProgressWindow(const char*, const char*) { return nullptr; }
void setProgressPosition(void*, int) {}
void setProgressDetail(void*, const char*) {}
void raiseProgressWindow(void*) {}
void destroyProgressWindow(void*) {}

}  // namespace platform
