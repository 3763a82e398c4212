// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/hot_key_backend.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

#include <map>

using namespace qm::platform;

namespace {

// One entry of the portal's a(sa{sv}) shortcut lists.
struct PortalShortcut {
    QString id;
    QVariantMap properties;
};
using PortalShortcuts = QList<PortalShortcut>;

} // namespace

Q_DECLARE_METATYPE(PortalShortcut)
Q_DECLARE_METATYPE(PortalShortcuts)

namespace {

QDBusArgument &operator<<(QDBusArgument &argument, const PortalShortcut &shortcut)
{
    argument.beginStructure();
    argument << shortcut.id << shortcut.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, PortalShortcut &shortcut)
{
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.properties;
    argument.endStructure();
    return argument;
}

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
const QString kSession = QStringLiteral("/org/freedesktop/portal/desktop/session/1/quillmere");

enum class Answer { Granted, Declined, Error };

// The desktop's portal, as GNOME's answers: CreateSession binds nothing, BindShortcuts binds
// what it is given. Counts the requests; the next CreateSession or BindShortcuts can be made to
// decline or fail.
class FakePortal final : public QDBusVirtualObject {
public:
    explicit FakePortal(QDBusConnection bus)
        : m_bus(std::move(bus))
    {
    }

    int creates = 0;
    int binds = 0;
    int closes = 0;
    Answer nextCreate = Answer::Granted;
    Answer nextBind = Answer::Granted;
    QStringList lastBound;

    QString introspect(const QString &) const override { return {}; }

    bool handleMessage(const QDBusMessage &message, const QDBusConnection &) override
    {
        const QString member = message.member();
        if (message.interface() == QLatin1String("org.freedesktop.DBus.Properties")) {
            m_bus.send(message.createReply(QVariant::fromValue(QDBusVariant(uint(1)))));
            return true;
        }
        if (message.interface() == QLatin1String("org.freedesktop.portal.Session")) {
            ++closes;
            m_bus.send(message.createReply());
            return true;
        }
        if (member == QLatin1String("CreateSession")) {
            ++creates;
            const QVariantMap options = qdbus_cast<QVariantMap>(message.arguments().at(0));
            answer(message, options, std::exchange(nextCreate, Answer::Granted),
                {{QStringLiteral("session_handle"), kSession}});
            return true;
        }
        if (member == QLatin1String("BindShortcuts")) {
            ++binds;
            const PortalShortcuts wanted = qdbus_cast<PortalShortcuts>(message.arguments().at(1));
            PortalShortcuts bound;
            lastBound.clear();
            for (PortalShortcut s : wanted) {
                s.properties.insert(QStringLiteral("trigger_description"), QString(s.id + u'!'));
                bound.append(s);
                lastBound.append(s.id);
            }
            const QVariantMap options = qdbus_cast<QVariantMap>(message.arguments().at(3));
            answer(message, options, std::exchange(nextBind, Answer::Granted),
                {{QStringLiteral("shortcuts"), QVariant::fromValue(bound)}});
            return true;
        }
        m_bus.send(message.createErrorReply(QDBusError::UnknownMethod, member));
        return true;
    }

    void activate(const QString &id)
    {
        QDBusMessage signal
            = QDBusMessage::createSignal(kPath, kInterface, QStringLiteral("Activated"));
        signal << QVariant::fromValue(QDBusObjectPath(kSession)) << id << quint64(0)
               << QVariantMap();
        m_bus.send(signal);
    }

private:
    void answer(const QDBusMessage &message, const QVariantMap &options, Answer how,
        const QVariantMap &results)
    {
        if (how == Answer::Error) {
            m_bus.send(message.createErrorReply(QDBusError::AccessDenied, QStringLiteral("no")));
            return;
        }
        QString sender = message.service().mid(1);
        sender.replace(u'.', u'_');
        const QString request
            = QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2")
                  .arg(sender, options.value(QStringLiteral("handle_token")).toString());
        m_bus.send(message.createReply(QVariant::fromValue(QDBusObjectPath(request))));
        const uint code = how == Answer::Granted ? 0 : 1;
        QDBusConnection bus = m_bus;
        // The answer comes after the reply, as a desktop's does.
        QTimer::singleShot(0, this, [bus, request, code, results]() mutable {
            QDBusMessage response = QDBusMessage::createSignal(request,
                QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"));
            response << code << (code == 0 ? results : QVariantMap());
            bus.send(response);
        });
    }

    QDBusConnection m_bus;
};

// The X11 grab underneath: records what it holds.
class FakeFallback final : public HotKeyBackend {
public:
    explicit FakeFallback(std::map<quint32, bool> &held)
        : m_held(held)
    {
    }
    void install(Dispatch, StatusChanged) override { }
    GrabStatus grab(quint32 id, const HotKeyChord &) override
    {
        m_held[id] = true;
        return GrabStatus::Granted;
    }
    void release(quint32 id) override { m_held[id] = false; }

private:
    std::map<quint32, bool> &m_held;
};

HotKeyChord named(const char *name)
{
    return {{keysym::kP}, kHotKeyControl | kHotKeyAlt, false, QString::fromLatin1(name),
        QStringLiteral("a shortcut")};
}

} // namespace

Q_DECLARE_METATYPE(Answer)

class TestHotKeysPortal : public QObject {
    Q_OBJECT

private:
    struct Rig {
        std::map<quint32, bool> held;
        std::map<quint32, GrabStatus> status;
        QList<quint32> pressed;
        std::unique_ptr<HotKeyBackend> backend;

