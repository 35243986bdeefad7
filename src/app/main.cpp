// Program entry: the Qt application object, then the shell's start-up, which
// creates the main window and runs the message loop until it is destroyed.
#include <QApplication>
#include <QString>

#include "platform/qt/qt_shell.h"
#include "shell/main_window.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // Started from the desktop entry: settings in the per-user folder.
    if (!qtEnterUserFolderIfAsked(argc, argv))
        qWarning("vantreldaq: cannot use %s, staying in the current folder", qPrintable(qtUserFolder()));
    QApplication::setApplicationName(QStringLiteral("VantrelDAQ"));
    QApplication::setApplicationVersion(QStringLiteral("1.2"));
    return runApplication();
}
