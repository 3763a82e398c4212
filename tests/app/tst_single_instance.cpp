// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/single_instance.h"

#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <thread>

using namespace qm;

class TestSingleInstance : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { qputenv("XDG_RUNTIME_DIR", m_runtime.path().toUtf8()); }

    void argumentsSurviveTheTrip()
    {
        const QStringList args {
            QStringLiteral("--play-pause"), QStringLiteral("a b"), QStringLiteral("\u00E9\n\"x\"")};
        QCOMPARE(decodeArguments(encodeArguments(args)), args);
        QVERIFY(!encodeArguments(args).chopped(1).contains('\n'));
        QCOMPARE(decodeArguments("not json"), QStringList {});
    }

    void secondInstanceHandsOver()
    {
        QTemporaryDir data;
        SingleInstance first(data.path());
        QVERIFY(first.acquire());
        QVERIFY(first.listen());
        QSignalSpy received(&first, &SingleInstance::messageReceived);

        SingleInstance second(data.path());
        QVERIFY(!second.acquire());
        // The sender blocks while it waits for the answer, so it runs on another thread while
        // this one serves the socket.
        bool sent = false;
        std::thread sender([&] { sent = second.sendToPrimary({QStringLiteral("--toggle")}); });
        QTRY_COMPARE(received.size(), 1);
        sender.join();
        QVERIFY(sent);
        QCOMPARE(received.first().first().toStringList(), QStringList {QStringLiteral("--toggle")});

        // Another data folder is another instance.
        QTemporaryDir other;
        SingleInstance third(other.path());
        QVERIFY(third.acquire());
    }

    void noPrimaryMeansNoDelivery()
    {
        QTemporaryDir data;
        SingleInstance lone(data.path());
        QVERIFY(!lone.sendToPrimary({QStringLiteral("--toggle")}, 300));
    }

    void lockOfADeadProcessIsTakenOver()
    {
        QTemporaryDir data;
        {
            // Find where the lock lives, then fake one left by a process that has exited.
            SingleInstance probe(data.path());
            QVERIFY(probe.acquire());
        }
        QProcess gone;
        gone.start(QStringLiteral("true"));
        QVERIFY(gone.waitForFinished());
        const qint64 deadPid = gone.processId() ? gone.processId() : 999999;
        const QString lockPath = QString(SingleInstance(data.path()).socketPath())
                                     .replace(QStringLiteral(".socket"), QStringLiteral(".lock"));
        QFile lock(lockPath);
        QVERIFY(lock.open(QIODevice::WriteOnly));
        lock.write(QByteArray::number(deadPid) + "\nquillmere\n"
            + QSysInfo::machineHostName().toUtf8() + "\n");
        lock.close();

        SingleInstance next(data.path());
        QVERIFY(next.acquire());
    }

private:
    QTemporaryDir m_runtime;
};

QTEST_MAIN(TestSingleInstance)
#include "tst_single_instance.moc"
