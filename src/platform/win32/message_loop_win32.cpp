#include "platform/win32/message_loop_win32.h"

#include "platform/win32/dialogs_win32.h"

namespace platform::win32 {

void dispatchLoopMessage(MSG& msg, HWND mainWindow, HACCEL accelerators) {
    if (progressDialogMessage(msg)) return;
    // An accelerator whose menu item is disabled sends nothing, as the item would.
    if (accelerators != nullptr && mainWindow != nullptr && (msg.hwnd == mainWindow || IsChild(mainWindow, msg.hwnd)) &&
        TranslateAcceleratorW(mainWindow, accelerators, &msg))
        return;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}

}  // namespace platform::win32
