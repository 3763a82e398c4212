// SPDX-License-Identifier: GPL-3.0-or-later
// System-wide shortcuts through the desktop's org.freedesktop.portal.GlobalShortcuts: one
// portal session holds every chord and is made again whenever a chord is added or let go for
// good (a session binds once); reserved chords stay in it while they come and go. Until the
// portal has bound a chord, for good on a desktop without the portal, and again once the
// portal has declined or failed, the fallback backend (the X11 grab) holds it.
#include "hot_key_backend.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QMap>
#include <QObject>
#include <QRandomGenerator>
#include <QSet>
#include <QTimer>

#include <algorithm>

namespace qm::platform::portal {

// One entry of the portal's a(sa{sv}) shortcut lists.
struct Shortcut {
    QString id;
    QVariantMap properties;
};
using Shortcuts = QList<Shortcut>;

QDBusArgument &operator<<(QDBusArgument &argument, const Shortcut &shortcut)
{
    argument.beginStructure();
    argument << shortcut.id << shortcut.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, Shortcut &shortcut)
{
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.properties;
    argument.endStructure();
    return argument;
}

} // namespace qm::platform::portal

Q_DECLARE_METATYPE(qm::platform::portal::Shortcut)
Q_DECLARE_METATYPE(qm::platform::portal::Shortcuts)

namespace qm::platform {

namespace {

using portal::Shortcut;
using portal::Shortcuts;

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");

// Held keys act again at about the rate of a keyboard's auto-repeat; the portal reports a press
// and a release, not the repeats.
constexpr int kRepeatDelayMs = 500;
constexpr int kRepeatIntervalMs = 60;

QString token()
{
    return QStringLiteral("quillmere%1").arg(QRandomGenerator::global()->generate());
}

class PortalHotKeys final : public QObject, public HotKeyBackend {
    Q_OBJECT

public:
    explicit PortalHotKeys(std::unique_ptr<HotKeyBackend> fallback)
        : m_fallback(std::move(fallback))
        , m_bus(QDBusConnection::sessionBus())
    {
        qDBusRegisterMetaType<Shortcut>();
        qDBusRegisterMetaType<Shortcuts>();
        m_repeat.setSingleShot(false);
        connect(&m_repeat, &QTimer::timeout, this, [this] {
            m_repeat.setInterval(kRepeatIntervalMs);
            if (m_dispatch && m_entries.contains(m_repeatId))
                m_dispatch(m_repeatId);
        });
        if (!m_bus.isConnected()) {
            m_failed = true;
            return;
        }
        // Taken as whole messages: the desktops differ in the trailing arguments they send.
        m_bus.connect(kService, kPath, kInterface, QStringLiteral("Activated"), this,
            SLOT(onActivated(QDBusMessage)));
        m_bus.connect(kService, kPath, kInterface, QStringLiteral("Deactivated"), this,
            SLOT(onDeactivated(QDBusMessage)));
        m_bus.connect(kService, kPath, kInterface, QStringLiteral("ShortcutsChanged"), this,
            SLOT(onShortcutsChanged(QDBusMessage)));
    }

    ~PortalHotKeys() override { closeSession(); }

    void install(Dispatch dispatch, StatusChanged statusChanged) override
    {
        m_dispatch = std::move(dispatch);
        m_statusChanged = std::move(statusChanged);
        m_fallback->install(
            [this](quint32 id) {
                if (m_dispatch)
                    m_dispatch(id);
            },
            [this](quint32 id, GrabStatus status) {
                auto it = m_entries.find(id);
                if (it == m_entries.end() || it->viaPortal)
                    return;
                setStatus(id, *it, fromFallback(status));
            });
    }

    GrabStatus grab(quint32 id, const HotKeyChord &chord) override
    {
        const auto parked = chord.name.isEmpty() ? m_parked.end() : m_parked.find(chord.name);
        if (parked != m_parked.end() && !m_failed) {
            // Already in the session: it takes up where it was, with no new bind.
            Entry entry = *parked;
            m_parked.erase(parked);
            entry.chord = chord;
            if (!entry.viaPortal)
                entry.status = fromFallback(m_fallback->grab(id, chord));
            m_entries.insert(id, entry);
            return entry.status;
        }
        Entry entry;
        entry.chord = chord;
        entry.status = fromFallback(m_fallback->grab(id, chord));
        m_entries.insert(id, entry);
        scheduleBind();
        return entry.status;
    }

