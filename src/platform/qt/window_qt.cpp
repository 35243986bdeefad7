// Placeholder Qt implementation of the window-system calls; the real main window
// replaces it.
#include <QApplication>
#include <QMessageBox>

#include "platform/window.h"

namespace platform {

void invalidate(bool) {}
void postCommand(int) {}
void setWaitCursor(bool) {}
void focusMainWindow() {}
void startTimer(int, int) {}
void stopTimer(int) {}
void setScrollBar(std::uint32_t, std::uint32_t, std::uint32_t) {}
void showScrollBar(bool) {}
void setScrollPosition(std::uint32_t) {}
void comboClear() {}
void comboAdd(const char*) {}
void comboSelect(int) {}
int comboSelection() { return -1; }
void setMenuBar(int) {}
void checkMenuItem(int, bool) {}
void messageBox(const char* text, const char* caption, MessageIcon icon) {
    QMessageBox box(icon == MessageIcon::Error ? QMessageBox::Critical : QMessageBox::Information,
                    QString::fromUtf8(caption), QString::fromUtf8(text), QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
}
bool openFileDialog(const char*, const char*, std::string&) { return false; }
bool saveFileDialog(const char*, const char*, std::string&) { return false; }

}  // namespace platform

#include "platform/qt/qt_shell.h"
QWidget* qtMainWindow() { return nullptr; }

#include "platform/dialogs.h"
namespace platform {
int runSpanDialog() { return -1; }
void runAboutDialog() {}
}  // namespace platform
