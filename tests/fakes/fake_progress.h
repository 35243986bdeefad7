// Fake of the transfer's progress window for unit tests: records what the core
// asked of it, and lets a test press the Abort button.
#pragma once

#include <string>
#include <vector>

namespace fake {

struct ProgressState {
    bool createFails = false;   // set by a test: no window can be made
    bool shown = false;         // a window exists
    int creates = 0;            // windows made
    int destroys = 0;           // windows destroyed
    std::vector<int> positions; // every bar position set, in order
    const char* text = nullptr;   // texts the last window was made with
    const char* button = nullptr;
    std::string detail;           // last detail line set
    int raises = 0;               // times it was brought to the front
};

ProgressState& progress();
void resetProgress();
// Presses the Abort button of the shown window, as the user would.
void pressProgressAbort();

}  // namespace fake
