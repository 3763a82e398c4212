// SPDX-License-Identifier: GPL-3.0-or-later
#include "main_window/import.h"
#include "store/store.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace qm;

class TestImport final : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString write(const QString &name, const QByteArray &bytes)
    {
        const QString path = m_dir.filePath(name);
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            qFatal("cannot write the test file");
        return path;
    }

private Q_SLOTS:
    void title_data();
    void title();
    void content_data();
    void content();
    void sizeLimit();
    void missingFile();
    void importGoesToTopAndIsSelected();
    void failedImportChangesNothing();
};

void TestImport::title_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("title");
    QTest::newRow("one extension") << "notes.md"
                                   << "notes";
    QTest::newRow("only the last extension") << "talk.final.txt"
                                             << "talk.final";
    QTest::newRow("no extension") << "README"
                                  << "README";
    QTest::newRow("hidden file") << ".notes"
                                 << ".notes";
    QTest::newRow("hidden file with extension") << ".notes.txt"
                                                << ".notes";
    QTest::newRow("spaces and accents") << "Café talk v2.txt"
                                        << "Café talk v2";
    QTest::newRow("directory dots are not the name's") << "a.b/plain"
                                                       << "plain";
}

void TestImport::title()
{
    QFETCH(QString, name);
    QFETCH(QString, title);
    QCOMPARE(scriptTitleForFile(QStringLiteral("/some/dir/") + name), title);
}

void TestImport::content_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("text");
    QTest::newRow("ascii") << QByteArray("Hello\nworld") << true << "Hello\nworld";
    QTest::newRow("empty file") << QByteArray() << true << "";
    QTest::newRow("multibyte") << QByteArray("caf\xc3\xa9 \xe2\x80\x94 \xf0\x9f\x8e\xac") << true
                               << QString::fromUtf8("café — 🎬");
    QTest::newRow("crlf kept") << QByteArray("#A\r\nb\r\n") << true << "#A\r\nb\r\n";
    QTest::newRow("bom dropped") << QByteArray("\xef\xbb\xbfHi") << true << "Hi";
    QTest::newRow("latin-1 byte") << QByteArray("caf\xe9") << false << "";
    QTest::newRow("stray continuation") << QByteArray("a\x80z") << false << "";
    QTest::newRow("overlong slash") << QByteArray("\xc0\xaf") << false << "";
    QTest::newRow("encoded surrogate") << QByteArray("\xed\xa0\x80") << false << "";
    QTest::newRow("cut-off sequence") << QByteArray("ok \xe2\x80") << false << "";
    QTest::newRow("utf-16 file") << QByteArray("\xff\xfeH\0i\0", 6) << false << "";
}

void TestImport::content()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, accepted);
    QFETCH(QString, text);
    const std::optional<Script> script = readScriptFile(write(QStringLiteral("in.txt"), bytes));
    QCOMPARE(script.has_value(), accepted);
    if (script) {
        QCOMPARE(script->text, text);
        QCOMPARE(script->title, QStringLiteral("in"));
    }
}

void TestImport::sizeLimit()
{
    QByteArray bytes(kMaxImportBytes, 'a');
    QVERIFY(readScriptFile(write(QStringLiteral("limit.txt"), bytes)).has_value());
    bytes.append('a');
    QVERIFY(!readScriptFile(write(QStringLiteral("over.txt"), bytes)).has_value());
}

void TestImport::missingFile()
{
    QVERIFY(!readScriptFile(m_dir.filePath(QStringLiteral("absent.txt"))).has_value());
    QVERIFY(!readScriptFile(m_dir.path()).has_value());
}

void TestImport::importGoesToTopAndIsSelected()
{
    QTemporaryDir data;
    Store store(data.path());
    const QUuid before = store.scripts().first().id;
    const qsizetype count = store.scripts().size();
    QVERIFY(importScriptFile(store, write(QStringLiteral("notes.md"), "# Intro\nHello there")));
    QCOMPARE(store.scripts().size(), count + 1);
    const Script &added = store.scripts().first();
    QCOMPARE(added.title, QStringLiteral("notes"));
    QCOMPARE(added.text, QStringLiteral("# Intro\nHello there"));
    QVERIFY(added.id != before);
    QCOMPARE(store.selectedID(), std::optional<QUuid>(added.id));
    QCOMPARE(store.scripts().at(1).id, before);
    QVERIFY(store.savePending());
}

void TestImport::failedImportChangesNothing()
{
    QTemporaryDir data;
    Store store(data.path());
    store.save();
    const QList<Script> scripts = store.scripts();
    const std::optional<QUuid> selected = store.selectedID();
    QVERIFY(!importScriptFile(store, write(QStringLiteral("bad.txt"), "\xff\xfe\xfd")));
    QVERIFY(!importScriptFile(store, m_dir.filePath(QStringLiteral("absent.txt"))));
    QCOMPARE(store.scripts(), scripts);
    QCOMPARE(store.selectedID(), selected);
    QVERIFY(!store.savePending());
}

QTEST_GUILESS_MAIN(TestImport)
#include "tst_import.moc"
