// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/sections.h"
#include "store/store.h"
#include "support/manual_save_timers.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <limits>

#include <sys/mount.h>
#include <unistd.h>

using namespace qm;

namespace {

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList asideFiles(const QString &dir, const QString &base)
{
    return QDir(dir).entryList({base + QStringLiteral(".unreadable-*")}, QDir::Files);
}

const QByteArray kValidScripts = "[{\"id\":\"6F1C2A4E-9B7D-4C3A-8E21-0A1B2C3D4E5F\","
                                 "\"title\":\"Mine\",\"text\":\"# A\\nbody\"}]";

} // namespace

class TestStore : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // As the application tells it on this desktop, which cannot hide windows from captures.
    void initTestCase()
    {
        Store::setDesktopTraits({false,
            QStringLiteral("Scripts never leave this computer. In a "
                           "call, share a window, not your screen. They see your slides. You see "
                           "your notes.")});
    }

    void firstRunHasTheWelcomeScriptAndWritesNothing()
    {
        QTemporaryDir tmp;
        const QString dir = tmp.path() + QStringLiteral("/Quillmere");
        Store store(dir);
        QCOMPARE(store.scripts().size(), 1);
        const Script &welcome = store.scripts().first();
        QCOMPARE(welcome.title, QStringLiteral("Welcome to Quillmere"));
        QCOMPARE(welcome.text.count(u'\n'), 12);
        QVERIFY(!welcome.text.endsWith(u'\n'));
        QVERIFY(welcome.text.contains(QStringLiteral("Ctrl Alt and Page Up or Page Down")));
        // No desktop here keeps the prompter out of captures: the welcome claims nothing of the
        // kind, and the switch starts off.
        QVERIFY(welcome.text.endsWith(QStringLiteral(
            "\n# Private\nScripts never leave this "
            "computer. In a call, share a window, not your screen. They see your slides. You see "
            "your notes.")));
        QVERIFY(!welcome.text.contains(QStringLiteral("hidden")));
        QVERIFY(!store.settings().hideFromSharing);
        const auto stats = scriptStats(welcome.text);
        QCOMPARE(stats.cues.size(), 4);
        QCOMPARE(stats.cues.at(3).cue, std::optional<QString>(QStringLiteral("Private")));
        QCOMPARE(store.selectedID(), std::optional<QUuid>(welcome.id));
        QVERIFY(store.settings() == Store::defaultSettings());
        QVERIFY(!store.savePending());
        QVERIFY(QFileInfo(dir).isDir());
        QCOMPARE(QFileInfo(dir).permissions() & 0x7077,
            QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QCOMPARE(QDir(dir).entryList(QDir::Files).size(), 0);
    }

    void loadsValidFiles()
    {
        QTemporaryDir tmp;
        writeFile(tmp.filePath(QStringLiteral("scripts.json")), kValidScripts);
        writeFile(
            tmp.filePath(QStringLiteral("settings.json")), "{\"speed\":50,\"mode\":\"floating\"}");
        Store store(tmp.path());
        QCOMPARE(store.scripts().size(), 1);
        QCOMPARE(store.scripts().first().title, QStringLiteral("Mine"));
        QCOMPARE(store.selectedIndex(), std::optional<qsizetype>(0));
        QCOMPARE(store.settings().speed, 50.0);
        QCOMPARE(store.settings().mode, PrompterMode::Floating);
        QCOMPARE(store.settings().fontSize, 19.0);
    }

    void unusableScriptsGiveTheWelcomeScript_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("keptAside");
        QTest::newRow("empty array") << QByteArray("[]") << false;
        QTest::newRow("element without title")
            << QByteArray("[{\"id\":\"6F1C2A4E-9B7D-4C3A-8E21-0A1B2C3D4E5F\",\"text\":\"x\"}]")
            << true;
        QTest::newRow("truncated") << kValidScripts.left(30) << true;
        QTest::newRow("not JSON") << QByteArray("\x89PNG\r\n\x1a\n random", 16) << true;
        QTest::newRow("an object") << QByteArray("{}") << true;
        QTest::newRow("invalid UTF-8 inside a string") << QByteArray("[\"\xc3\x28\"]") << true;
        QTest::newRow("deeply nested") << QByteArray(5000, '[') << true;
    }
    void unusableScriptsGiveTheWelcomeScript()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, keptAside);
        QTemporaryDir tmp;
        const QString path = tmp.filePath(QStringLiteral("scripts.json"));
        writeFile(path, bytes);
        QString keptAs;
        {
            Store store(tmp.path());
            QCOMPARE(store.scripts().size(), 1);
            QCOMPARE(store.scripts().first().title, QStringLiteral("Welcome to Quillmere"));
            // Loading leaves the file as it was, but already knows the name it will keep.
            QCOMPARE(readFile(path), bytes);
            QCOMPARE(store.unusableScripts().has_value(), keptAside);
            QVERIFY(!store.unusableSettings());
            QSignalSpy moved(&store, &Store::unusableFilesChanged);
            if (keptAside) {
                QCOMPARE(store.unusableScripts()->path, path);
                QVERIFY(!store.unusableScripts()->moved);
                keptAs = store.unusableScripts()->keptAs;
            }
            QVERIFY(store.save());
            QCOMPARE(moved.size(), keptAside ? 1 : 0);
            if (keptAside) {
                QVERIFY(store.unusableScripts()->moved);
                QCOMPARE(store.unusableScripts()->keptAs, keptAs);
            }
        }
        const QStringList aside = asideFiles(tmp.path(), QStringLiteral("scripts.json"));
        QCOMPARE(aside.size(), keptAside ? 1 : 0);
        if (keptAside) {
            QCOMPARE(tmp.filePath(aside.first()), keptAs);
            QCOMPARE(readFile(tmp.filePath(aside.first())), bytes);
            QVERIFY(aside.first().contains(
                QRegularExpression(QStringLiteral("\\.unreadable-\\d{8}-\\d{6}$"))));
        }
        QVERIFY(decodeScripts(readFile(path)).has_value());
    }

    void unreadableSettingsAreKeptAsideToo()
    {
        QTemporaryDir tmp;
        const QString path = tmp.filePath(QStringLiteral("settings.json"));
        writeFile(path, "[1,2]");
        Store store(tmp.path());
        QVERIFY(store.settings() == Store::defaultSettings());
        QVERIFY(store.save());
        QCOMPARE(asideFiles(tmp.path(), QStringLiteral("settings.json")).size(), 1);
        // Only the first save moves it; later saves just write.
        QVERIFY(store.save());
        QCOMPARE(asideFiles(tmp.path(), QStringLiteral("settings.json")).size(), 1);
        QVERIFY(QJsonDocument::fromJson(readFile(path)).isObject());
    }

    void somethingThatCannotBeReadIsMovedAsideNotDestroyed()
    {
        // A directory where the file should be: present, but not readable as a file.
        QTemporaryDir tmp;
        const QString path = tmp.filePath(QStringLiteral("scripts.json"));
        QVERIFY(QDir().mkpath(path));
        writeFile(path + QStringLiteral("/inside"), kValidScripts);
        Store store(tmp.path());
        QCOMPARE(store.scripts().first().title, QStringLiteral("Welcome to Quillmere"));
        QVERIFY(store.save());
        const QStringList aside = asideFiles(tmp.path(), QStringLiteral("scripts.json"));
        QCOMPARE(QDir(tmp.path())
                     .entryList({QStringLiteral("scripts.json.unreadable-*")},
                         QDir::Dirs | QDir::NoDotAndDotDot)
                     .size(),
            1);
        QVERIFY(QFileInfo(path).isFile());
        QVERIFY(aside.isEmpty());
    }

    void burstOfChangesSavesOnce()
    {
        QTemporaryDir tmp;
        testing::ManualSaveTimers clock;
        Store store(tmp.path(), clock.factory());
        QSignalSpy saved(&store, &Store::saved);
        const QUuid id = store.scripts().first().id;
        for (int i = 0; i < 3; ++i) {
            store.setScriptText(id, QStringLiteral("text %1").arg(i));
            clock.advance(100);
        }
        QCOMPARE(saved.size(), 0);
        // 0.4 s after the first change, not after the last.
        clock.advance(Store::kSaveDelayMs - 300);
        QCOMPARE(saved.size(), 1);
        clock.advance(Store::kRetryDelayMs * 2);
        QCOMPARE(saved.size(), 1);
        const auto onDisk = decodeScripts(readFile(store.scriptsPath()));
        QVERIFY(onDisk);
        QCOMPARE(onDisk->first().text, QStringLiteral("text 2"));
    }

    void steadyTypingStillReachesTheDisk()
    {
        // Changes every 0.1 s for 1.6 s never leave a 0.4 s pause; they must be saved anyway.
        QTemporaryDir tmp;
        testing::ManualSaveTimers clock;
        Store store(tmp.path(), clock.factory());
        QSignalSpy saved(&store, &Store::saved);
        const QUuid id = store.scripts().first().id;
        for (int i = 0; i < 16; ++i) {
            store.setScriptText(id, QStringLiteral("typed %1").arg(i));
            clock.advance(100);
        }
        QCOMPARE(saved.size(), 4);
        QVERIFY(readFile(store.scriptsPath()).contains("typed 1"));
    }

    void selectionAloneNeverWrites()
    {
        QTemporaryDir tmp;
        testing::ManualSaveTimers clock;
        Store store(tmp.path(), clock.factory());
        store.addScript();
        store.save();
        QSignalSpy saved(&store, &Store::saved);
        store.setSelectedID(store.scripts().last().id);
        store.setSelectedID(std::nullopt);
        QVERIFY(!store.savePending());
        clock.advance(Store::kSaveDelayMs + 100);
        QCOMPARE(saved.size(), 0);
        QCOMPARE(store.selectedIndex(), std::nullopt);
        store.setSelectedID(QUuid::createUuid());
        QCOMPARE(store.selectedIndex(), std::nullopt);
    }

    void addScriptGoesFirstAndIsSelected()
    {
        QTemporaryDir tmp;
        Store store(tmp.path());
        store.addScript();
        QCOMPARE(store.scripts().size(), 2);
        store.addScript();
        QCOMPARE(store.scripts().size(), 3);
        const Script &first = store.scripts().first();
        QCOMPARE(first.title, QStringLiteral("Untitled script"));
        QVERIFY(first.text.isEmpty());
        QCOMPARE(store.selectedID(), std::optional<QUuid>(first.id));
        QVERIFY(store.savePending());
    }

    void deleteRules()
    {
        QTemporaryDir tmp;
        Store store(tmp.path());
        const QUuid c = store.scripts().first().id;
        store.addScript();
        const QUuid b = store.scripts().first().id;
        store.addScript();
        const QUuid a = store.scripts().first().id; // list is A, B, C

        store.setSelectedID(b);
        store.deleteScript(b);
        QCOMPARE(store.scripts().size(), 2);
        QCOMPARE(store.scripts().at(0).id, a);
        QCOMPARE(store.scripts().at(1).id, c);
        QCOMPARE(store.selectedID(), std::optional<QUuid>(a));

        store.setSelectedID(c);
        store.deleteScript(a);
        QCOMPARE(store.selectedID(), std::optional<QUuid>(c));

        store.deleteScript(QUuid::createUuid()); // unknown id: nothing changes
        QCOMPARE(store.scripts().size(), 1);

        store.deleteScript(c);
        QCOMPARE(store.scripts().size(), 1);
        const Script &fresh = store.scripts().first();
        QVERIFY(fresh.id != c);
        QCOMPARE(fresh.title, QStringLiteral("Untitled script"));
        QCOMPARE(store.selectedID(), std::optional<QUuid>(fresh.id));
    }

    void restoringADeletedScript_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("deleteAt");
        QTest::addColumn<int>("selectedAt"); // -1: none
        QTest::addColumn<bool>("touchPlaceholder");
        QTest::newRow("the selected one, in the middle") << 3 << 1 << 1 << false;
        QTest::newRow("another than the selected") << 3 << 2 << 0 << false;
        QTest::newRow("the first") << 3 << 0 << 2 << false;
        QTest::newRow("the last one left") << 1 << 0 << 0 << false;
        QTest::newRow("the last one, placeholder typed in") << 1 << 0 << 0 << true;
        QTest::newRow("with nothing selected") << 2 << 1 << -1 << false;
    }
    void restoringADeletedScript()
    {
        QFETCH(int, count);
        QFETCH(int, deleteAt);
        QFETCH(int, selectedAt);
        QFETCH(bool, touchPlaceholder);
        QTemporaryDir tmp;
        testing::ManualSaveTimers clock;
        Store store(tmp.path(), clock.factory());
        QList<Script> list;
        for (int i = 0; i < count; ++i)
            list.append(
                Script(QStringLiteral("Script %1").arg(i), QStringLiteral("text %1").arg(i)));
        store.setScripts(list);
        store.setSelectedID(selectedAt < 0 ? std::nullopt : std::optional(list.at(selectedAt).id));
        const std::optional<QUuid> selectedBefore = store.selectedID();

        const auto deleted = store.deleteScript(list.at(deleteAt).id);
        QVERIFY(deleted);
        QCOMPARE(deleted->index, deleteAt);
        QCOMPARE(store.scripts().size(), std::max(count - 1, 1));
        if (touchPlaceholder)
            store.setScriptText(store.scripts().first().id, QStringLiteral("mine now"));
        const QList<Script> afterDelete = store.scripts();

        QVERIFY(store.restoreScript(*deleted));
        // Back at its place with its id, title and text; the untouched placeholder is gone.
        QList<Script> expected = list;
        if (touchPlaceholder)
            expected.append(afterDelete.first());
        QCOMPARE(store.scripts().size(), expected.size());
        for (qsizetype i = 0; i < expected.size(); ++i) {
            QCOMPARE(store.scripts().at(i).id, expected.at(i).id);
            QCOMPARE(store.scripts().at(i).text, expected.at(i).text);
        }
        QCOMPARE(store.selectedID(), selectedBefore);
        // Restoring twice changes nothing.
        QVERIFY(!store.restoreScript(*deleted));
        QCOMPARE(store.scripts().size(), expected.size());

        clock.advance(Store::kSaveDelayMs);
        const auto onDisk = decodeScripts(readFile(store.scriptsPath()));
        QVERIFY(onDisk);
        QCOMPARE(onDisk->size(), expected.size());
        QCOMPARE(onDisk->at(deleteAt).id, list.at(deleteAt).id);
        QCOMPARE(onDisk->at(deleteAt).title, list.at(deleteAt).title);
    }

    void deletingAnUnselectedLastScriptKeepsNoSelection()
    {
        QTemporaryDir tmp;
        Store store(tmp.path());
        store.setSelectedID(std::nullopt);
        store.deleteScript(store.scripts().first().id);
        QCOMPARE(store.scripts().size(), 1);
        QCOMPARE(store.selectedID(), std::nullopt);
    }

    void nonFiniteSettingSkipsOnlyTheSettingsFile()
    {
        QTemporaryDir tmp;
        Store store(tmp.path());
        store.save();
        const QByteArray before = readFile(store.settingsPath());
        Settings s = store.settings();
        s.speed = std::numeric_limits<double>::infinity();
        store.setSettings(s);
        store.setScriptText(store.scripts().first().id, QStringLiteral("new words"));
        QVERIFY(!store.save());
        QCOMPARE(readFile(store.settingsPath()), before);
        QCOMPARE(decodeScripts(readFile(store.scriptsPath()))->first().text,
            QStringLiteral("new words"));
    }

    void filesAreCompactPrivateAndReadBack()
    {
        QTemporaryDir tmp;
        QUuid id;
        {
            Store store(tmp.path());
            id = store.scripts().first().id;
            store.setScriptTitle(id, QStringLiteral("Talk \u00E9\u2014"));
            Settings s = store.settings();
            s.floatingFrame = QList<double> {10, 20, 560, 240};
            store.setSettings(s);
            QVERIFY(store.save());
            for (const QString &path : {store.scriptsPath(), store.settingsPath()}) {
                QCOMPARE(QFileInfo(path).permissions() & 0x7077,
                    QFileDevice::ReadOwner | QFileDevice::WriteOwner);
                QVERIFY(!readFile(path).contains('\n'));
            }
            QCOMPARE(QJsonDocument::fromJson(readFile(store.settingsPath())).object().size(), 18);
            QVERIFY(readFile(store.scriptsPath()).contains("Talk \xc3\xa9\xe2\x80\x94"));
        }
        Store again(tmp.path());
        QCOMPARE(again.scripts().first().id, id);
        QCOMPARE(again.scripts().first().title, QStringLiteral("Talk \u00E9\u2014"));
        QCOMPARE(again.settings().floatingFrame,
            std::optional<QList<double>>(QList<double> {10, 20, 560, 240}));
        QCOMPARE(QDir(tmp.path()).entryList(QDir::Files).size(), 2);
    }

    void scriptsSharingAnIdAreDeletedOneAtATime()
    {
        QTemporaryDir tmp;
        writeFile(tmp.filePath(QStringLiteral("scripts.json")),
            "[{\"id\":\"6F1C2A4E-9B7D-4C3A-8E21-0A1B2C3D4E5F\",\"title\":\"One\",\"text\":\"a\"},"
            "{\"id\":\"6f1c2a4e-9b7d-4c3a-8e21-0a1b2c3d4e5f\",\"title\":\"Two\",\"text\":\"b\"},"
            "{\"id\":\"6F1C2A4E-9B7D-4C3A-8E21-0A1B2C3D4E5F\",\"title\":\"Three\",\"text\":\"c\"}"
            "]");
        Store store(tmp.path());
        QCOMPARE(store.scripts().size(), 3);
        const QUuid first = store.scripts().at(0).id;
        QCOMPARE(uuidText(first), QStringLiteral("6F1C2A4E-9B7D-4C3A-8E21-0A1B2C3D4E5F"));
        QSet<QUuid> ids;
        for (const Script &s : store.scripts())
            ids.insert(s.id);
        QCOMPARE(ids.size(), 3);
        store.deleteScript(first);
        QCOMPARE(store.scripts().size(), 2);
        QCOMPARE(store.scripts().at(0).title, QStringLiteral("Two"));
        QCOMPARE(store.scripts().at(0).text, QStringLiteral("b"));
        QCOMPARE(store.scripts().at(1).title, QStringLiteral("Three"));
    }

    void aFailedSaveIsReportedAndTriedAgain()
    {
        QTemporaryDir tmp;
        testing::ManualSaveTimers clock;
        Store store(tmp.path(), clock.factory());
        const QUuid id = store.scripts().first().id;
        QVERIFY(store.save());
        const QByteArray good = readFile(store.scriptsPath());

        QString refusal = QStringLiteral("no space left on device");
        int attempts = 0;
        store.setFileWriter([&](const QString &, const QByteArray &) {
            ++attempts;
            return refusal;
        });
        QSignalSpy saved(&store, &Store::saved);
        QSignalSpy failed(&store, &Store::saveFailed);
        store.setScriptText(id, QStringLiteral("words that must not be lost"));
        clock.advance(Store::kSaveDelayMs);
        QCOMPARE(failed.size(), 1);
        QCOMPARE(saved.size(), 0);
        QCOMPARE(failed.first().first().toString(), refusal);
        QCOMPARE(store.saveFailure(), std::optional<QString>(refusal));
        QCOMPARE(readFile(store.scriptsPath()), good);
        QCOMPARE(store.scripts().first().text, QStringLiteral("words that must not be lost"));

        // Without any further change it tries again by itself.
        attempts = 0;
        clock.advance(Store::kRetryDelayMs - 1);
        QCOMPARE(attempts, 0);
        clock.advance(1);
        QVERIFY(attempts > 0);
        QCOMPARE(failed.size(), 2);
        QCOMPARE(saved.size(), 0);

        // The next change saves at once when the disk takes it again.
        refusal.clear();
        store.setFileWriter({});
        store.setScriptTitle(id, QStringLiteral("Kept"));
        clock.advance(Store::kSaveDelayMs);
        QCOMPARE(saved.size(), 1);
        QCOMPARE(store.saveFailure(), std::nullopt);
        QCOMPARE(decodeScripts(readFile(store.scriptsPath()))->first().text,
            QStringLiteral("words that must not be lost"));
    }

    void aFullDiskLeavesTheLastGoodFileWhole()
    {
        if (geteuid() != 0)
            QSKIP("needs to mount a small tmpfs");
        QTemporaryDir tmp;
        const QByteArray path = tmp.path().toLocal8Bit();
        if (mount("tmpfs", path.constData(), "tmpfs", 0, "size=64k") != 0)
            QSKIP("cannot mount a tmpfs here");
        struct Unmount {
            QByteArray path;
            ~Unmount() { umount(path.constData()); }
        } unmount {path};

        Store store(tmp.path());
        const QUuid id = store.scripts().first().id;
        QVERIFY(store.save());
        const QByteArray good = readFile(store.scriptsPath());
        {
            QFile filler(tmp.filePath(QStringLiteral("filler")));
            QVERIFY(filler.open(QIODevice::WriteOnly));
            const QByteArray block(4096, 'x');
            while (filler.write(block) == block.size() && filler.flush()) { }
        }
        store.setScriptText(id, QString(40000, u'a'));
        const SaveResult result = store.save();
        QVERIFY(!result);
        QVERIFY2(result.failure.contains(QStringLiteral("space")), qPrintable(result.failure));
        QCOMPARE(readFile(store.scriptsPath()), good);
        QCOMPARE(QDir(tmp.path()).entryList(QDir::Files).size(), 3);

        QVERIFY(QFile::remove(tmp.filePath(QStringLiteral("filler"))));
        QVERIFY(store.save());
        QCOMPARE(decodeScripts(readFile(store.scriptsPath()))->first().text.size(), 40000);
    }

    void everyAssignmentNotifies()
    {
        QTemporaryDir tmp;
        Store store(tmp.path());
        QSignalSpy scripts(&store, &Store::scriptsChanged);
        QSignalSpy settings(&store, &Store::settingsChanged);
        store.setScripts(store.scripts());
        store.setSettings(store.settings());
        QCOMPARE(scripts.size(), 1);
        QCOMPARE(settings.size(), 1);
        QVERIFY(store.savePending());
    }
};

QTEST_GUILESS_MAIN(TestStore)
#include "tst_store.moc"
