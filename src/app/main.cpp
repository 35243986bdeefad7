// Program entry: the Qt application object, then the shell's start-up, which
// creates the main window and runs the message loop until it is destroyed.
// "vantreldaq FILE.udd" opens that recording once the window is up.
#include <QApplication>

#include "shell/main_window.h"
#include "shell/outside_files.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);  // takes its own options (-platform, ...) out of argv
    QApplication::setApplicationName(QStringLiteral("VantrelDAQ"));
    QApplication::setApplicationVersion(QStringLiteral("1.2"));
    return runApplication(recordingArgument(argc, argv));
}
