// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>

class QLocalServer;
class QLockFile;

namespace qm {

// One program per data folder: the first launch holds a lock and listens on a local socket;
// later launches hand their arguments to it and leave.
class SingleInstance final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SingleInstance)

public:
    explicit SingleInstance(const QString &dataDirectory, QObject *parent = nullptr);
    ~SingleInstance() override;

    // True when this process is now the one instance. A lock left by a dead process is taken
    // over.
    bool acquire();
    // Starts listening for later launches (only after acquire() returned true).
    bool listen();
    // Hands `arguments` to the running instance; false when none answered. `answer`, when
    // given, receives what the instance's answer function said.
    bool sendToPrimary(
        const QStringList &arguments, int timeoutMs = 3000, QString *answer = nullptr) const;

    // Computes the text sent back to a later launch before its arguments are acted on.
    using Answer = std::function<QString(const QStringList &arguments)>;
    void setAnswer(Answer answer) { m_answer = std::move(answer); }

    QString socketPath() const { return m_socketPath; }

Q_SIGNALS:
    void messageReceived(const QStringList &arguments);

private:
    QString m_lockPath;
    QString m_socketPath;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer *m_server = nullptr;
    Answer m_answer;
};

// Encodes and decodes the message a later launch sends: its arguments as a JSON array.
QByteArray encodeArguments(const QStringList &arguments);
QStringList decodeArguments(const QByteArray &bytes);

} // namespace qm
