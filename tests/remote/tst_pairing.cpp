// SPDX-License-Identifier: GPL-3.0-or-later
// The pairing link a follower is given, and the QR code a phone reads it from.
#include "model/settings.h"
#include "remote/auth_gate.h"
#include "remote/pairing_link.h"
#include "remote/qr_code_view.h"

#include <QTest>

using namespace qm;

class TestPairing final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void readsOnlyWellFormedLinks_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("taken");
        const QString token = QStringLiteral("0123456789abcdef0123456789abcdef");
        QTest::newRow("as shown") << "http://192.168.1.10:47800/#" + token << true;
        QTest::newRow("pasted with spaces") << "  http://10.0.0.2:48000/#" + token + "\n" << true;
        QTest::newRow("no port") << "http://192.168.1.10/#" + token << false;
        QTest::newRow("https") << "https://192.168.1.10:47800/#" + token << false;
        QTest::newRow("another scheme") << "file://192.168.1.10:47800/#" + token << false;
        QTest::newRow("short token") << QStringLiteral("http://192.168.1.10:47800/#0123") << false;
        QTest::newRow("upper-case token")
            << "http://192.168.1.10:47800/#" + token.toUpper() << false;
        QTest::newRow("no token") << QStringLiteral("http://192.168.1.10:47800/") << false;
        QTest::newRow("not a link") << QStringLiteral("follow me") << false;
    }

    void readsOnlyWellFormedLinks()
    {
        QFETCH(QString, text);
        QFETCH(bool, taken);
        const std::optional<PairingLink> link = parsePairingLink(text);
        QCOMPARE(bool(link), taken);
        if (link) {
            QCOMPARE(link->token, QStringLiteral("0123456789abcdef0123456789abcdef"));
            QVERIFY(link->base.path().isEmpty() && link->base.fragment().isEmpty());
            // What is shown reads back as itself.
            const QString again = pairingLink(link->base.host(), link->base.port(), link->token);
            QCOMPARE(parsePairingLink(again)->base, link->base);
        }
    }

    void tokensAreFreshAndWellFormed()
    {
        const QString a = makeRemoteToken();
        const QString b = makeRemoteToken();
        QVERIFY(isRemoteToken(a) && isRemoteToken(b));
        QVERIFY(a != b);
    }

    // The three finder squares sit in the corners a reader looks for them: the modules came out
    // of libqrencode the right way round.
    void qrCodeHasItsFinderPatterns()
    {
        const QrModules m = encodeQr(
            QStringLiteral("http://192.168.1.10:47800/#0123456789abcdef0123456789abcdef"));
        QVERIFY(m.size >= 21 && (m.size - 21) % 4 == 0);
        const int last = m.size - 1;
        for (const auto &[x, y] : {std::pair {0, 0}, {6, 6}, {last, 0}, {last - 6, 6}, {0, last}})
            QVERIFY(m.at(x, y));
        // The light ring inside each finder, and the light separator beside it.
        QVERIFY(!m.at(1, 1) && !m.at(7, 0) && !m.at(last - 1, 1) && !m.at(1, last - 1));
        QVERIFY(m.at(3, 3) && m.at(last - 3, 3) && m.at(3, last - 3));
    }
};

QTEST_MAIN(TestPairing)
#include "tst_pairing.moc"
