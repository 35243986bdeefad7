// Writes vantreldaq-16.png, -32, -64 and -128 into the folder given, each the
// program's picture at that size as the window draws its icon.
#include <QGuiApplication>
#include <QImage>
#include <QString>

#include <cstdio>

#include "platform/qt/artwork.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: vantrel-render-icons FOLDER\n");
        return 1;
    }
    QGuiApplication app(argc, argv);
    const QString folder = QString::fromLocal8Bit(argv[1]);
    for (const int size : {16, 32, 64, 128}) {
        const QString path = QStringLiteral("%1/vantreldaq-%2.png").arg(folder).arg(size);
        if (!programPicture(size).save(path, "PNG")) {
            std::fprintf(stderr, "vantrel-render-icons: cannot write %s\n", qPrintable(path));
            return 1;
        }
        std::printf("%s\n", qPrintable(path));
    }
    return 0;
}
