// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/sections.h"

#include <QTest>

using namespace qm;

namespace {

ScriptSection sec(qint64 id, std::optional<QString> cue, QString body)
{
    return ScriptSection {id, std::move(cue), std::move(body)};
}

QString words(int n)
{
    QStringList list;
    for (int i = 0; i < n; ++i)
        list.append(QStringLiteral("w"));
    return list.join(u' ');
}

} // namespace

Q_DECLARE_METATYPE(QList<ScriptSection>)

class TestSections : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void splitting_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<ScriptSection>>("expected");

        QTest::newRow("empty") << QString() << QList<ScriptSection> {};
        QTest::newRow("plain") << QStringLiteral("Hello world")
                               << QList<ScriptSection> {
                                      sec(0, std::nullopt, QStringLiteral("Hello world"))};
        QTest::newRow("intro, cue with blank line, lone hash")
            << QStringLiteral("Intro line\n# A\nfirst\n\nsecond\n#\nlast")
            << QList<ScriptSection> {sec(0, std::nullopt, QStringLiteral("Intro line")),
                   sec(1, QStringLiteral("A"), QStringLiteral("first\n\nsecond")),
                   sec(2, QStringLiteral("Cue"), QStringLiteral("last"))};
        QTest::newRow("two cues in a row")
            << QStringLiteral("# A\n# B\ntext")
            << QList<ScriptSection> {sec(0, QStringLiteral("A"), QString()),
                   sec(1, QStringLiteral("B"), QStringLiteral("text"))};
        QTest::newRow("blank text before the first cue yields nothing") << QStringLiteral(
            "   \n\n# Only") << QList<ScriptSection> {sec(0, QStringLiteral("Only"), QString())};
        QTest::newRow("CR LF gives an empty line between") << QStringLiteral(
            "a\r\nb") << QList<ScriptSection> {sec(0, std::nullopt, QStringLiteral("a\n\nb"))};
        QTest::newRow("every break character ends a line")
            << QStringLiteral("a\u000Bb\u000Cc\u0085d\u2028e\u2029f\rg")
            << QList<ScriptSection> {sec(0, std::nullopt, QStringLiteral("a\nb\nc\nd\ne\nf\ng"))};
        QTest::newRow("break characters before a cue line")
            << QStringLiteral("x\u2028#Cue\u2029body")
            << QList<ScriptSection> {sec(0, std::nullopt, QStringLiteral("x")),
                   sec(1, QStringLiteral("Cue"), QStringLiteral("body"))};
        QTest::newRow("indented hash is body text") << QStringLiteral(
            "  # note") << QList<ScriptSection> {sec(0, std::nullopt, QStringLiteral("# note"))};
        QTest::newRow("body trims blanks and breaks at both ends, keeps inner ones")
            << QStringLiteral("# A\n\n \t body \n\n inner\n\n\u00A0")
            << QList<ScriptSection> {
                   sec(0, QStringLiteral("A"), QStringLiteral("body \n\n inner"))};
        QTest::newRow("cue at the end has an empty body")
            << QStringLiteral("text\n# End")
            << QList<ScriptSection> {sec(0, std::nullopt, QStringLiteral("text")),
                   sec(1, QStringLiteral("End"), QString())};
    }
    void splitting()
    {
        QFETCH(QString, text);
        QFETCH(QList<ScriptSection>, expected);
        const QList<ScriptSection> got = parseSections(text);
        QCOMPARE(got.size(), expected.size());
        for (qsizetype i = 0; i < got.size(); ++i) {
            QCOMPARE(got.at(i).id, expected.at(i).id);
            QCOMPARE(got.at(i).cue, expected.at(i).cue);
            QCOMPARE(got.at(i).body, expected.at(i).body);
        }
    }

    void cueNames_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("cue");
        QTest::newRow("##Intro") << QStringLiteral("##Intro") << QStringLiteral("Intro");
        QTest::newRow("# Intro") << QStringLiteral("# Intro") << QStringLiteral("Intro");
        QTest::newRow("#  # Intro") << QStringLiteral("#  # Intro") << QStringLiteral("Intro");
        QTest::newRow("#Intro") << QStringLiteral("#Intro") << QStringLiteral("Intro");
        QTest::newRow("#") << QStringLiteral("#") << QStringLiteral("Cue");
        QTest::newRow("###") << QStringLiteral("###") << QStringLiteral("Cue");
        QTest::newRow("# and spaces") << QStringLiteral("#   ") << QStringLiteral("Cue");
        QTest::newRow("# tab Intro") << QStringLiteral("#\tIntro") << QStringLiteral("Intro");
        QTest::newRow("tab then hash stays") << QStringLiteral("#\t# x") << QStringLiteral("# x");
        QTest::newRow("trailing blanks")
            << QStringLiteral("# Intro \t\u3000") << QStringLiteral("Intro");
        QTest::newRow("only a tab") << QStringLiteral("#\t") << QStringLiteral("Cue");
        QTest::newRow("inner hashes kept")
            << QStringLiteral("# Q&A #2") << QStringLiteral("Q&A #2");
    }
    void cueNames()
    {
        QFETCH(QString, line);
        QFETCH(QString, cue);
        const auto sections = parseSections(line);
        QCOMPARE(sections.size(), 1);
        QCOMPARE(sections.first().cue, std::optional<QString>(cue));
    }

    void stats_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("words");
        QTest::addColumn<QString>("time");
        QTest::addColumn<int>("cues");
        QTest::newRow("empty") << QString() << qint64(0) << QStringLiteral("0 sec") << 0;
        QTest::newRow("two words")
            << QStringLiteral("Hello world") << qint64(2) << QStringLiteral("0 sec") << 0;
        QTest::newRow("149 words") << words(149) << qint64(149) << QStringLiteral("59 sec") << 0;
        QTest::newRow("150 words")
            << words(150) << qint64(150) << QStringLiteral("1 min 0 sec") << 0;
        QTest::newRow("163 words")
            << words(163) << qint64(163) << QStringLiteral("1 min 5 sec") << 0;
        QTest::newRow("300 words")
            << words(300) << qint64(300) << QStringLiteral("2 min 0 sec") << 0;
        QTest::newRow("615 words round down")
            << words(615) << qint64(615) << QStringLiteral("4 min 5 sec") << 0;
        QTest::newRow("3000 words")
            << words(3000) << qint64(3000) << QStringLiteral("20 min 0 sec") << 0;
        QTest::newRow("cue names are not words")
            << QStringLiteral("# Big Long Cue\none two\n# Other\nthree") << qint64(3)
            << QStringLiteral("1 sec") << 2;
        QTest::newRow("indented hash counts as words")
            << QStringLiteral("  # x") << qint64(2) << QStringLiteral("0 sec") << 0;
        QTest::newRow("no-break and other Unicode spaces split words")
            << QStringLiteral("a\u00A0b\u2003c\u202Fd\u3000e\u1680f\u205Fg\u0085h") << qint64(8)
            << QStringLiteral("3 sec") << 0;
        QTest::newRow("zero-width space is not white space")
            << QStringLiteral("a\u200Bb") << qint64(1) << QStringLiteral("0 sec") << 0;
        QTest::newRow("astral letters are one word") << QStringLiteral("\U0001F600\U0001F600 x")
                                                     << qint64(2) << QStringLiteral("0 sec") << 0;
    }
    void stats()
    {
        QFETCH(QString, text);
        QFETCH(qint64, words);
        QFETCH(QString, time);
        QFETCH(int, cues);
        const ScriptStats s = scriptStats(text);
        QCOMPARE(s.words, words);
        QCOMPARE(s.time, time);
        QCOMPARE(s.cues.size(), cues);
    }

    // Chinese, Japanese and Korean count by the character, at their own pace; the words around
    // them as before.
    void countsByCharacter_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("words");
        QTest::addColumn<qint64>("characters");
        QTest::addColumn<QString>("time");
        QTest::newRow("Chinese, punctuation included")
            << QStringLiteral("你好，世界。") << qint64(0) << qint64(6) << QStringLiteral("1 sec");
        QTest::newRow("Japanese kana and kanji")
            << QStringLiteral("これはペンです。ー") << qint64(0) << qint64(9)
            << QStringLiteral("2 sec");
        QTest::newRow("Korean syllables") << QStringLiteral("안녕하세요 여러분") << qint64(0)
                                          << qint64(8) << QStringLiteral("1 sec");
        QTest::newRow("Latin words and digits among Han")
            << QStringLiteral("我们在2024年发布了Qt应用") << qint64(2) << qint64(9)
            << QStringLiteral("2 sec");
        QTest::newRow("ASCII punctuation at Han is no word") << QStringLiteral(
            "你好, 世界! (再见)") << qint64(0) << qint64(6) << QStringLiteral("1 sec");
        QTest::newRow("punctuation alone elsewhere stays a word")
            << QStringLiteral("a - b") << qint64(3) << qint64(0) << QStringLiteral("1 sec");
        QTest::newRow("a minute of characters") << QString(250, QChar(0x5B57)) << qint64(0)
                                                << qint64(250) << QStringLiteral("1 min 0 sec");
        QTest::newRow("paces add up") << QString(250, QChar(0xD55C)) + words(150) << qint64(150)
                                      << qint64(250) << QStringLiteral("2 min 0 sec");
        QTest::newRow("Arabic and Hebrew are words")
            << QStringLiteral("مرحبا بكم שלום") << qint64(3) << qint64(0)
            << QStringLiteral("1 sec");
    }
    void countsByCharacter()
    {
        QFETCH(QString, text);
        QFETCH(qint64, words);
        QFETCH(qint64, characters);
        QFETCH(QString, time);
        const ScriptStats s = scriptStats(text);
        QCOMPARE(s.words, words);
        QCOMPARE(s.characters, characters);
        QCOMPARE(s.time, time);
    }

    void cuesKeepTheirPositionIds()
    {
        const auto s = scriptStats(QStringLiteral("Intro line\n# A\nfirst\n\nsecond\n#\nlast"));
        QCOMPARE(s.cues.size(), 2);
        QCOMPARE(s.cues.at(0).id, 1);
        QCOMPARE(s.cues.at(1).id, 2);
        QCOMPARE(s.cues.at(1).cue, std::optional<QString>(QStringLiteral("Cue")));
    }

    void readingTimeBoundaries_data()
    {
        QTest::addColumn<qint64>("words");
        QTest::addColumn<QString>("time");
        QTest::newRow("1") << qint64(1) << QStringLiteral("0 sec");
        QTest::newRow("3") << qint64(3) << QStringLiteral("1 sec");
        QTest::newRow("162") << qint64(162) << QStringLiteral("1 min 4 sec");
        QTest::newRow("9000") << qint64(9000) << QStringLiteral("60 min 0 sec");
    }
    void readingTimeBoundaries()
    {
        QFETCH(qint64, words);
        QFETCH(QString, time);
        QCOMPARE(readingTimeText(words), time);
    }
};

QTEST_GUILESS_MAIN(TestSections)
#include "tst_sections.moc"
