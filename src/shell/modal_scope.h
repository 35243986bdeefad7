// Counts one of our modal dialogs, message boxes or menus as open while it
// lives: every platform call that runs a modal loop holds one for the length
// of that loop. The timers keep ticking inside such loops, and a transfer must
// not complete under a dialog whose answer was meant for the recording on
// show (a Save dialog would write the new recording under the old one's
// name), so the end of a transfer waits while gApp.modalDepth is above 0.
// User-interface thread only.
#pragma once

#include "shell/app_state.h"

struct ModalScope {
    ModalScope() { ++gApp.modalDepth; }
    ~ModalScope() {
        if (gApp.modalDepth > 0) --gApp.modalDepth;
    }
    ModalScope(const ModalScope&) = delete;
    ModalScope& operator=(const ModalScope&) = delete;
};
