// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/script.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

using namespace qm;

class TestScript : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void writesUpperCaseCanonicalId()
    {
        const QUuid id = QUuid::fromString(QStringLiteral("6f1c2a4e-9b7d-4c3a-8e21-0a1b2c3d4e5f"));
        const QJsonObject o = Script(QStringLiteral("T"), QStringLiteral("x"), id).toJson();
        QCOMPARE(o.size(), 3);
        QCOMPARE(o.value(QStringLiteral("id")).toString(),
            QStringLiteral("6F1C2A4E-9B7D-4C3A-8E21-0A1B2C3D4E5F"));
    }

    void newScriptsHaveRandomIds()
    {
        const Script a;
        const Script b;
        QVERIFY(a.id != b.id);
        QCOMPARE(a.id.version(), QUuid::Random);
    }

    void strictElements_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<bool>("valid");
        const QByteArray id = "\"6F1C2A4E-9B7D-4C3A-8E21-0A1B2C3D4E5F\"";
        QTest::newRow("valid") << ("{\"id\":" + id + ",\"title\":\"a\",\"text\":\"b\"}") << true;
        QTest::newRow("lower-case id is a valid UUID") << QByteArray(
            "{\"id\":\"6f1c2a4e-9b7d-4c3a-8e21-0a1b2c3d4e5f\",\"title\":\"\",\"text\":\"\"}")
                                                       << true;
        QTest::newRow("extra keys ignored")
            << ("{\"id\":" + id + ",\"title\":\"a\",\"text\":\"b\",\"v\":2}") << true;
        QTest::newRow("missing title") << ("{\"id\":" + id + ",\"text\":\"b\"}") << false;
        QTest::newRow("missing text") << ("{\"id\":" + id + ",\"title\":\"b\"}") << false;
        QTest::newRow("title null")
            << ("{\"id\":" + id + ",\"title\":null,\"text\":\"b\"}") << false;
        QTest::newRow("text a number")
            << ("{\"id\":" + id + ",\"title\":\"a\",\"text\":3}") << false;
        QTest::newRow("id with braces") << QByteArray(
            "{\"id\":\"{6F1C2A4E-9B7D-4C3A-8E21-0A1B2C3D4E5F}\",\"title\":\"a\",\"text\":\"b\"}")
                                        << false;
        QTest::newRow("id without hyphens") << QByteArray(
            "{\"id\":\"6F1C2A4E9B7D4C3A8E210A1B2C3D4E5F\",\"title\":\"a\",\"text\":\"b\"}")
                                            << false;
        QTest::newRow("id too short") << QByteArray(
            "{\"id\":\"6F1C2A4E-9B7D-4C3A-8E21-0A1B2C3D4E5\",\"title\":\"a\",\"text\":\"b\"}")
                                      << false;
        QTest::newRow("id not hex") << QByteArray(
            "{\"id\":\"6F1C2A4E-9B7D-4C3A-8E21-0A1B2C3D4EZZ\",\"title\":\"a\",\"text\":\"b\"}")
                                    << false;
        QTest::newRow("id a number")
            << QByteArray("{\"id\":5,\"title\":\"a\",\"text\":\"b\"}") << false;
        QTest::newRow("not an object") << QByteArray("[\"x\"]") << false;
    }
    void strictElements()
    {
        QFETCH(QByteArray, json);
        QFETCH(bool, valid);
        const QJsonDocument doc = QJsonDocument::fromJson(json);
        const QJsonValue v = doc.isObject() ? QJsonValue(doc.object()) : QJsonValue(doc.array());
        QCOMPARE(Script::fromJson(v).has_value(), valid);
        // One bad element fails the whole file.
        const QByteArray file = "["
            + QJsonDocument(QJsonArray {Script().toJson()})
                  .toJson(QJsonDocument::Compact)
                  .mid(1)
                  .chopped(1)
            + "," + json + "]";
        QCOMPARE(decodeScripts(file).has_value(), valid);
    }

    void fileLevelFailures_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("truncated") << QByteArray("[{\"id\":\"6F1C2A4E-9B7D-4C3A-8E21-0A1B");
        QTest::newRow("an object") << QByteArray("{\"id\":\"x\"}");
        QTest::newRow("invalid UTF-8") << QByteArray("[\"\xff\xfe\"]");
        QTest::newRow("garbage") << QByteArray("\x00\x01\x02garbage", 10);
    }
    void fileLevelFailures()
    {
        QFETCH(QByteArray, bytes);
        QVERIFY(!decodeScripts(bytes));
    }

    void roundTripKeepsOrderAndText()
    {
        const QList<Script> scripts {
            Script(
                QStringLiteral("First"), QStringLiteral("# Hello\r\nline \"quoted\" \\ \u2028 ✓")),
            Script(QString(), QString()),
            Script(QStringLiteral("Ünïcødé"), QStringLiteral("\U0001F3A4 emoji")),
        };
        const QByteArray bytes = encodeScripts(scripts);
        QVERIFY(!bytes.contains('\n'));
        const auto back = decodeScripts(bytes);
        QVERIFY(back);
        QCOMPARE(back->size(), 3);
        for (int i = 0; i < 3; ++i)
            QVERIFY(back->at(i) == scripts.at(i));
        QCOMPARE(decodeScripts("[]")->size(), 0);
    }

    void equalityUsesCanonicalEquivalence()
    {
        const QUuid id = QUuid::createUuid();
        const Script composed(QStringLiteral("caf\u00E9"), QStringLiteral("\u00C5"), id);
        const Script decomposed(QStringLiteral("cafe\u0301"), QStringLiteral("A\u030A"), id);
        QVERIFY(composed == decomposed);
        QVERIFY(!(composed == Script(QStringLiteral("cafe"), QStringLiteral("\u00C5"), id)));
        QVERIFY(!(composed == Script(QStringLiteral("caf\u00E9"), QStringLiteral("\u00C5"))));
    }
};

QTEST_GUILESS_MAIN(TestScript)
#include "tst_script.moc"
