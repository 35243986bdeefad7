// Program entry: the Qt application object, then the shell's start-up, which
// creates the main window and runs the message loop until it is destroyed.
// "vantreldaq FILE.udd" opens that recording once the window is up.
#include <QApplication>
#include <QFileInfo>
#include <QString>
#include <string>

#include "platform/qt/qt_shell.h"
#include "shell/main_window.h"
#include "shell/outside_files.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);  // takes its own options (-platform, ...) out of argv
    // A recording named relative to where the program was started is found
    // there, even when the desktop flag moves the program to its own folder.
    const char* named = recordingArgument(argc, argv);
    const std::string recording =
        named != nullptr ? QFileInfo(QString::fromLocal8Bit(named)).absoluteFilePath().toStdString() : std::string();
    // Started from the desktop entry: settings in the per-user folder.
    if (!qtEnterUserFolderIfAsked(argc, argv))
        qWarning("vantreldaq: cannot use %s, staying in the current folder", qPrintable(qtUserFolder()));
    QApplication::setApplicationName(QStringLiteral("VantrelDAQ"));
    QApplication::setApplicationVersion(QStringLiteral("1.2"));
    return runApplication(recording.empty() ? nullptr : recording.c_str());
}
