// The transfer's progress window (dialog 111): a modeless child of the main
// window at the top left corner of its client area. Abort hides it at once and
// tells the transfer, which posts the command that destroys it.
#include <windows.h>
// The common controls' header needs windows.h before it.
#include <commctrl.h>

#include "platform/win32/dialogs_win32.h"
#include "platform/win32/resource_ids.h"
#include "platform/win32/text_win32.h"
#include "shell/handlers.h"

namespace platform::win32 {
namespace {

HWND gProgress = nullptr;
HFONT gDetailFont = nullptr;  // the detail line's smaller face, made with the window

struct ProgressTexts {
    const char* text;
    const char* button;
};

// The detail line in 8 points of the dialog's own face, so that it fits
// between the bar and the button.
void setDetailFont(HWND dialog) {
    LOGFONTW face{};
    const auto font = reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0));
    if (font == nullptr || GetObjectW(font, sizeof face, &face) == 0) return;
    const HDC dc = GetDC(dialog);
    face.lfHeight = -MulDiv(8, GetDeviceCaps(dc, LOGPIXELSY), 72);
    ReleaseDC(dialog, dc);
    face.lfWidth = 0;
    gDetailFont = CreateFontIndirectW(&face);
    if (gDetailFont != nullptr)
        SendDlgItemMessageW(dialog, VANTREL_PROGRESS_DETAIL, WM_SETFONT,
                            reinterpret_cast<WPARAM>(gDetailFont), FALSE);
}

INT_PTR CALLBACK progressDialogProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_INITDIALOG: {
            const auto& texts = *reinterpret_cast<const ProgressTexts*>(lParam);
            SetDlgItemTextW(dialog, VANTREL_PROGRESS_TEXT,
                            widen(texts.text != nullptr ? texts.text : "").c_str());
            SetDlgItemTextW(dialog, VANTREL_PROGRESS_ABORT,
                            widen(texts.button != nullptr ? texts.button : "").c_str());
            SendDlgItemMessageW(dialog, VANTREL_PROGRESS_BAR, PBM_SETRANGE32, 0, 100);
            SendDlgItemMessageW(dialog, VANTREL_PROGRESS_BAR, PBM_SETPOS, 0, 0);
            setDetailFont(dialog);
            return FALSE;  // the main window keeps the focus
        }
        case WM_COMMAND:
            if (wParam == VANTREL_PROGRESS_ABORT) {
                ShowWindow(dialog, SW_HIDE);  // gone at once; command 10000 destroys it
                progressAbortPressed();
            }
            return TRUE;  // Enter and Esc on the window itself do nothing
        case WM_DESTROY:
            if (dialog == gProgress) gProgress = nullptr;
            if (gDetailFont != nullptr) {
                DeleteObject(gDetailFont);
                gDetailFont = nullptr;
            }
            return FALSE;
        default:
            return FALSE;
    }
}

}  // namespace

HWND createProgressIn(HWND parent, const char* utf8Text, const char* utf8Button) {
    if (gProgress != nullptr) return gProgress;
    if (parent == nullptr || !initDialogControls()) return nullptr;
    const ProgressTexts texts{utf8Text, utf8Button};
    gProgress = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(VANTREL_DIALOG_PROGRESS),
                                   parent, progressDialogProc, reinterpret_cast<LPARAM>(&texts));
    if (gProgress != nullptr) SetWindowPos(gProgress, HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    return gProgress;
}

HWND progressWindow() { return gProgress; }

void setProgressBar(HWND window, int percent) {
    if (window == nullptr || window != gProgress) return;
    percent = percent < 0 ? 0 : (percent > 100 ? 100 : percent);
    SendDlgItemMessageW(window, VANTREL_PROGRESS_BAR, PBM_SETPOS, static_cast<WPARAM>(percent), 0);
}

void setProgressDetailText(HWND window, const char* utf8Text) {
    if (window == nullptr || window != gProgress) return;
    SetDlgItemTextW(window, VANTREL_PROGRESS_DETAIL, widen(utf8Text != nullptr ? utf8Text : "").c_str());
}

void raiseProgress(HWND window) {
    if (window == nullptr || window != gProgress) return;
    SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    // As the dialog manager moves the focus, so that Enter then presses Abort.
    SendMessageW(window, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(window, VANTREL_PROGRESS_ABORT)),
                 TRUE);
}

void destroyProgress(HWND window) {
    if (window != nullptr && window == gProgress) DestroyWindow(window);
}

bool progressDialogMessage(MSG& msg) { return gProgress != nullptr && IsDialogMessageW(gProgress, &msg); }

}  // namespace platform::win32
