// The span selection dialog (201), the About dialog (101) and the question
// about unsaved work, run from the templates in vantreldaq.rc. What each shows
// and returns is the core's (shell/span_dialog.h, the message table); this file
// puts the texts into the controls and forwards the clicks.
#include "platform/win32/dialogs_win32.h"

#include <commctrl.h>

#include <array>
#include <string>

#include "device/transfer.h"
#include "platform/win32/resource_ids.h"
#include "platform/win32/text_win32.h"
#include "shell/app_state.h"
#include "shell/messages.h"
#include "shell/modal_scope.h"
#include "shell/span_dialog.h"

namespace platform::win32 {
namespace {

void setText(HWND dialog, int id, const char* utf8) {
    SetDlgItemTextW(dialog, id, widen(utf8 != nullptr ? utf8 : "").c_str());
}

void setMessage(HWND dialog, int id, unsigned message) { setText(dialog, id, messageTextPtr(message)); }

// One tip per span button: how many samples and how long the fetch takes, or
// for a span not offered, the sample time it needs. A
// disabled button gets no mouse messages (they go to the dialog), so its tip
// is tied to its rectangle on the dialog instead of to the button itself.
void addSpanTooltips(HWND dialog, std::uint16_t sampleTime) {
    const HWND tips = CreateWindowExW(
        WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, dialog, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (tips == nullptr) return;  // the dialog works without its tips
    SendMessageW(tips, TTM_SETMAXTIPWIDTH, 0, 400);
    for (int i = 0; i < kSpanCount; ++i) {
        const HWND button = GetDlgItem(dialog, kSpanFirstButtonId + i);
        std::wstring text = widen(spanButtonTip(i, sampleTime));
        if (button == nullptr || text.empty()) continue;
        TTTOOLINFOW tool{};
        tool.cbSize = TTTOOLINFOW_V2_SIZE;
        tool.uFlags = TTF_SUBCLASS;
        tool.lpszText = text.data();
        if (IsWindowEnabled(button)) {
            tool.uFlags |= TTF_IDISHWND;
            tool.hwnd = dialog;
            tool.uId = reinterpret_cast<UINT_PTR>(button);
        } else {
            tool.hwnd = dialog;
            tool.uId = static_cast<UINT_PTR>(kSpanFirstButtonId + i);
            GetWindowRect(button, &tool.rect);
            MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&tool.rect), 2);
        }
        SendMessageW(tips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

void openSpanDialog(HWND dialog) {
    spanDialogOpened();
    SetWindowTextW(dialog, widen(messageTextPtr(kMsgSpanTitle)).c_str());
    setMessage(dialog, kSpanGroupId, kMsgSpanGroup);
    for (int i = 0; i < kSpanCount; ++i)
        setMessage(dialog, kSpanFirstButtonId + i, static_cast<unsigned>(i + 1));
    CheckRadioButton(dialog, kSpanFirstButtonId, kSpanFirstButtonId + kSpanCount - 1,
                     kSpanFirstButtonId + kSpanPreselected);
    // The logger's sample time the transfer asks with.
    const std::uint16_t sampleTime = gApp.transferSampleTime;
    const std::array<bool, kSpanCount> enabled = spanButtonsEnabled(sampleTime);
    for (int i = 0; i < kSpanCount; ++i)
        EnableWindow(GetDlgItem(dialog, kSpanFirstButtonId + i), enabled[static_cast<std::size_t>(i)]);
    setMessage(dialog, kSpanSampleLabelId, kMsgSpanSampleLabel);
    setText(dialog, kSpanSampleTimeId, formatSampleTime(sampleTime).text);
    setMessage(dialog, kSpanCancelId, kMsgSpanCancel);
    setMessage(dialog, kSpanOkId, kMsgSpanGet);
    addSpanTooltips(dialog, sampleTime);
}

INT_PTR CALLBACK spanDialogProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM) {
    switch (msg) {
        case WM_INITDIALOG:
            openSpanDialog(dialog);
            return TRUE;  // the dialog manager focuses the first tab stop, "Get"
        case WM_COMMAND: {
            // The whole parameter: only clicks count, not focus notifications.
            const int command = static_cast<int>(wParam);
            if (command >= kSpanFirstButtonId && command < kSpanFirstButtonId + kSpanCount)
                spanDialogButtonClicked(command);
            else if (command == kSpanOkId)
                EndDialog(dialog, spanDialogAccepted());
            else if (command == kSpanCancelId)
                EndDialog(dialog, 0);
            return TRUE;
        }
        default:
            return FALSE;
    }
}

INT_PTR CALLBACK aboutDialogProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM) {
    switch (msg) {
        case WM_INITDIALOG:
            SetWindowTextW(dialog, widen(messageTextPtr(kMsgAboutTitle)).c_str());
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        default:
            return FALSE;
    }
}

struct SaveTexts {
    const char* text;
    const char* caption;
    const char* save;
    const char* discard;
    const char* cancel;
};

INT_PTR CALLBACK saveChangesProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_INITDIALOG: {
            const auto& texts = *reinterpret_cast<const SaveTexts*>(lParam);
            SetWindowTextW(dialog, widen(texts.caption != nullptr ? texts.caption : "").c_str());
            setText(dialog, VANTREL_SAVE_TEXT, texts.text);
            setText(dialog, IDOK, texts.save);
            setText(dialog, VANTREL_SAVE_DISCARD, texts.discard);
            setText(dialog, IDCANCEL, texts.cancel);
            SendDlgItemMessageW(dialog, VANTREL_SAVE_ICON, STM_SETICON,
                                reinterpret_cast<WPARAM>(LoadIconW(nullptr, IDI_QUESTION)), 0);
            MessageBeep(MB_ICONQUESTION);
            return TRUE;
        }
        case WM_COMMAND:
            if (wParam == IDOK || wParam == IDCANCEL || wParam == VANTREL_SAVE_DISCARD)
                EndDialog(dialog, static_cast<INT_PTR>(wParam));
            return TRUE;
        default:
            return FALSE;
    }
}

