// The Linux side of one program per user: a local socket, named after the
// user, that the first program listens on and a later start writes its
// message to (shell/single_instance.h decides what is said and done).
#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QObject>
#include <QString>
#include <QTimer>
#include <unistd.h>

#include <string>
#include <string_view>

#include "platform/qt/qt_shell.h"
#include "shell/single_instance.h"

namespace {

// A later start that connects but never finishes its message is dropped.
constexpr int kUnfinishedMessageMs = 5000;

// $XDG_RUNTIME_DIR is the user's own (mode 0700, gone at log-out, so no
// socket outlives the session); without it the temporary folder, where the
// user id in the name keeps users apart.
QString socketPath() {
    const QString runtime = QString::fromLocal8Bit(qgetenv("XDG_RUNTIME_DIR"));
    const QString folder = !runtime.isEmpty() && QFileInfo(runtime).isDir() ? runtime : QDir::tempPath();
    return folder + QLatin1Char('/') +
           QString::fromStdString(firstProgramName(std::to_string(static_cast<unsigned long>(::getuid()))));
}

enum class Reached { Taken, NoAnswer, NoProgram };

Reached handOver(const QString& path, const std::string& message) {
    QLocalSocket socket;
    socket.connectToServer(path);
    if (!socket.waitForConnected(kHandOverWaitMs)) return Reached::NoProgram;
    // Nobody listens behind a connection from here on: a hung program's
    // socket still accepts, so only the answer counts.
    socket.write(message.data(), static_cast<qint64>(message.size()));
    QElapsedTimer clock;
    clock.start();
    QByteArray reply;
    while (!reply.startsWith(QByteArray(kHandOverTaken.data(), static_cast<int>(kHandOverTaken.size())))) {
        const qint64 left = kHandOverWaitMs - clock.elapsed();
        if (left <= 0) return Reached::NoAnswer;
        if (socket.bytesToWrite() > 0) socket.waitForBytesWritten(static_cast<int>(left));
        else if (socket.waitForReadyRead(static_cast<int>(left))) reply += socket.readAll();
        else return Reached::NoAnswer;
    }
    return Reached::Taken;
}

// One later start's connection: collects its bytes until they make a message.
void serve(QLocalSocket* socket) {
    QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    QTimer::singleShot(kUnfinishedMessageMs, socket, [socket] { socket->abort(); });
    auto* received = new QByteArray;
    QObject::connect(socket, &QObject::destroyed, [received] { delete received; });
    QObject::connect(socket, &QLocalSocket::readyRead, socket, [socket, received] {
        *received += socket->readAll();
        switch (takeHandOver(std::string_view(received->constData(), static_cast<std::size_t>(received->size())))) {
            case HandOverState::Incomplete:
                return;
            case HandOverState::Complete:
                socket->write(kHandOverTaken.data(), static_cast<qint64>(kHandOverTaken.size()));
                socket->disconnectFromServer();  // after the answer is written
                return;
            case HandOverState::Bad:
                socket->abort();
                return;
        }
    });
}

void listen(const QString& path) {
    auto* server = new QLocalServer(QCoreApplication::instance());  // lives as long as the program
    server->setSocketOptions(QLocalServer::UserAccessOption);
    QObject::connect(server, &QLocalServer::newConnection, server, [server] {
        while (QLocalSocket* socket = server->nextPendingConnection()) serve(socket);
    });
    if (server->listen(path)) return;
    // A program that ended without removing its socket (killed, crashed)
    // leaves the name taken; nobody answered on it just now.
    if (server->serverError() == QAbstractSocket::AddressInUseError && QLocalServer::removeServer(path) &&
        server->listen(path))
        return;
    qWarning("vantreldaq: cannot listen on %s; later starts open windows of their own", qPrintable(path));
    delete server;
}

}  // namespace

bool qtHandOverOrListen(const std::string& message) {
    const QString path = socketPath();
    // In a shared temporary folder another user could put a socket of that
    // name first, to be handed our files or to keep our program from
    // starting: only one of our own is talked to, or replaced.
    const QFileInfo existing(path);
    if (existing.exists() && existing.ownerId() != static_cast<uint>(::getuid())) {
        qWarning("vantreldaq: %s belongs to another user; running on its own", qPrintable(path));
        return false;
    }
    switch (handOver(path, message)) {
        case Reached::Taken:
            return true;
        case Reached::NoAnswer:
            return false;  // the name stays with the program that holds it
        case Reached::NoProgram:
            break;
    }
    listen(path);
    return false;
}
