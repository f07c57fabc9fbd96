#include "shell/services/single_instance.h"

#include <unistd.h>

#include <QCryptographicHash>
#include <QDataStream>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>

namespace tessary {

namespace {

// First word of a hand-over message, and the receipt's byte.
constexpr quint32 kMagic = 0x54534931;  // "TSI1"
constexpr char kReceipt = 'k';
// How long a connection attempt may take before no instance counts as found.
constexpr int kConnectTimeoutMs = 1000;

}  // namespace

SingleInstance::SingleInstance(QString serverName, QObject* parent)
    : QObject(parent), m_serverName(std::move(serverName)) {}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::serverNameFor(const QString& programFolder) {
    const QString absolute = QDir(programFolder).absolutePath();
    const QByteArray digest =
        QCryptographicHash::hash(absolute.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    return QStringLiteral("Tessary-%1-%2").arg(getuid()).arg(QString::fromLatin1(digest));
}

bool SingleInstance::handOver(const QStringList& arguments, const QString& workingDirectory,
                              int timeoutMs) {
    QLocalSocket socket;
    socket.connectToServer(m_serverName);
    if (!socket.waitForConnected(kConnectTimeoutMs)) return false;

    QByteArray message;
    QDataStream out(&message, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_0);
    out << kMagic << workingDirectory << arguments;
    socket.write(message);
    socket.flush();
    socket.waitForBytesWritten(timeoutMs);
    // The receipt tells that the first instance read the whole message; an
    // instance that is busy may answer late, and this start ends anyway.
    if (socket.bytesAvailable() == 0) socket.waitForReadyRead(timeoutMs);
    socket.disconnectFromServer();
    return true;
}

bool SingleInstance::listen() {
    if (m_server != nullptr) return true;
    auto* server = new QLocalServer(this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(m_serverName)) {
        // Nobody answered handOver(), so a socket file left by an instance
        // that ended abnormally is in the way.
        QLocalServer::removeServer(m_serverName);
        if (!server->listen(m_serverName)) {
            delete server;
            return false;
        }
    }
    connect(server, &QLocalServer::newConnection, this, &SingleInstance::acceptConnection);
    m_server = server;
    return true;
}

bool SingleInstance::listening() const {
    return m_server != nullptr && m_server->isListening();
}

void SingleInstance::acceptConnection() {
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readMessage(socket); });
        if (socket->bytesAvailable() > 0) readMessage(socket);
    }
}

void SingleInstance::readMessage(QLocalSocket* socket) {
    QDataStream in(socket);
    in.setVersion(QDataStream::Qt_6_0);
    in.startTransaction();
    quint32 magic = 0;
    QString workingDirectory;
    QStringList arguments;
    in >> magic >> workingDirectory >> arguments;
    if (!in.commitTransaction()) return;  // wait for the rest
    if (magic != kMagic) {
        socket->abort();
        return;
    }
    socket->write(&kReceipt, 1);
    socket->flush();
    emit commandLineReceived(arguments, workingDirectory);
}

}  // namespace tessary
