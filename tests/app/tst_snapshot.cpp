// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/application.h"
#include "app/snapshot.h"
#include "ui/window_registry.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

using namespace qm;

class TestSnapshot : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void numbers_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << 0.0 << QStringLiteral("0.0");
        QTest::newRow("whole") << 800.0 << QStringLiteral("800.0");
        QTest::newRow("half") << 12.5 << QStringLiteral("12.5");
        QTest::newRow("negative") << -3.0 << QStringLiteral("-3.0");
        QTest::newRow("shortest round trip") << 0.1 << QStringLiteral("0.1");
        QTest::newRow("thirds") << 1.0 / 3.0 << QStringLiteral("0.3333333333333333");
    }
    void numbers()
    {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(formatFrameNumber(value), text);
        QCOMPARE(formatFrameNumber(value).toDouble(), value);
    }

    void lines()
    {
        QCOMPARE(windowLine(QStringLiteral("Quillmere"), true, false, QRectF(0, 0, 800, 600)),
            QStringLiteral("Quillmere visible=true mini=false frame=(0.0, 0.0, 800.0, 600.0)"));
        QCOMPARE(windowLine(QString(), false, true, QRectF(12.5, -3, 380, 182)),
            QStringLiteral(" visible=false mini=true frame=(12.5, -3.0, 380.0, 182.0)"));
        QCOMPARE(windowLine(QStringLiteral("A title with spaces"), true, false, QRectF()),
            QStringLiteral(
                "A title with spaces visible=true mini=false frame=(0.0, 0.0, 0.0, 0.0)"));
    }

    void rendersVisibleWindowsInRegistryOrder()
    {
        QWidget hidden;
        hidden.setWindowTitle(QStringLiteral("Hidden"));
        hidden.resize(300, 200);
        QWidget narrow;
        narrow.setWindowTitle(QStringLiteral("Narrow"));
        narrow.setFixedSize(60, 100);
        QWidget justWideEnough;
        justWideEnough.setWindowTitle(QStringLiteral("Wide enough"));
        justWideEnough.setFixedSize(61, 100);
        QWidget main;
        main.setWindowTitle(QStringLiteral("Quillmere"));
        main.resize(400, 300);
        main.setStyleSheet(QStringLiteral("background: #0B0B0D"));
        for (QWidget *w : {&main, &hidden, &narrow, &justWideEnough})
            WindowRegistry::add(w);
        main.show();
        narrow.show();
        justWideEnough.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));

        QTemporaryDir tmp;
        snapshot(tmp.path());
        QFile list(tmp.filePath(QStringLiteral("windows.txt")));
        QVERIFY(list.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = list.readAll().split('\n');
        QCOMPARE(lines.size(), 4);
        QVERIFY(lines.at(0).startsWith("Quillmere visible=true mini=false frame=("));
        QVERIFY(lines.at(1).startsWith("Hidden visible=false"));
        QVERIFY(lines.at(2).startsWith("Narrow visible=true"));
        const QStringList pngs
            = QDir(tmp.path()).entryList({QStringLiteral("*.png")}, QDir::Files, QDir::Name);
        QCOMPARE(pngs,
            (QStringList {
                QStringLiteral("window1-400x300.png"), QStringLiteral("window2-61x100.png")}));
        const QImage image(tmp.filePath(pngs.first()));
        QCOMPARE(image.size(), QSize(400, 300));
        QCOMPARE(image.pixelColor(200, 150), QColor(0x0B, 0x0B, 0x0D));
    }

    void missingDirectoryWritesNothing()
    {
        QTemporaryDir tmp;
        const QString missing = tmp.filePath(QStringLiteral("not-there"));
        snapshot(missing);
        QVERIFY(!QFileInfo::exists(missing));
    }
};

QTEST_MAIN(TestSnapshot)
#include "tst_snapshot.moc"
