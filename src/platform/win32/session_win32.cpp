#include "platform/win32/session_win32.h"

#include "platform/win32/text_win32.h"
#include "shell/main_window.h"

namespace platform::win32 {

bool sessionMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM, LRESULT& result) {
    switch (msg) {
        case WM_QUERYENDSESSION: {
            const char* reason = quitBlockReason();
            if (reason != nullptr) ShutdownBlockReasonCreate(hwnd, widen(reason).c_str());
            const bool mayEnd = sessionEndRequested(true);
            if (reason != nullptr) ShutdownBlockReasonDestroy(hwnd);
            result = mayEnd ? TRUE : FALSE;
            return true;
        }
        case WM_ENDSESSION:
            // After TRUE the process may be ended at any moment once this
            // returns: nothing of ours waits for the window to be destroyed.
            if (wParam != FALSE) sessionEnding();
            else sessionEndCancelled();
            result = 0;
            return true;
        default:
            return false;
    }
}

}  // namespace platform::win32