    void release(quint32 id) override
    {
        const auto it = m_entries.find(id);
        if (it == m_entries.end())
            return;
        if (!it->viaPortal)
            m_fallback->release(id);
        m_entries.erase(it);
        if (m_repeatId == id)
            m_repeat.stop();
        scheduleBind();
    }

    void suspend(quint32 id) override
    {
        const auto it = m_entries.find(id);
        if (it == m_entries.end())
            return;
        if (m_failed || !m_reserved.contains(it->chord.name)) {
            release(id);
            return;
        }
        // Stays in the session, its presses ignored (no id maps to it) until it comes back.
        if (!it->viaPortal)
            m_fallback->release(id);
        Entry parked = *it;
        m_entries.erase(it);
        if (m_repeatId == id)
            m_repeat.stop();
        m_parked.insert(parked.chord.name, parked);
    }

    void setReserved(const HotKeyChord &chord, bool reserved) override
    {
        if (chord.name.isEmpty() || reserved == m_reserved.contains(chord.name))
            return;
        if (!reserved) {
            m_reserved.remove(chord.name);
            // Bound but not in use: let the desktop have the keys back.
            if (m_parked.remove(chord.name))
                scheduleBind();
            return;
        }
        m_reserved.insert(chord.name);
        if (m_failed || idOf(chord.name))
            return;
        Entry entry;
        entry.chord = chord;
        m_parked.insert(chord.name, entry);
        scheduleBind();
    }

    QString assignedKeys(quint32 id) const override { return m_entries.value(id).assigned; }

    bool settled() const override { return m_failed || (!m_bindPending && !m_waiting); }

private Q_SLOTS:
    void onActivated(const QDBusMessage &message)
    {
        const quint32 id = shortcutOf(message);
        if (!id || !m_dispatch)
            return;
        m_dispatch(id);
        if (m_entries.value(id).chord.repeats) {
            m_repeatId = id;
            m_repeat.start(kRepeatDelayMs);
        }
    }

    void onDeactivated(const QDBusMessage &message)
    {
        if (shortcutOf(message) == m_repeatId)
            m_repeat.stop();
    }

    void onShortcutsChanged(const QDBusMessage &message)
    {
        const QList<QVariant> args = message.arguments();
        if (args.size() < 2 || args.at(0).value<QDBusObjectPath>().path() != m_session)
            return;
        applyBound(qdbus_cast<Shortcuts>(args.at(1)));
    }

    void onSessionCreated(uint response, const QVariantMap &results)
    {
        stopWaiting();
        const QString session = results.value(QStringLiteral("session_handle")).toString();
        if (response != 0 || session.isEmpty()) {
            fail();
            return;
        }
        m_session = session;
        const Shortcuts bound = qdbus_cast<Shortcuts>(results.value(QStringLiteral("shortcuts")));
        if (!bound.isEmpty()) {
            applyBound(bound);
            if (m_waiting) // chords changed meanwhile: a new session is on its way
                return;
            // Plasma 5.27 has bound them all already; asking again would only open its
            // shortcut settings in the user's face on every start.
            const auto onPortal = [](const Entry &e) { return e.viaPortal; };
            const bool all = std::all_of(m_entries.cbegin(), m_entries.cend(), onPortal)
                && std::all_of(m_parked.cbegin(), m_parked.cend(), onPortal);
            if (all && !m_session.isEmpty())
                return;
        }
        bind();
    }

    void onBound(uint response, const QVariantMap &results)
    {
        stopWaiting();
        if (response != 0) {
            // Declined or failed: the fallback takes everything back; asking again would
            // only put the same question to the user on every change.
            fail();
            return;
        }
        // Some desktops answer with an empty list and bind what the session was made with.
        const Shortcuts bound = qdbus_cast<Shortcuts>(results.value(QStringLiteral("shortcuts")));
        if (!bound.isEmpty())
            applyBound(bound);
        else
            listShortcuts();
    }

    void onListed(uint response, const QVariantMap &results)
    {
        stopWaiting();
        if (response == 0)
            applyBound(qdbus_cast<Shortcuts>(results.value(QStringLiteral("shortcuts"))));
    }

private:
    struct Entry {
        HotKeyChord chord;
        GrabStatus status = GrabStatus::Unsupported;
        QString assigned;
        bool viaPortal = false;
    };

    static GrabStatus fromFallback(GrabStatus status)
    {
        return status == GrabStatus::Granted ? GrabStatus::X11Only : status;
    }

    static QString shortcutId(quint32 id, const HotKeyChord &chord)
    {
        return chord.name.isEmpty() ? QStringLiteral("hotkey-%1").arg(id) : chord.name;
    }

