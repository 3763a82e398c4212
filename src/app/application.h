// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>

#include <memory>

namespace qm {

class MainWindow;
class SessionEnd;
class SingleInstance;
class Store;

// Wires the long-lived objects together in start-up order and owns the ways out, every one of
// which ends in a single save.
class Application final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Application)

public:
    Application(Store &store, std::unique_ptr<SingleInstance> instance, QObject *parent = nullptr);
    ~Application() override;

    // Opens the main window and schedules the command-line actions.
    void start(const QStringList &arguments);
    // Acts on the arguments a later launch handed over.
    void handleRemote(const QStringList &arguments);

    MainWindow *mainWindow() const;

    static constexpr int kStartDelayMs = 800;
    static constexpr int kSnapshotDelayMs = 6000;

private:
    void saveOnce();

    Store &m_store;
    std::unique_ptr<SingleInstance> m_instance;
    std::unique_ptr<MainWindow> m_window;
    SessionEnd *m_sessionEnd = nullptr;
    bool m_saved = false;
};

// The directory after the first "--snapshot", when there is one.
QString snapshotDirectory(const QStringList &arguments);

} // namespace qm
