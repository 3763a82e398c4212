// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/remote_commands.h"
#include "app/single_instance.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <thread>

using namespace qm;

Q_DECLARE_METATYPE(std::optional<qm::Command>)

class TestRemoteCommands : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { qputenv("XDG_RUNTIME_DIR", m_runtime.path().toUtf8()); }

    void switches_data()
    {
        QTest::addColumn<QString>("argument");
        QTest::addColumn<std::optional<Command>>("command");
        QTest::newRow("toggle") << QStringLiteral("--toggle") << std::optional(Command::Toggle);
        QTest::newRow("play-pause")
            << QStringLiteral("--play-pause") << std::optional(Command::PlayPause);
        QTest::newRow("restart") << QStringLiteral("--restart") << std::optional(Command::Restart);
        QTest::newRow("faster") << QStringLiteral("--faster") << std::optional(Command::Faster);
        QTest::newRow("slower") << QStringLiteral("--slower") << std::optional(Command::Slower);
        QTest::newRow("next-cue") << QStringLiteral("--next-cue")
                                  << std::optional(Command::NextCue);
        QTest::newRow("previous-cue")
            << QStringLiteral("--previous-cue") << std::optional(Command::PreviousCue);
        QTest::newRow("show-window")
            << QStringLiteral("--show-window") << std::optional(Command::ShowWindow);
        QTest::newRow("case matters") << QStringLiteral("--Toggle") << std::optional<Command>();
        QTest::newRow("no prefix") << QStringLiteral("toggle") << std::optional<Command>();
        QTest::newRow("launch switch") << QStringLiteral("--start") << std::optional<Command>();
        QTest::newRow("with a value") << QStringLiteral("--faster=2") << std::optional<Command>();
    }
    void switches()
    {
        QFETCH(QString, argument);
        QFETCH(std::optional<Command>, command);
        QCOMPARE(commandFromSwitch(argument), command);
        if (command)
            QCOMPARE(commandSwitch(*command), argument);
    }

    // A later launch gets the running instance's answer back (what --list-shortcuts prints).
    void answerComesBack()
    {
        QTemporaryDir data;
        SingleInstance first(data.path());
        QVERIFY(first.acquire());
        QVERIFY(first.listen());
        first.setAnswer([](const QStringList &args) {
            return args.contains(QStringLiteral("--ask")) ? QStringLiteral("line 1\nline 2\n")
                                                          : QString();
        });
        QSignalSpy received(&first, &SingleInstance::messageReceived);

        SingleInstance second(data.path());
        QVERIFY(!second.acquire());
        bool sent = false;
        QString answer = QStringLiteral("untouched");
        std::thread asker(
            [&] { sent = second.sendToPrimary({QStringLiteral("--ask")}, 3000, &answer); });
        QTRY_COMPARE(received.size(), 1);
        asker.join();
        QVERIFY(sent);
        QCOMPARE(answer, QStringLiteral("line 1\nline 2\n"));

        // A command gets an empty answer and still counts as delivered.
        std::thread commander(
            [&] { sent = second.sendToPrimary({QStringLiteral("--toggle")}, 3000, &answer); });
        QTRY_COMPARE(received.size(), 2);
        commander.join();
        QVERIFY(sent);
        QCOMPARE(answer, QString());
    }

private:
    QTemporaryDir m_runtime;
};

QTEST_GUILESS_MAIN(TestRemoteCommands)
#include "tst_remote_commands.moc"