    // The id of the shortcut a signal of our session names, or 0.
    quint32 shortcutOf(const QDBusMessage &message) const
    {
        const QList<QVariant> args = message.arguments();
        if (args.size() < 2 || m_session.isEmpty()
            || args.at(0).value<QDBusObjectPath>().path() != m_session)
            return 0;
        return idOf(args.at(1).toString());
    }

    quint32 idOf(const QString &shortcut) const
    {
        for (auto it = m_entries.cbegin(); it != m_entries.cend(); ++it) {
            if (shortcutId(it.key(), it->chord) == shortcut)
                return it.key();
        }
        return 0;
    }

    void setStatus(quint32 id, Entry &entry, GrabStatus status)
    {
        if (entry.status == status)
            return;
        entry.status = status;
        if (m_statusChanged)
            m_statusChanged(id, status);
    }

    // The portal declined or failed: whatever it had bound may be gone with the session, so
    // the fallback takes every chord back and says what it got.
    void fail()
    {
        m_failed = true;
        m_bindPending = false;
        m_rebind = false;
        m_parked.clear();
        for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
            if (!it->viaPortal)
                continue;
            it->viaPortal = false;
            it->assigned.clear();
            setStatus(it.key(), *it, fromFallback(m_fallback->grab(it.key(), it->chord)));
        }
        closeSession();
    }

    // Registrations come in bursts (seven at start-up); one bind after the burst.
    void scheduleBind()
    {
        if (m_failed || m_bindPending)
            return;
        m_bindPending = true;
        QTimer::singleShot(0, this, [this] {
            m_bindPending = false;
            if (m_failed)
                return;
            if (m_waiting) {
                // A request is out; bind again once it has been answered.
                m_rebind = true;
                return;
            }
            if (!m_checked)
                checkPortal();
            else
                startSession();
        });
    }

