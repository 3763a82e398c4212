// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/command_line.h"

#include <QDir>
#include <QTest>

using namespace qm;

Q_DECLARE_METATYPE(QList<qm::Command>)

class TestCommandLine : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void parse_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("snapshot");
        QTest::addColumn<QList<Command>>("commands");
        const auto s = [](const char *a) { return QString::fromLatin1(a); };
        QTest::newRow("none") << QStringList {s("quillmere")} << true << QString()
                              << QList<Command> {};
        QTest::newRow("snapshot in any order")
            << QStringList {s("q"), s("--snapshot"), s("shots"), s("--start")} << true
            << QDir::current().absoluteFilePath(s("shots")) << QList<Command> {};
        QTest::newRow("commands keep their order, repeats too")
            << QStringList {s("q"), s("--faster"), s("--snapshot"), s("/tmp/x"), s("--faster"),
                   s("--toggle")}
            << true << s("/tmp/x")
            << QList<Command> {Command::Faster, Command::Faster, Command::Toggle};
        // Qt's own, as a session manager restarts the program.
        QTest::newRow("qt session")
            << QStringList {s("q"), s("-session"), s("1234_5"), s("--show-window")} << true
            << QString() << QList<Command> {Command::ShowWindow};
        QTest::newRow("unknown switch")
            << QStringList {s("q"), s("--toogle")} << false << QString() << QList<Command> {};
        QTest::newRow("case matters") << QStringList {s("q"), s("--Snapshot"), s("x")} << false
                                      << QString() << QList<Command> {};
        QTest::newRow("snapshot without its folder")
            << QStringList {s("q"), s("--snapshot")} << false << QString() << QList<Command> {};
        QTest::newRow("stray word")
            << QStringList {s("q"), s("toggle")} << false << QString() << QList<Command> {};
    }
    void parse()
    {
        QFETCH(QStringList, args);
        QFETCH(bool, ok);
        QFETCH(QString, snapshot);
        QFETCH(QList<Command>, commands);
        const CommandLine line = parseCommandLine(args);
        QCOMPARE(line.ok(), ok);
        if (!ok) {
            QVERIFY(!line.error.isEmpty());
            return;
        }
        QCOMPARE(line.snapshotDir, snapshot);
        QCOMPARE(line.commands, commands);
        QCOMPARE(line.start, args.contains(QStringLiteral("--start")));
    }

    // What a later launch sends reads back as the same request in the running program.
    void handOverRoundTrip()
    {
        const CommandLine line = parseCommandLine({QStringLiteral("q"), QStringLiteral("--start"),
            QStringLiteral("--snapshot"), QStringLiteral("shots"), QStringLiteral("--slower"),
            QStringLiteral("--list-shortcuts"), QStringLiteral("--next-cue")});
        const CommandLine back
            = parseCommandLine(QStringList {QStringLiteral("q")} + line.forHandOver());
        QVERIFY(back.ok());
        QCOMPARE(back.commands, (QList<Command> {Command::Slower, Command::NextCue}));
        QVERIFY(back.start);
        QVERIFY(back.listShortcuts);
        QCOMPARE(back.snapshotDir, QDir::current().absoluteFilePath(QStringLiteral("shots")));
        QVERIFY(parseCommandLine({QStringLiteral("q")}).forHandOver().isEmpty());
    }

    // `--import` takes every file after it, made absolute here: the running program may be in
    // another directory. Handed over, they read back the same.
    void importFiles_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("files");
        const auto s = [](const char *a) { return QString::fromLatin1(a); };
        const QString cwd = QDir::currentPath() + u'/';
        QTest::newRow("one") << QStringList {s("q"), s("--import"), s("a.docx")}
                             << QStringList {cwd + s("a.docx")};
        QTest::newRow("several, absolute kept")
            << QStringList {s("q"), s("--import"), s("a.docx"), s("/tmp/b c.pdf"), s("d.md")}
            << QStringList {cwd + s("a.docx"), s("/tmp/b c.pdf"), cwd + s("d.md")};
        QTest::newRow("with a command") << QStringList {s("q"), s("--toggle"), s("--import"),
            s("a.txt")} << QStringList {cwd + s("a.txt")};
        QTest::newRow("a file that looks like a switch, after --")
            << QStringList {s("q"), s("--import"), s("a.txt"), s("--"), s("--odd.txt")}
            << QStringList {cwd + s("a.txt"), cwd + s("--odd.txt")};
    }
    void importFiles()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, files);
        const auto s = [](const char *a) { return QString::fromLatin1(a); };
        const CommandLine line = parseCommandLine(arguments);
        QVERIFY2(line.ok(), qPrintable(line.error));
        QCOMPARE(line.importFiles, files);
        const CommandLine back = parseCommandLine(QStringList {s("q")} + line.forHandOver());
        QVERIFY2(back.ok(), qPrintable(back.error));
        QCOMPARE(back.importFiles, files);
        QCOMPARE(back.commands, line.commands);
        QVERIFY(!parseCommandLine({s("q"), s("--import")}).ok());
    }

    // Help lists every switch the parser takes.
    void helpListsEverySwitch()
    {
        QVERIFY(parseCommandLine({QStringLiteral("q"), QStringLiteral("-h")}).help);
        QVERIFY(parseCommandLine({QStringLiteral("q"), QStringLiteral("--version")}).version);
        const QString help = commandLineHelp();
        for (const char *name : {"--start", "--snapshot DIR", "--help", "--version", "--toggle",
                 "--play-pause", "--restart", "--faster", "--slower", "--next-cue",
                 "--previous-cue", "--show-window", "--list-shortcuts", "--import FILE..."}) {
            QVERIFY2(help.contains(QStringLiteral("  ") + QLatin1String(name) + u' '), name);
            const QString bare = QString::fromLatin1(name).section(u' ', 0, 0);
            QStringList args {QStringLiteral("q"), bare};
            if (bare == QStringLiteral("--snapshot") || bare == QStringLiteral("--import"))
                args.append(QStringLiteral("x"));
            QVERIFY2(parseCommandLine(args).ok(), name);
        }
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_command_line.moc"
