// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/gnome_shortcuts.h"
#include "platform/hot_key_backend.h"

#include <QMap>
#include <QTest>

using namespace qm::platform;

namespace {

// The gsettings tool over an in-memory store: values kept as the GVariant text it was given.
struct FakeSettings {
    QMap<QString, QString> values; // "schema[:path] key" → text
    QMap<QString, QString> listings; // schema → list-recursively output
    int writes = 0;
    QString writable = QStringLiteral("true\n");
    bool toolWorks = true;

    GnomeShortcuts::Runner runner()
    {
        return [this](const QStringList &a, bool *ok) -> QString {
            *ok = toolWorks;
            const QString verb = a.value(0);
            if (verb == QLatin1String("writable"))
                return writable;
            if (verb == QLatin1String("get"))
                return values.value(a.value(1) + u' ' + a.value(2), QStringLiteral("''"));
            if (verb == QLatin1String("set")) {
                ++writes;
                values.insert(a.value(1) + u' ' + a.value(2), a.value(3));
                return {};
            }
            if (verb == QLatin1String("reset-recursively")) {
                ++writes;
                for (const QString &k : values.keys()) {
                    if (k.startsWith(a.value(1) + u' '))
                        values.remove(k);
                }
                return {};
            }
            if (verb == QLatin1String("list-recursively"))
                return listings.value(a.value(1));
            *ok = false;
            return {};
        };
    }
    QString list() const
    {
        return values.value(
            QStringLiteral("org.gnome.settings-daemon.plugins.media-keys custom-keybindings"));
    }
    void addUserShortcut(const QString &path, const QString &binding)
    {
        values.insert(
            QStringLiteral("org.gnome.settings-daemon.plugins.media-keys custom-keybindings"),
            QStringLiteral("['%1']").arg(path));
        values.insert(
            QStringLiteral(
                "org.gnome.settings-daemon.plugins.media-keys.custom-keybinding:%1 binding")
                .arg(path),
            GnomeShortcuts::quoted(binding));
    }
};

const QList<GnomeShortcuts::Shortcut> kOurs {
    {QStringLiteral("toggle"), QStringLiteral("Quillmere: Show or hide"),
        QStringLiteral("<Control><Alt>p"), QStringLiteral("'/usr/bin/quillmere' --toggle")},
    {QStringLiteral("restart"), QStringLiteral("Quillmere: Restart"),
        QStringLiteral("<Control><Alt>r"), QStringLiteral("'/usr/bin/quillmere' --restart")},
};

} // namespace