    void checkPortal()
    {
        QDBusMessage get = QDBusMessage::createMethodCall(kService, kPath,
            QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
        get << kInterface << QStringLiteral("version");
        m_waiting = true;
        auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(get), this);
        connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher] {
            watcher->deleteLater();
            m_waiting = false;
            // No portal, or one whose desktop has no global shortcuts.
            if (watcher->isError()) {
                fail();
                return;
            }
            m_checked = true;
            m_rebind = false;
            startSession();
        });
    }

    QString requestPath(const QString &handleToken) const
    {
        QString sender = m_bus.baseService().mid(1);
        sender.replace(u'.', u'_');
        return QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2")
            .arg(sender, handleToken);
    }

    // Sends a portal request and routes its Response to `slot`.
    void request(QDBusMessage call, const QString &handleToken, const char *slot)
    {
        const QString path = requestPath(handleToken);
        m_bus.connect(kService, path, QStringLiteral("org.freedesktop.portal.Request"),
            QStringLiteral("Response"), this, slot);
        m_requestPaths.append(path);
        m_waiting = true;
        auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
        connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, path, slot] {
            watcher->deleteLater();
            QDBusPendingReply<QDBusObjectPath> reply = *watcher;
            if (reply.isError()) {
                stopWaiting();
                fail();
                return;
            }
            // Older portals chose the request's path themselves.
            const QString actual = reply.value().path();
            if (!actual.isEmpty() && actual != path) {
                m_bus.connect(kService, actual, QStringLiteral("org.freedesktop.portal.Request"),
                    QStringLiteral("Response"), this, slot);
                m_requestPaths.append(actual);
            }
        });
    }

    void stopWaiting()
    {
        m_waiting = false;
        for (const QString &path : std::as_const(m_requestPaths)) {
            m_bus.disconnect(kService, path, QStringLiteral("org.freedesktop.portal.Request"),
                QStringLiteral("Response"), this, nullptr);
        }
        m_requestPaths.clear();
    }

    static Shortcut shortcutFor(const QString &id, const HotKeyChord &chord)
    {
        QVariantMap properties;
        properties.insert(
            QStringLiteral("description"), chord.description.isEmpty() ? id : chord.description);
        const QString trigger = portalTrigger(chord);
        if (!trigger.isEmpty())
            properties.insert(QStringLiteral("preferred_trigger"), trigger);
        return {id, properties};
    }

    Shortcuts wanted() const
    {
        Shortcuts out;
        for (auto it = m_entries.cbegin(); it != m_entries.cend(); ++it)
            out.append(shortcutFor(shortcutId(it.key(), it->chord), it->chord));
        for (const Entry &parked : m_parked)
            out.append(shortcutFor(parked.chord.name, parked.chord));
        return out;
    }

    void startSession()
    {
        closeSession();
        if (m_entries.isEmpty() && m_parked.isEmpty())
            return;
        const QString handleToken = token();
        QVariantMap options;
        options.insert(QStringLiteral("handle_token"), handleToken);
        // A fixed token: Plasma names the shortcuts' owner after it, so each start finds the
        // keys the last one had (or the user chose) instead of leaving an orphan holding them.
        options.insert(QStringLiteral("session_handle_token"), QStringLiteral("quillmere"));
        // Plasma 5.27 takes the shortcuts when the session is made and binds nothing later.
        options.insert(QStringLiteral("shortcuts"), QVariant::fromValue(wanted()));
        QDBusMessage call = QDBusMessage::createMethodCall(
            kService, kPath, kInterface, QStringLiteral("CreateSession"));
        call << options;
        request(call, handleToken, SLOT(onSessionCreated(uint, QVariantMap)));
    }

    void bind()
    {
        if (m_rebind) {
            // Chords changed while the session was being made.
            m_rebind = false;
            startSession();
            return;
        }
        const QString handleToken = token();
        QVariantMap options;
        options.insert(QStringLiteral("handle_token"), handleToken);
        QDBusMessage call = QDBusMessage::createMethodCall(
            kService, kPath, kInterface, QStringLiteral("BindShortcuts"));
        call << QVariant::fromValue(QDBusObjectPath(m_session)) << QVariant::fromValue(wanted())
             << QString() << options;
        request(call, handleToken, SLOT(onBound(uint, QVariantMap)));
    }

    void listShortcuts()
    {
        const QString handleToken = token();
        QVariantMap options;
        options.insert(QStringLiteral("handle_token"), handleToken);
        QDBusMessage call = QDBusMessage::createMethodCall(
            kService, kPath, kInterface, QStringLiteral("ListShortcuts"));
        call << QVariant::fromValue(QDBusObjectPath(m_session)) << options;
        request(call, handleToken, SLOT(onListed(uint, QVariantMap)));
    }

    void applyBound(const Shortcuts &bound)
    {
        for (const Shortcut &s : bound) {
            if (const auto parked = m_parked.find(s.id); parked != m_parked.end()) {
                parked->viaPortal = true;
                parked->assigned
                    = s.properties.value(QStringLiteral("trigger_description")).toString();
                parked->status
                    = parked->assigned.isEmpty() ? GrabStatus::NoKeysAssigned : GrabStatus::Granted;
                continue;
            }
            const quint32 id = idOf(s.id);
            auto it = m_entries.find(id);
            if (it == m_entries.end())
                continue;
            if (!it->viaPortal) {
                // The desktop has it now; an X11 grab would only fire a second time.
                m_fallback->release(id);
                it->viaPortal = true;
            }
            it->assigned = s.properties.value(QStringLiteral("trigger_description")).toString();
            const GrabStatus status
                = it->assigned.isEmpty() ? GrabStatus::NoKeysAssigned : GrabStatus::Granted;
            if (it->status == status) {
                // Same state, other keys: still worth telling.
                if (m_statusChanged)
                    m_statusChanged(id, status);
            } else {
                setStatus(id, *it, status);
            }
        }
        if (m_rebind) {
            m_rebind = false;
            startSession();
        }
    }

    void closeSession()
    {
        if (m_session.isEmpty())
            return;
        const QDBusMessage close = QDBusMessage::createMethodCall(kService, m_session,
            QStringLiteral("org.freedesktop.portal.Session"), QStringLiteral("Close"));
        m_bus.call(close, QDBus::NoBlock);
        m_session.clear();
    }

    std::unique_ptr<HotKeyBackend> m_fallback;
    QDBusConnection m_bus;
    QMap<quint32, Entry> m_entries;
    // Reserved chords out of use, by name: in the session, their presses ignored.
    QMap<QString, Entry> m_parked;
    QSet<QString> m_reserved;
    Dispatch m_dispatch;
    StatusChanged m_statusChanged;
    QString m_session;
    QStringList m_requestPaths;
    QTimer m_repeat;
    quint32 m_repeatId = 0;
    bool m_checked = false;
    bool m_failed = false;
    bool m_waiting = false;
    bool m_bindPending = false;
    bool m_rebind = false;
};

} // namespace

std::unique_ptr<HotKeyBackend> createPortalHotKeyBackend(std::unique_ptr<HotKeyBackend> fallback)
{
    return std::make_unique<PortalHotKeys>(std::move(fallback));
}

} // namespace qm::platform

#include "hot_keys_portal.moc"
