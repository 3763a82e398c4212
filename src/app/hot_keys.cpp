// SPDX-License-Identifier: GPL-3.0-or-later
#include "hot_keys.h"

#include "prompter/prompter_controller.h"

#include <QPointer>

#include <algorithm>

namespace qm {

using platform::GrabStatus;
using platform::HotKeyChord;

HotKeys::HotKeys(std::unique_ptr<platform::HotKeyBackend> backend, QObject *parent)
    : QObject(parent)
    , m_backend(std::move(backend))
{
}

HotKeys::~HotKeys() = default;

HotKeys &HotKeys::shared()
{
    static HotKeys *instance = new HotKeys(platform::createHotKeyBackend());
    return *instance;
}

void HotKeys::install()
{
    m_installed = true;
    m_backend->install([this](quint32 id) { dispatch(id); },
        [this](quint32 id, GrabStatus status) {
            const auto it = m_status.find(id);
            if (it == m_status.end())
                return;
            it->second = status;
            Q_EMIT refusedChanged();
            Q_EMIT stateChanged();
        });
}

quint32 HotKeys::registerHotKey(const HotKeyChord &chord, Handler handler)
{
    if (!m_installed)
        install();
    const quint32 id = ++m_lastId;
    m_handlers[id] = std::move(handler);
    m_status[id] = m_backend->grab(id, chord);
    return id;
}

void HotKeys::unregisterHotKey(quint32 id)
{
    if (m_handlers.erase(id) == 0)
        return;
    m_status.erase(id);
    m_backend->release(id);
    Q_EMIT stateChanged();
}

void HotKeys::suspendHotKey(quint32 id)
{
    if (m_handlers.erase(id) == 0)
        return;
    m_status.erase(id);
    m_backend->suspend(id);
    Q_EMIT stateChanged();
}

void HotKeys::setReserved(const HotKeyChord &chord, bool reserved)
{
    if (!m_installed)
        install();
    m_backend->setReserved(chord, reserved);
}

void HotKeys::dispatch(quint32 id) const
{
    const auto it = m_handlers.find(id);
    if (it == m_handlers.end() || !it->second)
        return;
    // A copy: the handler may hide the prompter, which lets go of chords, this one included.
    const Handler handler = it->second;
    handler();
}

GrabStatus HotKeys::status(quint32 id) const
{
    const auto it = m_status.find(id);
    return it == m_status.end() ? GrabStatus::Unsupported : it->second;
}

QList<quint32> HotKeys::refusedIds() const
{
    QList<quint32> out;
    for (const auto &[id, s] : m_status) {
        if (s == GrabStatus::InUse || s == GrabStatus::NoSuchKey)
            out.append(id);
    }
    return out;
}

QString HotKeys::assignedKeys(quint32 id) const
{
    return m_status.count(id) ? m_backend->assignedKeys(id) : QString();
}

bool HotKeys::settled() const
{
    return m_backend->settled();
}

QList<PrompterHotKey> prompterHotKeys()
{
    namespace ks = platform::keysym;
    constexpr quint32 mods = platform::kHotKeyControl | platform::kHotKeyAlt;
    // Only the speed keys act again while held: a held P or Space would flicker the prompter.
    const auto key = [](Command command, QList<quint32> keysyms, bool repeats, const char *keys,
                         const char *action, const char *description) {
        HotKeyChord chord {std::move(keysyms), mods, repeats};
        // The command's switch without its dashes names the shortcut in the desktop's settings.
        chord.name = commandSwitch(command).mid(2);
        chord.description = QString::fromUtf8(description);
        return PrompterHotKey {command, chord, QString::fromUtf8(keys), QString::fromUtf8(action)};
    };
    return {
        key(Command::Toggle, {ks::kP}, false, "Ctrl+Alt+P", "show or hide the prompter",
            "Show or hide the prompter"),
        key(Command::PlayPause, {ks::kSpace}, false, "Ctrl+Alt+Space", "play or pause",
            "Play or pause the prompter"),
        key(Command::Restart, {ks::kR}, false, "Ctrl+Alt+R", "back to the top",
            "Prompter back to the top"),
        key(Command::Faster, {ks::kEqual, ks::kPlus, ks::kKeypadAdd}, true, "Ctrl+Alt+Plus",
            "faster", "Prompter faster"),
        key(Command::Slower, {ks::kMinus, ks::kKeypadSubtract}, true, "Ctrl+Alt+Minus", "slower",
            "Prompter slower"),
        key(Command::NextCue, {ks::kPageDown}, false, "Ctrl+Alt+PgDn", "next cue",
            "Prompter to the next cue"),
        key(Command::PreviousCue, {ks::kPageUp}, false, "Ctrl+Alt+PgUp", "previous cue",
            "Prompter to the previous cue"),
    };
}

void registerPrompterHotKeys(HotKeys &hotKeys, PrompterController &prompter)
{
    // The registry outlives the controller at exit; a late press then does nothing.
    const QPointer<PrompterController> target(&prompter);
    for (const PrompterHotKey &key : prompterHotKeys()) {
        const Command command = key.command;
        hotKeys.registerHotKey(key.chord, [target, command] {
            if (target)
                performOnPrompter(command, *target);
        });
    }
}

QList<int> refusedSheetRows(const QList<quint32> &refusedIds)
{
    // Sheet rows by hot-key id: P, Space, R, Plus, Minus, PgDn, PgUp.
    constexpr int kRowOfId[] = {0, 1, 2, 5, 4, 4, 3, 3};
    QList<int> rows;
    for (const quint32 id : refusedIds) {
        if (id == 0 || id >= std::size(kRowOfId))
            continue;
        const int row = kRowOfId[id];
        if (!rows.contains(row))
            rows.append(row);
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

QString chordStateText(GrabStatus status, bool inDesktopShortcuts)
{
    if (inDesktopShortcuts)
        return QStringLiteral("set up in the desktop's shortcuts");
    switch (status) {
    case GrabStatus::Granted:
        return QStringLiteral("active");
    case GrabStatus::X11Only:
        return QStringLiteral("active only while an X11 window has the focus");
    case GrabStatus::InUse:
        return QStringLiteral("held by another program");
    case GrabStatus::NoSuchKey:
        return QStringLiteral("not on this keyboard layout");
    case GrabStatus::NoKeysAssigned:
        return QStringLiteral("no keys assigned in the desktop's shortcut settings");
    case GrabStatus::Unsupported:
        break;
    }
    return QStringLiteral("unavailable (no system-wide shortcuts in this session)");
}

QString shortcutReport(const HotKeys &hotKeys, const DesktopCommands &inDesktopShortcuts)
{
    QString out;
    const QList<PrompterHotKey> keys = prompterHotKeys();
    for (qsizetype i = 0; i < keys.size(); ++i) {
        const quint32 id = quint32(i + 1);
        const bool inDesktop = inDesktopShortcuts.contains(keys.at(i).command);
        // The keys the desktop gave the chord are the ones that work.
        const QString assigned = inDesktop ? QString() : hotKeys.assignedKeys(id);
        out += (assigned.isEmpty() ? keys.at(i).keys : assigned).leftJustified(16)
            + keys.at(i).action.leftJustified(28) + chordStateText(hotKeys.status(id), inDesktop)
            + u'\n';
    }
    return out;
}

QStringList sheetRowNotes(const HotKeys &hotKeys, const DesktopCommands &inDesktopShortcuts)
{
    // Sheet rows by hot-key id, as in refusedSheetRows.
    constexpr int kRowOfId[] = {0, 1, 2, 5, 4, 4, 3, 3};
    const QList<PrompterHotKey> keys = prompterHotKeys();
    // The most pressing note of a row's chords wins: a chord that does not work at all, then
    // one that works only in part, then one on other keys than the sheet shows.
    QList<int> rank(6, 0);
    QStringList notes(6);
    const auto note = [&](int row, int weight, const QString &text) {
        if (weight > rank[row]) {
            rank[row] = weight;
            notes[row] = text;
        }
    };
    for (quint32 id = 1; id < std::size(kRowOfId) && qsizetype(id) <= keys.size(); ++id) {
        const int row = kRowOfId[id];
        if (inDesktopShortcuts.contains(keys.at(id - 1).command)) {
            note(row, 1, QStringLiteral("In GNOME's keyboard shortcuts"));
            continue;
        }
        switch (hotKeys.status(id)) {
        case GrabStatus::InUse:
            note(row, 5, QStringLiteral("In use by another app"));
            break;
        case GrabStatus::NoSuchKey:
            note(row, 5, QStringLiteral("Not on this keyboard layout"));
            break;
        case GrabStatus::NoKeysAssigned:
            note(row, 5, QStringLiteral("No keys set in the desktop's settings"));
            break;
        case GrabStatus::Unsupported:
            note(row, 4, QStringLiteral("Not available in this session"));
            break;
        case GrabStatus::X11Only:
            note(row, 3, QStringLiteral("Only while an X11 window has the focus"));
            break;
        case GrabStatus::Granted: {
            const QString assigned = hotKeys.assignedKeys(id);
            if (!assigned.isEmpty() && assigned != keys.at(id - 1).keys)
                note(row, 2, QStringLiteral("Set to %1 in the desktop's settings").arg(assigned));
            break;
        }
        }
    }
    return notes;
}

namespace {

// Quoted for a command line that GLib splits the way a shell does.
QString shellQuoted(const QString &text)
{
    QString out = text;
    out.replace(u'\'', QStringLiteral("'\\''"));
    return u'\'' + out + u'\'';
}

} // namespace

QList<platform::GnomeShortcuts::Shortcut> gnomeShortcutsFor(
    const QString &program, const QString &dataHome)
{
    QList<platform::GnomeShortcuts::Shortcut> out;
    const QString prefix = dataHome.isEmpty()
        ? QString()
        : QStringLiteral("env XDG_DATA_HOME=%1 ").arg(shellQuoted(dataHome));
    for (const PrompterHotKey &key : prompterHotKeys()) {
        // GNOME's accelerators name keys as the portal does; only the modifiers differ.
        QString binding;
        for (const QString &part : platform::portalTrigger(key.chord).split(u'+')) {
            if (part == QLatin1String("CTRL"))
                binding += QStringLiteral("<Control>");
            else if (part == QLatin1String("ALT"))
                binding += QStringLiteral("<Alt>");
            else if (part == QLatin1String("SHIFT"))
                binding += QStringLiteral("<Shift>");
            else
                binding += part;
        }
        out.append({key.chord.name, QStringLiteral("Quillmere: ") + key.chord.description, binding,
            prefix + shellQuoted(program) + u' ' + commandSwitch(key.command)});
    }
    return out;
}

DesktopCommands commandsNamed(const QStringList &names)
{
    DesktopCommands out;
    for (const PrompterHotKey &key : prompterHotKeys()) {
        if (names.contains(key.chord.name))
            out.append(key.command);
    }
    return out;
}

} // namespace qm
