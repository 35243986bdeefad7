// Program entry: the Qt application object, then the shell's start-up, which
// creates the main window and runs the message loop until it is destroyed.
#include <QApplication>

#include "shell/main_window.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("VantrelDAQ"));
    QApplication::setApplicationVersion(QStringLiteral("1.2"));
    return runApplication();
}
