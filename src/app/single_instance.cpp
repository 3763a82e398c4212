// SPDX-License-Identifier: GPL-3.0-or-later
#include "single_instance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <QThread>

#include <unistd.h>

namespace qm {

namespace {

QString runtimeDirectory()
{
    QString dir = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (dir.isEmpty() || !QFileInfo(dir).isDir())
        dir = QDir::tempPath();
    return dir;
}

} // namespace

QByteArray encodeArguments(const QStringList &arguments)
{
    return QJsonDocument(QJsonArray::fromStringList(arguments)).toJson(QJsonDocument::Compact)
        + '\n';
}

QStringList decodeArguments(const QByteArray &bytes)
{
    QStringList out;
    const QJsonDocument doc = QJsonDocument::fromJson(bytes.trimmed());
    for (const QJsonValue &v : doc.array()) {
        if (v.isString())
            out.append(v.toString());
    }
    return out;
}

SingleInstance::SingleInstance(const QString &dataDirectory, QObject *parent)
    : QObject(parent)
{
    // Keyed by the data folder, so two users (or two XDG_DATA_HOMEs) never meet.
    const QByteArray key = QCryptographicHash::hash(
        QDir::cleanPath(QDir(dataDirectory).absolutePath()).toUtf8(), QCryptographicHash::Sha1)
                               .toHex()
                               .left(16);
    const QString base = runtimeDirectory() + QStringLiteral("/quillmere-")
        + QString::fromLatin1(key) + QStringLiteral("-") + QString::number(getuid());
    m_lockPath = base + QStringLiteral(".lock");
    m_socketPath = base + QStringLiteral(".socket");
}

SingleInstance::~SingleInstance()
{
    if (m_server)
        m_server->close();
}

bool SingleInstance::acquire()
{
    m_lock = std::make_unique<QLockFile>(m_lockPath);
    // Never stale by age: only a lock whose process is gone is taken over.
    m_lock->setStaleLockTime(0);
    return m_lock->tryLock(0);
}

bool SingleInstance::listen()
{
    QLocalServer::removeServer(m_socketPath);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_socketPath))
        return false;
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                // A message is one line; anything longer than a sane argument list is dropped.
                if (!socket->canReadLine()) {
                    if (socket->bytesAvailable() > 64 * 1024)
                        socket->abort();
                    return;
                }
                const QStringList args = decodeArguments(socket->readLine());
                // "ok", then the answer (if any) until the connection closes.
                socket->write("ok\n");
                if (m_answer)
                    socket->write(m_answer(args).toUtf8());
                socket->flush();
                socket->disconnectFromServer();
                Q_EMIT messageReceived(args);
            });
        }
    });
    return true;
}

bool SingleInstance::sendToPrimary(
    const QStringList &arguments, int timeoutMs, QString *answer) const
{
    QElapsedTimer clock;
    clock.start();
    // The running instance may still be starting up: retry until it listens.
    while (clock.elapsed() < timeoutMs) {
        QLocalSocket socket;
        socket.connectToServer(m_socketPath);
        if (socket.waitForConnected(500)) {
            socket.write(encodeArguments(arguments));
            socket.flush();
            auto left = [&] { return int(qMax<qint64>(100, timeoutMs - clock.elapsed())); };
            while (!socket.canReadLine()) {
                if (!socket.waitForReadyRead(left()))
                    return false;
            }
            if (socket.readLine().trimmed() != "ok")
                return false;
            if (answer) {
                QByteArray rest = socket.readAll();
                while (socket.state() == QLocalSocket::ConnectedState
                    && socket.waitForReadyRead(left()))
                    rest += socket.readAll();
                rest += socket.readAll();
                *answer = QString::fromUtf8(rest);
            }
            return true;
        }
        QThread::msleep(50);
    }
    return false;
}

} // namespace qm