struct YesNoTexts {
    const char* text;
    const char* caption;
    const char* yes;
    const char* no;
};

INT_PTR CALLBACK yesNoProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_INITDIALOG: {
            const auto& texts = *reinterpret_cast<const YesNoTexts*>(lParam);
            SetWindowTextW(dialog, widen(texts.caption != nullptr ? texts.caption : "").c_str());
            setText(dialog, VANTREL_YES_NO_TEXT, texts.text);
            setText(dialog, IDYES, texts.yes);
            setText(dialog, IDNO, texts.no);
            SendDlgItemMessageW(dialog, VANTREL_YES_NO_ICON, STM_SETICON,
                                reinterpret_cast<WPARAM>(LoadIconW(nullptr, IDI_QUESTION)), 0);
            MessageBeep(MB_ICONQUESTION);
            SetFocus(GetDlgItem(dialog, IDNO));
            return FALSE;  // the focus is set
        }
        case WM_COMMAND:
            // Esc and the close box arrive as IDCANCEL: the same as No.
            if (wParam == IDYES) EndDialog(dialog, IDYES);
            else if (wParam == IDNO || wParam == IDCANCEL) EndDialog(dialog, IDNO);
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace

bool initDialogControls() {
    // Only the classes comctl32 itself adds: buttons, edits and statics are
    // the window manager's (themed through the manifest's Common Controls 6).
    // Every version from 4.70 on knows these flags, so the call cannot be
    // refused for a flag the loaded version lacks.
    INITCOMMONCONTROLSEX icc{};
    icc.dwSize = sizeof icc;
    icc.dwICC = ICC_UPDOWN_CLASS | ICC_PROGRESS_CLASS | ICC_BAR_CLASSES;
    if (InitCommonControlsEx(&icc)) return true;
    // A dialog made without its classes would come up empty or not at all:
    // say why once, and let the callers report the dialog as not made.
    static bool told = false;
    if (!told) {
        told = true;
        const std::wstring text = L"The Windows common controls could not be registered (error " +
                                  std::to_wstring(GetLastError()) + L"); the dialogs cannot be shown.";
        MessageBoxW(nullptr, text.c_str(), L"VantrelDAQ", MB_OK | MB_ICONERROR);
    }
    return false;
}

int runSpanDialogOver(HWND owner) {
    if (!initDialogControls()) return -1;
    const ModalScope modal;
    const INT_PTR result = DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(VANTREL_DIALOG_SPAN),
                                           owner, spanDialogProc, 0);
    return result >= 0 && result <= kSpanCount ? static_cast<int>(result) : -1;
}

void runAboutDialogOver(HWND owner) {
    if (!initDialogControls()) return;
    const ModalScope modal;
    DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(VANTREL_DIALOG_ABOUT), owner, aboutDialogProc,
                    0);
}

SaveAnswer askSaveChangesOver(HWND owner, const char* utf8Text, const char* utf8Caption, const char* utf8Save,
                              const char* utf8Discard, const char* utf8Cancel) {
    if (!initDialogControls()) return SaveAnswer::Cancel;  // nothing is dropped unasked
    const SaveTexts texts{utf8Text, utf8Caption, utf8Save, utf8Discard, utf8Cancel};
    const ModalScope modal;
    const INT_PTR answer =
        DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(VANTREL_DIALOG_SAVE_CHANGES), owner,
                        saveChangesProc, reinterpret_cast<LPARAM>(&texts));
    switch (answer) {
        case IDOK:
            return SaveAnswer::Save;
        case VANTREL_SAVE_DISCARD:
            return SaveAnswer::Discard;
        // Cancel, and a question that could not be asked: nothing is dropped.
        default:
            return SaveAnswer::Cancel;
    }
}

bool askYesNoOver(HWND owner, const char* utf8Text, const char* utf8Caption, const char* utf8Yes,
                  const char* utf8No) {
    if (!initDialogControls()) return false;  // as a question that could not be asked
    const YesNoTexts texts{utf8Text, utf8Caption, utf8Yes, utf8No};
    const ModalScope modal;
    // A question that could not be asked counts as No: nothing is ended.
    return DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(VANTREL_DIALOG_YES_NO), owner, yesNoProc,
                           reinterpret_cast<LPARAM>(&texts)) == IDYES;
}

}  // namespace platform::win32
