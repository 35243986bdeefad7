// Qt's own texts (the buttons of message boxes, the file and print dialogs)
// in the program's language: Qt's German translation is installed while the
// program is German and removed again for English. Without the translation
// files (Debian: qt6-translations-l10n) Qt's texts simply stay English.
#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "platform/qt/qt_shell.h"

void qtUseGermanQtTexts(bool german) {
    static QTranslator* translator = nullptr;
    static bool installed = false;
    if (QCoreApplication::instance() == nullptr || german == installed) return;
    if (!german) {
        QCoreApplication::removeTranslator(translator);
        installed = false;
        return;
    }
    if (translator == nullptr) {
        translator = new QTranslator(QCoreApplication::instance());
        if (!translator->load(QLocale(QLocale::German, QLocale::Germany), QStringLiteral("qtbase"),
                              QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
            qWarning("vantreldaq: Qt's German translation (qtbase_de.qm) is missing; Qt's own texts stay English");
        }
    }
    if (!translator->isEmpty()) installed = QCoreApplication::installTranslator(translator);
}
