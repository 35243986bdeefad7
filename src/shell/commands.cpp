// The main window's command table: every menu command, the combo box's
// notifications and the commands posted by the transfer go through here.
#include "platform/dialogs.h"
#include "platform/window.h"
#include "shell/app_state.h"
#include "shell/handlers.h"
#include "shell/main_window.h"

namespace {

struct CommandRoute {
    int first;            // command ids first..last
    int last;
    void (*run)(int id);
};

// The commands that need a recording test it themselves and show message 45
// with their own caption.
constexpr CommandRoute kCommands[] = {
    {CmdAbout, CmdAbout, [](int) { platform::runAboutDialog(); }},
    {CmdExit, CmdExit, [](int) {
         // A running transfer first, then the recording on show.
         if (transferSettledForQuit() && unsavedWorkSettled()) platform::destroyMainWindow();
     }},
    {CmdPortFirst, CmdPortLast, [](int id) { selectPort(id); }},
    {CmdSave, CmdSave, [](int) { commandSave(); }},
    {CmdOpen, CmdOpen, [](int) { commandOpen(); }},
    {CmdExportZoom, CmdExportAll, [](int id) { commandExport(id); }},
    {CmdTransfer, CmdTransfer, [](int) { startTransfer(); }},
    {CmdSetTime, CmdSetTime, [](int) { commandSetTime(); }},
    {CmdScreenDump, CmdScreenDump, [](int) { commandScreenDump(); }},
    {CmdPrinter, CmdPrinter, [](int) { commandPrinter(); }},
    {CmdEnglish, CmdEnglish, [](int id) { switchLanguage(id); }},
    {CmdGerman, CmdGerman, [](int id) { switchLanguage(id); }},
    {CmdAutoConnect, CmdAutoConnect, [](int) { autoConnect(); }},
    {CmdEndProgress, CmdEndProgress, [](int) { endProgressDisplay(); }},
};

const CommandRoute* findRoute(int commandId) {
    for (const CommandRoute& route : kCommands)
        if (commandId >= route.first && commandId <= route.last) return &route;
    return nullptr;
}

}  // namespace

bool commandInTable(int commandId) { return commandId == kSpanComboId || findRoute(commandId) != nullptr; }

bool dispatchCommand(int commandId, int notification) {
    if (commandId == kSpanComboId) {
        // Only the drop-down and the confirmed selection matter; the combo
        // box's other notifications are answered and ignored.
        if (notification == kComboDroppedDown || notification == kComboSelectionConfirmed)
            spanComboNotification(notification);
        return true;
    }
    const CommandRoute* route = findRoute(commandId);
    if (route == nullptr) return false;
    // The program goes on after all: what the session's questions settled
    // may change from here.
    gApp.quitAgreed = 0;
    route->run(commandId);
    return true;
}
