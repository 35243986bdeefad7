// Program entry: the Qt application object, then the shell's start-up, which
// creates the main window and runs the message loop until it is destroyed.
// "vantreldaq FILE.udd" opens that recording once the window is up, or in the
// window of the program already running for this user.
#include <QApplication>
#include <QFileInfo>
#include <QString>
#include <cstdio>
#include <string>

#include "platform/qt/qt_shell.h"
#include "shell/command_line.h"
#include "shell/main_window.h"
#include "shell/single_instance.h"

int main(int argc, char** argv) {
    // Help and version are answered on the terminal before Qt is started, so
    // they work without a display too.
    const StartArguments asked = parseStartArguments(argc, argv, false);
    if (asked.request == StartRequest::Help) {
        std::fputs(usageText("~/.local/share/vantreldaq", false).c_str(), stdout);
        return 0;
    }
    if (asked.request == StartRequest::Version) {
        std::printf("%s\n", versionText().c_str());
        return 0;
    }
    QApplication app(argc, argv);  // takes its own options (-platform, ...) out of argv
    // A recording named relative to where the program was started is found
    // there, even when the desktop flag moves the program to its own folder.
    const std::string named = parseStartArguments(argc, argv, false).recording;
    const std::string recording =
        named.empty() ? std::string()
                      : QFileInfo(QString::fromLocal8Bit(named.c_str())).absoluteFilePath().toStdString();
    // A program of this user already runs: it opens the file (or just comes
    // to the front) and this start ends.
    if (startLooksForFirst(asked) && qtHandOverOrListen(handOverMessage(recording))) return 0;
    // Started from the desktop entry, or in a folder the user cannot write:
    // settings in the per-user folder.
    if (!qtEnterSettingsFolder(argc, argv))
        qWarning("vantreldaq: cannot use %s, staying in the current folder", qPrintable(qtUserFolder()));
    QApplication::setApplicationName(QStringLiteral("VantrelDAQ"));
    QApplication::setApplicationVersion(QString::fromLatin1(programVersion()));
    return runApplication(recording.empty() ? nullptr : recording.c_str());
}