class TstGnomeShortcuts final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // gsettings answers "false" with success where the keys are locked.
    void offeredOnlyWhereWritable_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("works");
        QTest::addColumn<bool>("available");
        QTest::newRow("writable") << QStringLiteral("true\n") << true << true;
        QTest::newRow("locked") << QStringLiteral("false\n") << true << false;
        QTest::newRow("no such schema") << QString() << false << false;
    }
    void offeredOnlyWhereWritable()
    {
        QFETCH(QString, answer);
        QFETCH(bool, works);
        QFETCH(bool, available);
        FakeSettings fake;
        fake.writable = answer;
        fake.toolWorks = works;
        QCOMPARE(GnomeShortcuts(fake.runner()).available(), available);
    }

    void addingTwiceChangesNothingAndRemovingLeavesTheUsersOwn()
    {
        FakeSettings fake;
        const QString user = QStringLiteral(
            "/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/custom0/");
        fake.addUserShortcut(user, QStringLiteral("<Super>t"));
        GnomeShortcuts gnome(fake.runner());
        QVERIFY(gnome.available());

        GnomeShortcuts::Result r = gnome.add(kOurs);
        QVERIFY(r.ok);
        QCOMPARE(r.added, (QStringList {"toggle", "restart"}));
        QVERIFY(r.clashes.isEmpty());
        const QStringList paths = GnomeShortcuts::parseStrings(fake.list());
        QCOMPARE(paths,
            (QStringList {
                user, GnomeShortcuts::pathFor("toggle"), GnomeShortcuts::pathFor("restart")}));
        QCOMPARE(GnomeShortcuts::parseStrings(fake.values.value(
                     "org.gnome.settings-daemon.plugins.media-keys.custom-keybinding:"
                     + GnomeShortcuts::pathFor("toggle") + " command")),
            QStringList {"'/usr/bin/quillmere' --toggle"});
        QCOMPARE(gnome.installed(), (QStringList {"toggle", "restart"}));

        // Idempotent: the list is not touched again, nor does it grow.
        r = gnome.add(kOurs);
        QCOMPARE(r.added.size(), 2);
        QCOMPARE(GnomeShortcuts::parseStrings(fake.list()).size(), 3);

        QVERIFY(gnome.remove());
        QCOMPARE(GnomeShortcuts::parseStrings(fake.list()), QStringList {user});
        QVERIFY(gnome.installed().isEmpty());
        // The user's own entry is untouched.
        QVERIFY(fake.values.contains(
            "org.gnome.settings-daemon.plugins.media-keys.custom-keybinding:" + user + " binding"));
        QVERIFY(
            !fake.values.contains("org.gnome.settings-daemon.plugins.media-keys.custom-keybinding:"
                + GnomeShortcuts::pathFor("toggle") + " binding"));
        // Nothing of ours left: the list becomes the empty array, not an unparsable text.
        QVERIFY(gnome.remove());
    }

    // A chord the user or GNOME already uses is reported, never taken over.
    void clashesAreLeftAlone()
    {
        FakeSettings fake;
        const QString user = QStringLiteral(
            "/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/custom0/");
        fake.addUserShortcut(user, QStringLiteral("<Primary><Alt>P"));
        fake.listings.insert(QStringLiteral("org.gnome.desktop.wm.keybindings"),
            QStringLiteral(
                "org.gnome.desktop.wm.keybindings begin-move @as []\n"
                "org.gnome.desktop.wm.keybindings close ['<Alt>F4', '<Alt><Control>r']\n"));
        GnomeShortcuts gnome(fake.runner());
        const GnomeShortcuts::Result r = gnome.add(kOurs);
        QVERIFY(r.ok);
        QVERIFY(r.added.isEmpty());
        QCOMPARE(r.clashes, (QStringList {"toggle", "restart"}));
        QCOMPARE(GnomeShortcuts::parseStrings(fake.list()), QStringList {user});
        QCOMPARE(fake.writes, 0);
    }

    void acceleratorsAndStrings_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::newRow("primary is control") << "<Primary><Alt>p"
                                            << "<Alt><Control>P";
        QTest::newRow("ctrl") << "<Ctrl><Mod1>space"
                              << "<Control><Alt>space";
    }
    void acceleratorsAndStrings()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QCOMPARE(
            GnomeShortcuts::normalizedAccelerator(a), GnomeShortcuts::normalizedAccelerator(b));
        QVERIFY(GnomeShortcuts::normalizedAccelerator(QStringLiteral("<Shift>p"))
            != GnomeShortcuts::normalizedAccelerator(a));
        const QString odd = QStringLiteral("it's \\ odd");
        QCOMPARE(GnomeShortcuts::parseStrings(GnomeShortcuts::quoted(odd)), QStringList {odd});
        QCOMPARE(GnomeShortcuts::parseStrings(QStringLiteral("@as []")), QStringList {});
    }

    void portalTriggers()
    {
        namespace ks = keysym;
        const quint32 mods = kHotKeyControl | kHotKeyAlt;
        QCOMPARE(portalTrigger({{ks::kP}, mods}), QStringLiteral("CTRL+ALT+p"));
        QCOMPARE(portalTrigger({{ks::kPageDown}, mods}), QStringLiteral("CTRL+ALT+Page_Down"));
        // The first keysym names the chord: "=" is the main keyboard's plus key.
        QCOMPARE(portalTrigger({{ks::kEqual, ks::kPlus}, mods}), QStringLiteral("CTRL+ALT+equal"));
        QCOMPARE(portalTrigger({{ks::kPageUp}, 0}), QStringLiteral("Page_Up"));
        QCOMPARE(portalTrigger({{}, mods}), QString());
    }
};

QTEST_GUILESS_MAIN(TstGnomeShortcuts)
#include "tst_gnome_shortcuts.moc"
