#include "app/single_instance.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

namespace kestro {

namespace {

constexpr char kForward[] = "forward\n";
constexpr char kDone[] = "done\n";
constexpr int kAskForMs = 5000;

}  // namespace

SingleInstance::SingleInstance(const std::string& settingsPath) {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    const QByteArray hash = QCryptographicHash::hash(QByteArray::fromStdString(settingsPath),
                                                     QCryptographicHash::Sha256)
                                .toHex()
                                .left(16);
    const QString base =
        QDir(folder).filePath(QStringLiteral("kestro-") + QString::fromLatin1(hash));
    socketPath_ = base + QStringLiteral(".socket");
    lock_ = std::make_unique<QLockFile>(base + QStringLiteral(".lock"));
    // A lock left by a process that is gone is taken over at once.
    lock_->setStaleLockTime(0);
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::BecomeTheOne() {
    if (!lock_->tryLock(0)) {
        return false;
    }
    // A socket file left by a Kestro that was killed would refuse the listen.
    QLocalServer::removeServer(socketPath_);
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    if (server_.listen(socketPath_)) {
        connect(&server_, &QLocalServer::newConnection, this, [this] {
            while (QLocalSocket* socket = server_.nextPendingConnection()) {
                connect(socket, &QLocalSocket::readyRead, this, [this, socket] { Answer(socket); });
                connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }
    // Without the socket this is still the one Kestro: a later start waits
    // for an answer in vain and ends all the same.
    return true;
}

void SingleInstance::Answer(QLocalSocket* socket) {
    if (!socket->canReadLine()) {
        return;
    }
    if (socket->readLine() == kForward) {
        emit Asked();
    }
    socket->write(kDone);
    socket->flush();
    socket->disconnectFromServer();
}

bool SingleInstance::AskTheOneForward() {
    const QDeadlineTimer deadline(kAskForMs);
    while (!deadline.hasExpired()) {
        QLocalSocket socket;
        socket.connectToServer(socketPath_);
        if (socket.waitForConnected(500)) {
            socket.write(kForward);
            if (socket.waitForBytesWritten(1000) && socket.waitForReadyRead(2000) &&
                socket.readLine() == kDone) {
                return true;
            }
        }
        QThread::msleep(100);  // the running one may not listen yet
    }
    return false;
}

}  // namespace kestro
