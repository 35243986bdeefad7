// The menu of the current language with its check marks, the span names of
// the combo box, and switching between English and German at run time.
#include "platform/window.h"
#include "recording/settings_file.h"
#include "recording/store.h"
#include "shell/app_state.h"
#include "shell/main_window.h"
#include "shell/menus.h"
#include "shell/messages.h"

void loadLanguageMenu() {
    const std::uint16_t language = effectiveLanguage();
    platform::setMenuBar(kEnglishMenu + language);
    // A port that failed to open carries +10; its item is checked all the same.
    // The stored field keeps its mark. A value naming no port checks nothing,
    // rather than some other item that happens to have the id.
    int port = gSettings.port;
    if (port > 10) port -= 10;
    if (port >= 1 && port <= CmdPortLast - 2000) platform::checkMenuItem(2000 + port, true);
    platform::checkMenuItem(CmdEnglish + language, true);
}

void fillSpanCombo() {
    for (int i = 0; i < kSpanCount; ++i) platform::comboAdd(messageTextPtr(static_cast<MessageId>(i + 1)));
}

void switchLanguage(int commandId) {
    gSettings.language = static_cast<std::uint16_t>(commandId - CmdEnglish);
    platform::setMenuBar(0);
    loadLanguageMenu();

    // The switch stands even when the file cannot be written; the close
    // writes it again.
    const int rc = saveSettings(gSettings);
    if (rc != 0) showMessage(77, 43, rc);

    const int selection = platform::comboSelection();
    platform::comboClear();
    fillSpanCombo();
    platform::comboSelect(selection);

    // The charts' labels are texts of the table too.
    platform::invalidate(true);
}
