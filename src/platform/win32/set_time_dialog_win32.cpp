// The set-time dialog (205) from its template in vantreldaq.rc. The fields,
// their ranges and start values and the checks on a time button are the
// core's (recording/set_time.h); the up-down controls write their position
// into the edit before them, which the user may overwrite with anything.
#include "platform/win32/dialogs_win32.h"

#include <commctrl.h>

#include <array>
#include <string>

#include "platform/win32/resource_ids.h"
#include "platform/win32/text_win32.h"
#include "recording/set_time.h"
#include "shell/messages.h"

namespace platform::win32 {
namespace {

void setMessage(HWND dialog, int id, unsigned message) {
    SetDlgItemTextW(dialog, id, widen(messageTextPtr(message)).c_str());
}

void openSetTimeDialog(HWND dialog) {
    SetWindowTextW(dialog, widen(messageTextPtr(kMsgSetTimeTitle)).c_str());
    setMessage(dialog, kDateLabel, kMsgDate);
    setMessage(dialog, kTimeLabel, kMsgTime);
    // Year first, then month, day, hour, minute, second: each up-down shows
    // record 0's value in its edit.
    const std::array<int, 6> positions = setTimeStartPositions();
    for (std::size_t i = 0; i < kTimeFields.size(); ++i) {
        const HWND upDown = GetDlgItem(dialog, kTimeFields[i].upDownId);
        SendMessageW(upDown, UDM_SETRANGE32, static_cast<WPARAM>(kTimeFields[i].minimum),
                     static_cast<LPARAM>(kTimeFields[i].maximum));
        SendMessageW(upDown, UDM_SETPOS32, 0, static_cast<LPARAM>(positions[i]));
    }
    setMessage(dialog, kSetStartTimeButton, kMsgStartButton);
    setMessage(dialog, kSetEndTimeButton, kMsgEndButton);
    setMessage(dialog, kSetTimeCancel, kMsgCancelButton);
}

std::string fieldText(HWND dialog, int id) {
    wchar_t text[64] = {};
    const int n = GetDlgItemTextW(dialog, id, text, 64);
    return narrow(text, n);
}

// A time button: the six fields are read and checked every time; an invalid
// entry shows its message and keeps the dialog open with the user's input.
void timeButton(HWND dialog, int id) {
    std::array<std::string, 6> typed;
    TimeEntryTexts texts;
    for (std::size_t i = 0; i < typed.size(); ++i) {
        typed[i] = fieldText(dialog, kTimeFields[i].editId);
        texts[i] = typed[i].c_str();
    }
    if (const int result = setTimeDialogButton(id, texts); result != 0) EndDialog(dialog, result);
}

INT_PTR CALLBACK setTimeDialogProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM) {
    switch (msg) {
    case WM_INITDIALOG:
        openSetTimeDialog(dialog);
        return TRUE;  // the focus goes to the first tab stop, the start time button
    case WM_COMMAND: {
        const int command = static_cast<int>(wParam);  // clicks only
        if (command == kSetStartTimeButton || command == kSetEndTimeButton)
            timeButton(dialog, command);
        else if (command == kSetTimeCancel)
            EndDialog(dialog, kSetTimeCancel);
        return TRUE;
    }
    default:
        return FALSE;
    }
}

}  // namespace

int runSetTimeDialogOver(HWND owner) {
    initDialogControls();
    const INT_PTR result = DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(VANTREL_DIALOG_SET_TIME),
                                           owner, setTimeDialogProc, 0);
    if (result == kSetStartTimeButton || result == kSetEndTimeButton || result == kSetTimeCancel)
        return static_cast<int>(result);
    return -1;
}

}  // namespace platform::win32
