#include "shell/span_dialog.h"

#include <cstdio>

#include "shell/app_state.h"

std::array<bool, kSpanCount> spanButtonsEnabled(std::uint16_t t) {
    std::array<bool, kSpanCount> on;
    on.fill(true);
    // Each rule stands on its own; a button is off if any rule turns it off.
    if (t != 2) on[0] = false;                      // 2 minutes
    if (t > 5) on[1] = false;                       // 5 minutes
    if (t > 10) on[2] = false;                      // 10 minutes
    if (t > 20) on[3] = false;                      // 20 minutes
    if (t > 50) on[4] = on[5] = false;              // 50 minutes, 1 hour
    if (t < 100) on[12] = on[13] = false;           // 1 week, 12 days
    if (t < 50) on[11] = false;                     // 5 days
    if (t < 10) on[10] = on[9] = false;             // 1 day, 18 hours
    if (t == 2) on[8] = false;                      // 12 hours
    return on;
}

SampleTimeText formatSampleTime(std::uint16_t t) {
    SampleTimeText s{};
    std::snprintf(s.text, sizeof s.text, "%d.%02d", t / 100, t % 100);
    return s;
}

void spanDialogOpened() { gApp.spanChoice = kSpanPreselected; }

void spanDialogButtonClicked(int buttonId) {
    if (buttonId >= kSpanFirstButtonId && buttonId < kSpanFirstButtonId + kSpanCount)
        gApp.spanChoice = buttonId - kSpanFirstButtonId;
}

int spanDialogAccepted() { return gApp.spanChoice + 1; }
