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
            if (id == 0 || id > quint32(m_status.size()))
                return;
            m_status[qsizetype(id - 1)] = status;
            Q_EMIT refusedChanged();
        });
}

quint32 HotKeys::registerHotKey(const HotKeyChord &chord, Handler handler)
{
    if (!m_installed)
        install();
    // Counted over every registration, so an id let go of is never given out again.
    const quint32 id = quint32(m_status.size()) + 1;
    m_handlers[id] = std::move(handler);
    m_status.append(m_backend->grab(id, chord));
    return id;
}

void HotKeys::unregisterHotKey(quint32 id)
{
    if (m_handlers.erase(id) == 0)
        return;
    m_backend->release(id);
    // Neither granted nor refused any more.
    m_status[qsizetype(id - 1)] = GrabStatus::Unsupported;
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
    if (id == 0 || id > quint32(m_status.size()))
        return GrabStatus::Unsupported;
    return m_status.at(qsizetype(id - 1));
}

QList<quint32> HotKeys::refusedIds() const
{
    QList<quint32> out;
    for (qsizetype i = 0; i < m_status.size(); ++i) {
        const GrabStatus s = m_status.at(i);
        if (s == GrabStatus::InUse || s == GrabStatus::NoSuchKey)
            out.append(quint32(i + 1));
    }
    return out;
}

QList<PrompterHotKey> prompterHotKeys()
{
    namespace ks = platform::keysym;
    constexpr quint32 mods = platform::kHotKeyControl | platform::kHotKeyAlt;
    // Only the speed keys act again while held: a held P or Space would flicker the prompter.
    return {
        {Command::Toggle, {{ks::kP}, mods, false}, QStringLiteral("Ctrl+Alt+P"),
            QStringLiteral("show or hide the prompter")},
        {Command::PlayPause, {{ks::kSpace}, mods, false}, QStringLiteral("Ctrl+Alt+Space"),
            QStringLiteral("play or pause")},
        {Command::Restart, {{ks::kR}, mods, false}, QStringLiteral("Ctrl+Alt+R"),
            QStringLiteral("back to the top")},
        {Command::Faster, {{ks::kEqual, ks::kPlus, ks::kKeypadAdd}, mods, true},
            QStringLiteral("Ctrl+Alt+Plus"), QStringLiteral("faster")},
        {Command::Slower, {{ks::kMinus, ks::kKeypadSubtract}, mods, true},
            QStringLiteral("Ctrl+Alt+Minus"), QStringLiteral("slower")},
        {Command::NextCue, {{ks::kPageDown}, mods, false}, QStringLiteral("Ctrl+Alt+PgDn"),
            QStringLiteral("next cue")},
        {Command::PreviousCue, {{ks::kPageUp}, mods, false}, QStringLiteral("Ctrl+Alt+PgUp"),
            QStringLiteral("previous cue")},
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

QString shortcutReport(const HotKeys &hotKeys)
{
    QString out;
    const QList<PrompterHotKey> keys = prompterHotKeys();
    for (qsizetype i = 0; i < keys.size(); ++i) {
        QString state;
        switch (hotKeys.status(quint32(i + 1))) {
        case GrabStatus::Granted:
            state = QStringLiteral("active");
            break;
        case GrabStatus::InUse:
            state = QStringLiteral("in use by another program");
            break;
        case GrabStatus::NoSuchKey:
            state = QStringLiteral("not on this keyboard layout");
            break;
        case GrabStatus::Unsupported:
            state = QStringLiteral("unavailable (no system-wide shortcuts in this session)");
            break;
        }
        out += keys.at(i).keys.leftJustified(16) + keys.at(i).action.leftJustified(28) + state
            + u'\n';
    }
    return out;
}

} // namespace qm
