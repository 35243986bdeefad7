// The per-user working folder for a start from the desktop entry, and for
// any start in a folder the user cannot write. The program keeps its settings
// file (DAQSetup.cnf) in the current folder; a desktop launcher starts
// programs wherever it likes (often the home folder, sometimes a read-only
// one), so the entry asks for a fixed folder of the user's own.
#include <QByteArray>
#include <QDir>
#include <QStandardPaths>
#include <QString>
#include <cstring>

#include "platform/qt/qt_shell.h"
#include "shell/file_places.h"
#include "shell/settings_folder.h"

QString qtUserFolder() {
    // $XDG_DATA_HOME/vantreldaq, by default ~/.local/share/vantreldaq.
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/vantreldaq");
}

bool qtEnterSettingsFolder(int& argc, char** argv) {
    bool asked = false;
    bool optionsEnded = false;  // after "--" everything is a file name
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        if (!optionsEnded && std::strcmp(argv[i], "--") == 0) optionsEnded = true;
        if (!optionsEnded && std::strcmp(argv[i], kUserFolderFlag) == 0) {
            asked = true;
            continue;
        }
        argv[kept++] = argv[i];
    }
    if (kept < argc) argv[kept] = nullptr;
    argc = kept;
    const QString folder = qtUserFolder();
    if (chooseSettingsFolder(asked, folder.toStdString()) == SettingsFolder::Current) return true;
    if (!QDir::setCurrent(folder)) return false;
    // The settings folder is hidden and no place for recordings.
    setDialogsStartInDocuments(true);
    return true;
}
