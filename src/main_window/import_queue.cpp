// SPDX-License-Identifier: GPL-3.0-or-later
#include "import_queue.h"

#include "store/store.h"

#include <QFileInfo>
#include <QFutureWatcher>
#include <QPromise>
#include <QThreadPool>
#include <QTimer>

namespace qm {

void addImportedScript(Store &store, Script script)
{
    const QUuid id = script.id;
    QList<Script> scripts = store.scripts();
    scripts.prepend(std::move(script));
    store.setScripts(std::move(scripts));
    store.setSelectedID(id);
}

// One file being read. The worker keeps it alive through its own reference, so a reader that
// is abandoned (too slow, or the queue gone) still has somewhere to write its answer.
struct ImportQueue::Job {
    QString path;
    std::atomic_bool cancelled {false};
    QPromise<ImportResult> promise;
    QFutureWatcher<ImportResult> *watcher = nullptr;
};

ImportQueue::ImportQueue(Store &store, QObject *parent)
    : QObject(parent)
    , m_store(store)
    , m_reader([](const QString &path, const ReadBudget &budget) {
        return importScriptFile(path, budget);
    })
{
    m_timer = new QTimer(this);
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, [this] {
        finish({std::nullopt, reasons::tooSlow()});
    });
}

ImportQueue::~ImportQueue()
{
    if (m_job)
        m_job->cancelled = true;
}

void ImportQueue::add(const QStringList &paths)
{
    if (!m_job && !paths.isEmpty())
        Q_EMIT batchStarted();
    for (const QString &path : paths) {
        if (!path.isEmpty())
            m_waiting.append(QFileInfo(path).absoluteFilePath());
    }
    if (!m_job)
        startNext();
}

void ImportQueue::startNext()
{
    if (m_waiting.isEmpty()) {
        if (!m_current.isEmpty()) {
            m_current.clear();
            Q_EMIT currentChanged(m_current);
        }
        return;
    }
    auto job = std::make_shared<Job>();
    job->path = m_waiting.takeFirst();
    job->watcher = new QFutureWatcher<ImportResult>(this);
    connect(job->watcher, &QFutureWatcherBase::finished, this, [this, watcher = job->watcher] {
        if (m_job && m_job->watcher == watcher)
            finish(watcher->result());
    });
    job->watcher->setFuture(job->promise.future());
    m_job = job;
    m_current = job->path;
    Q_EMIT currentChanged(m_current);

    const auto deadline = std::chrono::duration_cast<std::chrono::milliseconds>(m_limit).count();
    m_timer->start(m_limit);
    QThreadPool::globalInstance()->start([job, reader = m_reader, deadline] {
        ReadBudget budget;
        budget.deadline = QDeadlineTimer(deadline);
        budget.cancelled = &job->cancelled;
        job->promise.start();
        job->promise.addResult(reader(job->path, budget));
        job->promise.finish();
    });
}

void ImportQueue::finish(const ImportResult &result)
{
    if (!m_job)
        return;
    m_timer->stop();
    const std::shared_ptr<Job> job = std::move(m_job);
    // A reader given up on may still be running: it is told to stop, and its answer, whenever
    // it comes, goes nowhere.
    job->cancelled = true;
    job->watcher->disconnect(this);
    job->watcher->deleteLater();
    if (result.script) {
        const QUuid id = result.script->id;
        addImportedScript(m_store, *result.script);
        Q_EMIT imported(id);
    } else {
        Q_EMIT failed(importFailureMessage(job->path, result.reason));
    }
    startNext();
}

} // namespace qm
