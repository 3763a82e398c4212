// SPDX-License-Identifier: GPL-3.0-or-later
#include "application.h"

#include "main_window/main_window.h"
#include "session_end.h"
#include "single_instance.h"
#include "snapshot.h"
#include "store/store.h"
#include "ui/window_registry.h"

#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QKeySequence>
#include <QSessionManager>
#include <QShortcut>
#include <QTimer>

namespace qm {

QString snapshotDirectory(const QStringList &arguments)
{
    const qsizetype i = arguments.indexOf(QStringLiteral("--snapshot"));
    if (i < 0 || i + 1 >= arguments.size())
        return {};
    return QDir::current().absoluteFilePath(arguments.at(i + 1));
}

Application::Application(Store &store, std::unique_ptr<SingleInstance> instance, QObject *parent)
    : QObject(parent)
    , m_store(store)
    , m_instance(std::move(instance))
{
    m_sessionEnd = new SessionEnd(this);
    connect(m_sessionEnd, &SessionEnd::terminationRequested, this, [] { QApplication::quit(); });
    connect(qApp, &QCoreApplication::aboutToQuit, this, &Application::saveOnce);
    // The session manager may end the process right after asking; save while we still can.
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager &) {
        m_store.save();
    });
    if (m_instance) {
        connect(m_instance.get(), &SingleInstance::messageReceived, this,
            &Application::handleRemote);
    }
}

Application::~Application() = default;

MainWindow *Application::mainWindow() const { return m_window.get(); }

void Application::start(const QStringList &arguments)
{
    m_window = std::make_unique<MainWindow>(m_store, nullptr);
    WindowRegistry::add(m_window.get());
    auto *quit = new QShortcut(QKeySequence::Quit, m_window.get());
    quit->setContext(Qt::ApplicationShortcut);
    connect(quit, &QShortcut::activated, qApp, &QApplication::quit);
    m_window->present();

    const QString snapshotDir = snapshotDirectory(arguments);
    if (!snapshotDir.isEmpty())
        QTimer::singleShot(kSnapshotDelayMs, this, [snapshotDir] { snapshot(snapshotDir); });
}

void Application::handleRemote(const QStringList &)
{
    if (m_window)
        m_window->present();
}

void Application::saveOnce()
{
    if (m_saved)
        return;
    m_saved = true;
    m_store.save();
}

} // namespace qm
