// Rules of the span selection dialog (201) and the About dialog (101); the
// platform layer builds the widgets and asks these functions what to show.
#pragma once

#include <array>
#include <cstdint>

#include "recording/store.h"

// Control ids of the span dialog.
inline constexpr int kSpanOkId = 1;           // "Get"
inline constexpr int kSpanCancelId = 2;
inline constexpr int kSpanFirstButtonId = 1001;  // 1001 + i selects span i
inline constexpr int kSpanSampleTimeId = 1016;
inline constexpr int kSpanGroupId = 1031;
inline constexpr int kSpanSampleLabelId = 1032;
inline constexpr int kSpanPreselected = 7;       // "5 hours", never disabled

// Control ids of the About dialog.
inline constexpr int kAboutLogoId = 101;
inline constexpr int kAboutOkId = 1;

// Texts that replace the templates' placeholders when the dialogs open; span
// button i shows message i + 1.
inline constexpr unsigned kMsgSpanTitle = 23;        // "Data acquisition"
inline constexpr unsigned kMsgSpanGroup = 20;        // "Data amount"
inline constexpr unsigned kMsgSpanSampleLabel = 16;  // "Sample time:"
inline constexpr unsigned kMsgSpanCancel = 21;       // "Cancel"
inline constexpr unsigned kMsgSpanGet = 22;          // "Get"
inline constexpr unsigned kMsgAboutTitle = 0;        // "About"

// Which span buttons the logger's sample time t (1/100 s) allows; entry i is
// button 1001 + i. For the logger's sample times 2, 5, 10, 20, 50 and 100 this
// enables exactly the spans of 6000 to 1,048,576 samples.
std::array<bool, kSpanCount> spanButtonsEnabled(std::uint16_t sampleTime);

// The sample time in seconds as shown in field 1016: "0.02", "0.50", "1.00".
struct SampleTimeText {
    char text[16];
};
SampleTimeText formatSampleTime(std::uint16_t sampleTime);

// The dialog's state in gApp.spanChoice: opening selects "5 hours", a click on
// a span button selects that span, OK returns the choice + 1.
void spanDialogOpened();
void spanDialogButtonClicked(int buttonId);
int spanDialogAccepted();
