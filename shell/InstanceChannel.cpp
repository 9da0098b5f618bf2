#include "shell/InstanceChannel.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QDir>
#include <QElapsedTimer>
#include <QThread>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <unistd.h>

namespace {
constexpr int kConnectMs = 1000;
constexpr quint32 kMaxRequest = 1 << 20;
}  // namespace

InstanceChannel::InstanceChannel(const QString& programPath, QObject* parent)
    : QObject(parent), name(NameFor(programPath)) {
    lockPath = QDir(QDir::tempPath()).filePath(name + ".lock");
}

InstanceChannel::~InstanceChannel() { ReleaseInstance(); }

QString InstanceChannel::NameFor(const QString& programPath) {
    QString path = QFileInfo(programPath).canonicalFilePath();
    if (path.isEmpty()) path = QFileInfo(programPath).absoluteFilePath();
    const QByteArray key = QString::number(getuid()).toUtf8() + '\n' + path.toUtf8();
    return QStringLiteral("orvik-") +
           QString::fromLatin1(QCryptographicHash::hash(key, QCryptographicHash::Sha1).toHex().left(20));
}

QByteArray InstanceChannel::EncodeRequest(bool hasFile, const QString& path) {
    QByteArray body;
    {
        QDataStream out(&body, QIODevice::WriteOnly);
        out.setVersion(QDataStream::Qt_6_0);
        out << quint8(hasFile ? 1 : 0) << (hasFile ? path : QString());
    }
    QByteArray frame;
    QDataStream out(&frame, QIODevice::WriteOnly);
    out << quint32(body.size());
    frame.append(body);
    return frame;
}

bool InstanceChannel::DecodeRequest(QByteArray& buffer, bool& hasFile, QString& path) {
    if (buffer.size() < 4) return false;
    quint32 size = 0;
    {
        QDataStream in(buffer.left(4));
        in >> size;
    }
    if (size > kMaxRequest) {  // not one of ours: drop it
        buffer.clear();
        return false;
    }
    if (buffer.size() < qsizetype(4 + size)) return false;
    const QByteArray body = buffer.mid(4, size);
    buffer.remove(0, 4 + size);
    QDataStream in(body);
    in.setVersion(QDataStream::Qt_6_0);
    quint8 flag = 0;
    QString text;
    in >> flag >> text;
    if (in.status() != QDataStream::Ok) return false;
    hasFile = flag == 1 && !text.isEmpty();
    path = hasFile ? text : QString();
    return true;
}

bool InstanceChannel::Send(const QString& serverName, bool hasFile, const QString& path, int connectMs) {
    QElapsedTimer clock;
    clock.start();
    QLocalSocket socket;
    // The first copy takes the lock before it listens, so its socket may not
    // be there yet: keep trying for a while.
    for (;;) {
        socket.connectToServer(serverName);
        if (socket.waitForConnected(kConnectMs)) break;
        socket.abort();
        if (clock.elapsed() >= connectMs) return false;
        QThread::msleep(50);
    }
    socket.write(EncodeRequest(hasFile, path));
    socket.flush();
    while (socket.bytesToWrite() > 0 && socket.waitForBytesWritten(kConnectMs)) {
    }
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState) socket.waitForDisconnected(kConnectMs);
    return true;
}

bool InstanceChannel::CheckInstance(const QStringList& args, const QString& workingDir, int connectMs) {
    const bool hasFile = args.size() > 1 && !args[1].isEmpty();
    const QString path = hasFile ? QDir::cleanPath(QDir(workingDir).absoluteFilePath(args[1])) : QString();
    for (int attempt = 0; attempt < 3; ++attempt) {
        auto candidate = std::make_unique<QLockFile>(lockPath);
        // Only a lock whose owner process is gone counts as stale, never an old one.
        candidate->setStaleLockTime(0);
        if (candidate->tryLock(0)) {
            // First copy. A socket file left by a crashed copy is removed.
            lock = std::move(candidate);
            QLocalServer::removeServer(name);
            server = new QLocalServer(this);
            server->setSocketOptions(QLocalServer::UserAccessOption);
            if (server->listen(name)) {
                connect(server, &QLocalServer::newConnection, this, &InstanceChannel::OnNewConnection);
            } else {
                delete server;  // runs without the channel, still the only copy
                server = nullptr;
            }
            return false;
        }
        if (candidate->error() != QLockFile::LockFailedError) return false;  // no lock possible: run
        // Another copy holds the lock: hand the file over and end.
        if (Send(name, hasFile, path, connectMs)) return true;
        // The holder does not answer; it may have just ended: try the lock again.
    }
    return true;  // a copy holds the lock but never answered: end quietly
}

void InstanceChannel::OnNewConnection() {
    while (QLocalSocket* socket = server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { OnReadable(socket); });
        connect(socket, &QLocalSocket::disconnected, this, [this, socket] {
            OnReadable(socket);
            socket->deleteLater();
        });
        OnReadable(socket);
    }
}

void InstanceChannel::OnReadable(QLocalSocket* socket) {
    QByteArray buffer = socket->property("orvikBuffer").toByteArray();
    buffer.append(socket->readAll());
    bool hasFile = false;
    QString path;
    while (DecodeRequest(buffer, hasFile, path)) Deliver(hasFile, path);
    socket->setProperty("orvikBuffer", buffer);
}

void InstanceChannel::Deliver(bool hasFile, const QString& path) {
    if (!ready) {
        pending.append({hasFile, path});
        return;
    }
    if (onActivate) onActivate();
    if (hasFile && onOpen) onOpen(path);
}

void InstanceChannel::SetInstanceWindow(ActivateHandler activate, OpenHandler open) {
    onActivate = std::move(activate);
    onOpen = std::move(open);
    ready = true;
    const QList<Request> queued = pending;
    pending.clear();
    for (const Request& r : queued) Deliver(r.hasFile, r.path);
}

void InstanceChannel::ReleaseInstance() {
    if (server) {
        server->close();
        delete server;
        server = nullptr;
    }
    if (lock) {
        lock->unlock();
        lock.reset();
    }
}