        explicit Rig()
            : backend(createPortalHotKeyBackend(std::make_unique<FakeFallback>(held)))
        {
            backend->install([this](quint32 id) { pressed.append(id); },
                [this](quint32 id, GrabStatus s) { status[id] = s; });
        }
        void grab(quint32 id, const HotKeyChord &chord) { status[id] = backend->grab(id, chord); }
    };

    QProcess m_daemon;
    FakePortal *m_portal = nullptr;

    void reset()
    {
        m_portal->creates = m_portal->binds = m_portal->closes = 0;
        m_portal->nextCreate = m_portal->nextBind = Answer::Granted;
    }

    // Seven shortcuts and the reserved clicker pair, bound through the portal.
    void bindAll(Rig &rig)
    {
        rig.backend->setReserved(named("page-down"), true);
        rig.backend->setReserved(named("page-up"), true);
        for (quint32 id = 1; id <= 7; ++id)
            rig.grab(id, named(QByteArray("key-" + QByteArray::number(id)).constData()));
        QTRY_VERIFY(rig.backend->settled());
        QCOMPARE(m_portal->binds, 1);
        QCOMPARE(m_portal->lastBound.size(), 9);
        for (quint32 id = 1; id <= 7; ++id) {
            QCOMPARE(rig.status[id], GrabStatus::Granted);
            QVERIFY(!rig.held[id]);
        }
    }

private Q_SLOTS:
    void initTestCase()
    {
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (daemon.isEmpty())
            QSKIP("dbus-daemon is not installed (package dbus-daemon)");
        m_daemon.start(daemon,
            {QStringLiteral("--session"), QStringLiteral("--nofork"),
                QStringLiteral("--print-address=1")});
        QVERIFY(m_daemon.waitForReadyRead(10000));
        const QByteArray address = m_daemon.readLine().trimmed();
        QVERIFY(!address.isEmpty());
        // Before anything in this process opens the session bus.
        qputenv("DBUS_SESSION_BUS_ADDRESS", address);
        qDBusRegisterMetaType<PortalShortcut>();
        qDBusRegisterMetaType<PortalShortcuts>();
        QDBusConnection bus
            = QDBusConnection::connectToBus(QString::fromUtf8(address), QStringLiteral("portal"));
        QVERIFY(bus.isConnected());
        m_portal = new FakePortal(bus);
        QVERIFY(bus.registerVirtualObject(kPath, m_portal, QDBusConnection::SubPath));
        QVERIFY(bus.registerService(kService));
    }

    void cleanupTestCase()
    {
        if (m_daemon.state() != QProcess::NotRunning) {
            m_daemon.terminate();
            m_daemon.waitForFinished(5000);
        }
    }

    void init() { reset(); }

    // The clicker pair comes and goes with the prompter without a new session or bind; its
    // presses reach the program only while it is held.
    void reservedPairStaysBound()
    {
        Rig rig;
        bindAll(rig);
        const int creates = m_portal->creates;
        for (quint32 round = 0; round < 3; ++round) {
            const quint32 down = 10 + 2 * round;
            rig.grab(down, named("page-down"));
            rig.grab(down + 1, named("page-up"));
            QCOMPARE(rig.status[down], GrabStatus::Granted);
            QVERIFY(!rig.held[down]);
            m_portal->activate(QStringLiteral("page-down"));
            QTRY_COMPARE(rig.pressed.size(), 1);
            QCOMPARE(rig.pressed.takeFirst(), down);
            rig.backend->suspend(down);
            rig.backend->suspend(down + 1);
            // Ignored while suspended; the next press of a held key still comes through.
            m_portal->activate(QStringLiteral("page-down"));
            m_portal->activate(QStringLiteral("key-1"));
            QTRY_COMPARE(rig.pressed.size(), 1);
            QCOMPARE(rig.pressed.takeFirst(), 1u);
            QVERIFY(rig.backend->settled());
        }
        QCOMPARE(m_portal->creates, creates);
        QCOMPARE(m_portal->binds, 1);

        // The setting off: the pair leaves the desktop's list.
        rig.backend->setReserved(named("page-down"), false);
        rig.backend->setReserved(named("page-up"), false);
        QTRY_VERIFY(rig.backend->settled());
        QTRY_COMPARE(m_portal->binds, 2);
        QCOMPARE(m_portal->lastBound.size(), 7);
    }

    void refusedRebindTakesTheKeysBack_data()
    {
        QTest::addColumn<bool>("atCreate");
        QTest::addColumn<Answer>("answer");

        QTest::newRow("session declined") << true << Answer::Declined;
        QTest::newRow("session failed") << true << Answer::Error;
        QTest::newRow("bind declined") << false << Answer::Declined;
        QTest::newRow("bind failed") << false << Answer::Error;
    }

    // A later change needs a new session; when the desktop refuses it, the keys it had bound
    // may be gone, so the X11 grab holds them again and says so.
    void refusedRebindTakesTheKeysBack()
    {
        QFETCH(bool, atCreate);
        QFETCH(Answer, answer);

        Rig rig;
        bindAll(rig);
        (atCreate ? m_portal->nextCreate : m_portal->nextBind) = answer;
        rig.grab(8, named("extra"));
        QTRY_VERIFY(rig.backend->settled());
        for (quint32 id = 1; id <= 8; ++id) {
            QCOMPARE(rig.status[id], GrabStatus::X11Only);
            QVERIFY(rig.held[id]);
            QVERIFY(rig.backend->assignedKeys(id).isEmpty());
        }
        // From now on keys come and go as X11 grabs.
        rig.grab(9, named("page-down"));
        QVERIFY(rig.held[9]);
        rig.backend->suspend(9);
        QVERIFY(!rig.held[9]);
    }
};

QTEST_GUILESS_MAIN(TestHotKeysPortal)
#include "tst_hot_keys_portal.moc"
