// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/hot_keys.h"
#include "remote_commands.h"

#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <map>
#include <memory>

namespace qm {

// The registry of system-wide shortcuts. Ids are given in registration order from 1; a press
// reaches the handler registered under its id and nothing else is looked at. A chord the system
// refuses keeps its id and handler (it just never fires) and is remembered as refused.
class HotKeys final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HotKeys)

public:
    using Handler = std::function<void()>;

    explicit HotKeys(std::unique_ptr<platform::HotKeyBackend> backend, QObject *parent = nullptr);
    ~HotKeys() override;

    // The program's registry on the session's backend; built on first use, never destroyed.
    static HotKeys &shared();

    // Adds one chord; returns its id. The backend's hook is installed on the first call.
    quint32 registerHotKey(const platform::HotKeyChord &chord, Handler handler);
    // Lets go of the chord registered under `id` and drops its handler; ids are never reused.
    // For chords held only part of the time, such as the clicker's page keys.
    void unregisterHotKey(quint32 id);
    // Runs the handler registered under `id`; unknown ids are ignored.
    void dispatch(quint32 id) const;

    qsizetype count() const { return qsizetype(m_handlers.size()); }
    bool installed() const { return m_installed; }
    // What the system said to the chord registered under `id` (Unsupported for unknown ids).
    platform::GrabStatus status(quint32 id) const;
    // Ids another program holds or the keyboard cannot type, ascending.
    QList<quint32> refusedIds() const;

Q_SIGNALS:
    // A keyboard-map change granted or lost a chord.
    void refusedChanged();

private:
    void install();

    std::unique_ptr<platform::HotKeyBackend> m_backend;
    std::map<quint32, Handler> m_handlers;
    // What the system said to each registration, in registration order.
    QList<platform::GrabStatus> m_status;
    bool m_installed = false;
};

// One of the seven prompter shortcuts, in registration order.
struct PrompterHotKey {
    Command command;
    platform::HotKeyChord chord;
    QString keys; // as a person reads them, e.g. "Ctrl+Alt+Space"
    QString action;
};
QList<PrompterHotKey> prompterHotKeys();

// Registers the seven prompter shortcuts on `hotKeys`; each calls `prompter` as its command does.
void registerPrompterHotKeys(HotKeys &hotKeys, PrompterController &prompter);

// The shortcut sheet's rows (1 show/hide, 2 play/pause, 3 cues, 4 speed, 5 restart) that hold a
// refused chord.
QList<int> refusedSheetRows(const QList<quint32> &refusedIds);

// One line per prompter shortcut saying whether it works, for `quillmere --list-shortcuts`.
QString shortcutReport(const HotKeys &hotKeys);

} // namespace qm
