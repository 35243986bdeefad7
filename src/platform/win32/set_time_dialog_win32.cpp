// The set-time dialog (205) from its template in vantreldaq.rc. The fields,
// their ranges and start values and the checks on a time button are the
// core's (recording/set_time.h); the up-down controls write their position
// into the edit before them, which the user may overwrite with anything.
#include <windows.h>
// The common controls' header needs windows.h before it.
#include <commctrl.h>

#include <array>
#include <string>

#include "platform/win32/dialogs_win32.h"
#include "platform/win32/resource_ids.h"
#include "platform/win32/text_win32.h"
#include "recording/set_time.h"
#include "shell/messages.h"
#include "shell/modal_scope.h"

namespace platform::win32 {
namespace {

void setMessage(HWND dialog, int id, unsigned message) {
    SetDlgItemTextW(dialog, id, widen(messageTextPtr(message)).c_str());
}

// The year must show its four digits beside its arrows. A dialog face wider
// than the template was drawn for (Wine's stand-in for it, a large-font
// setting) would hide the last digit under them; the template leaves free
// room to the right of the year, so the field grows into it.
void fitYearField(HWND dialog) {
    const HWND edit = GetDlgItem(dialog, kTimeFields[FieldYear].editId);
    const HWND upDown = GetDlgItem(dialog, kTimeFields[FieldYear].upDownId);
    if (edit == nullptr || upDown == nullptr) return;
    const HDC dc = GetDC(edit);
    const HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(edit, WM_GETFONT, 0, 0)));
    SIZE digits{};
    GetTextExtentPoint32W(dc, L"0000", 4, &digits);
    SelectObject(dc, old);
    ReleaseDC(edit, dc);
    const auto margins = static_cast<DWORD>(SendMessageW(edit, EM_GETMARGINS, 0, 0));
    RECT client{};
    GetClientRect(edit, &client);
    // Beside the margins the edit keeps room for its caret, and the arrows
    // overlap its border.
    const int missing = digits.cx + LOWORD(margins) + HIWORD(margins) + 6 - (client.right - client.left);
    if (missing <= 0) return;
    RECT field{};
    RECT arrows{};
    GetWindowRect(edit, &field);
    GetWindowRect(upDown, &arrows);
    // Back to the width with the arrows' share, plus what is missing; the
    // up-down then takes its share again at the new right edge.
    SetWindowPos(edit, nullptr, 0, 0, field.right - field.left + arrows.right - arrows.left + missing,
                 field.bottom - field.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageW(upDown, UDM_SETBUDDY, reinterpret_cast<WPARAM>(edit), 0);
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
    // Enter in a field means the time shown is the start; Enter on a focused
    // button still presses that button.
    SendMessageW(dialog, DM_SETDEFID, kSetStartTimeButton, 0);
    fitYearField(dialog);
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
    if (!initDialogControls()) return -1;
    const ModalScope modal;
    const INT_PTR result = DialogBoxParamW(
        GetModuleHandleW(nullptr), MAKEINTRESOURCEW(VANTREL_DIALOG_SET_TIME), owner, setTimeDialogProc, 0);
    if (result == kSetStartTimeButton || result == kSetEndTimeButton || result == kSetTimeCancel)
        return static_cast<int>(result);
    return -1;
}

}  // namespace platform::win32
