// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/gnome_shortcuts.h"
#include "platform/hot_key_backend.h"
#include "remote_commands.h"

#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <map>
#include <memory>

namespace qm {

// The registry of system-wide shortcuts. Ids are given in registration order from 1 and never
// reused; a press reaches the handler registered under its id and nothing else is looked at. A
// chord the system refuses keeps its id and handler (it just never fires) and is remembered as
// refused. Chords may be added and let go at any time.
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
    // Lets go of the chord registered under `id`; its handler is dropped and the id not reused.
    void unregisterHotKey(quint32 id);
    // The same for a reserved chord that is likely to come back (see HotKeyBackend::suspend).
    void suspendHotKey(quint32 id);
    // See HotKeyBackend::setReserved.
    void setReserved(const platform::HotKeyChord &chord, bool reserved);
    // Runs the handler registered under `id`; unknown ids are ignored.
    void dispatch(quint32 id) const;

    qsizetype count() const { return qsizetype(m_handlers.size()); }
    bool installed() const { return m_installed; }
    // What the system said to the chord registered under `id` (Unsupported for unknown ids).
    platform::GrabStatus status(quint32 id) const;
    // Ids another program holds or the keyboard cannot type, ascending.
    QList<quint32> refusedIds() const;
    // The keys the desktop assigned to the chord when they are its choice (or the user's),
    // in its words; empty otherwise.
    QString assignedKeys(quint32 id) const;
    // False while the desktop has still to answer about some chord.
    bool settled() const;

Q_SIGNALS:
    // A keyboard-map change granted or lost a chord.
    void refusedChanged();
    // Any chord's state, or the keys the desktop gave it, changed.
    void stateChanged();

private:
    void install();

    std::unique_ptr<platform::HotKeyBackend> m_backend;
    std::map<quint32, Handler> m_handlers;
    // What the system said to each registration.
    std::map<quint32, platform::GrabStatus> m_status;
    quint32 m_lastId = 0;
    bool m_installed = false;
};

// One of the seven prompter shortcuts, in registration order. The chord carries the name and
// description the desktop lists it under.
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

// Whether a prompter chord works, in words: "active", "held by another program", …
// `inDesktopShortcuts` says the desktop's own keyboard settings run its command.
QString chordStateText(platform::GrabStatus status, bool inDesktopShortcuts = false);

// The commands whose keys the desktop's own keyboard settings run (GNOME's custom shortcuts).
using DesktopCommands = QList<Command>;

// One line per prompter shortcut with the keys it answers to and whether it works, for
// `quillmere --list-shortcuts`. Ids 1…7 are the prompter's.
QString shortcutReport(const HotKeys &hotKeys, const DesktopCommands &inDesktopShortcuts = {});

// The notes the shortcut sheet shows under its rows (index 0…5, empty for none), from the
// state of the chords each row stands for.
QStringList sheetRowNotes(const HotKeys &hotKeys, const DesktopCommands &inDesktopShortcuts = {});

// The prompter shortcuts as GNOME custom shortcuts running `program` with each command's
// switch. A data folder other than the default (`dataHome`, empty for none) is passed on, so
// the command reaches this very instance.
QList<platform::GnomeShortcuts::Shortcut> gnomeShortcutsFor(
    const QString &program, const QString &dataHome);
// The commands among the prompter's whose GNOME shortcut `names` lists.
DesktopCommands commandsNamed(const QStringList &names);

} // namespace qm
