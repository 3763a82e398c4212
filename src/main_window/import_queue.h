// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "import/importer.h"

#include <QObject>
#include <QStringList>
#include <QUuid>

#include <chrono>
#include <functional>
#include <memory>

class QTimer;

namespace qm {

class Store;

// Puts `script` at the top of the list and selects it.
void addImportedScript(Store &store, Script script);

// Imports files one after another, each read on a worker thread so the window stays live, and
// each given kImportSeconds: a reader still busy then is abandoned and its file reported. A
// success goes to the top of the list, selected; a failure is told through failed().
class ImportQueue final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ImportQueue)

public:
    explicit ImportQueue(Store &store, QObject *parent = nullptr);
    ~ImportQueue() override;

    void add(const QStringList &paths);
    // The file being read now; empty when idle.
    QString current() const { return m_current; }

    // Tests give a reader of their own and a shorter limit.
    using Reader = std::function<ImportResult(const QString &path, const ReadBudget &budget)>;
    void setReader(Reader reader) { m_reader = std::move(reader); }
    void setTimeLimit(std::chrono::milliseconds limit) { m_limit = limit; }

Q_SIGNALS:
    // Files were added while none was being read: what was said about earlier ones is old.
    void batchStarted();
    void currentChanged(const QString &path);
    // The line to show: "Couldn't import “name”: reason."
    void failed(const QString &message);
    void imported(const QUuid &id);

private:
    struct Job;
    void startNext();
    void finish(const ImportResult &result);

    Store &m_store;
    Reader m_reader;
    std::chrono::milliseconds m_limit {std::chrono::seconds(kImportSeconds)};
    QStringList m_waiting;
    QString m_current;
    std::shared_ptr<Job> m_job;
    QTimer *m_timer = nullptr;
};

} // namespace qm
