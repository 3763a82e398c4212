// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

class QSocketNotifier;

namespace qm {

// Turns SIGTERM, SIGINT and SIGHUP into a Qt signal on the main thread through a self-pipe, so
// the program can save and quit the ordinary way instead of dying mid-write.
class SessionEnd final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SessionEnd)

public:
    explicit SessionEnd(QObject *parent = nullptr);
    ~SessionEnd() override;

Q_SIGNALS:
    void terminationRequested(int signal);

private:
    QSocketNotifier *m_notifier = nullptr;
};

} // namespace qm
