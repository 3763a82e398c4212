// SPDX-License-Identifier: GPL-3.0-or-later
#include "prompter_view/prompter_layout.h"
#include "ui/fonts.h"

#include <QFontMetricsF>
#include <QTest>
#include <QTextLayout>

#include <limits>

using namespace qm;

namespace {

ScriptSection section(qint64 id, std::optional<QString> cue, QString body)
{
    return ScriptSection {id, std::move(cue), std::move(body)};
}

double bodyLine(double fontSize)
{
    return QFontMetricsF(fonts::system(fontSize, QFont::Medium)).lineSpacing();
}

double headingLine(double fontSize)
{
    return QFontMetricsF(fonts::rounded(cueHeadingSize(fontSize), QFont::Bold)).lineSpacing();
}

double endLine()
{
    return QFontMetricsF(fonts::rounded(10, QFont::Bold)).lineSpacing();
}

// Paragraphs of varied length, a cue every third one, a blank line inside some.
QList<ScriptSection> longScript(int count)
{
    QList<ScriptSection> sections;
    for (int i = 0; i < count; ++i) {
        QString body;
        for (int w = 0; w < 8 + (i * 7) % 40; ++w)
            body += QStringLiteral("word%1 ").arg((i * 31 + w) % 97);
        if (i % 5 == 0)
            body += QStringLiteral("\n\nafter a blank line");
        sections.append(section(i,
            i % 3 == 0 ? std::optional<QString>(QStringLiteral("Cue %1").arg(i)) : std::nullopt,
            body.trimmed()));
    }
    return sections;
}

const TextBlock *blockAt(const ColumnLayout &layout, TextBlock::Role role, int nth = 0)
{
    for (const TextBlock &b : layout.blocks) {
        if (b.role == role && nth-- == 0)
            return &b;
    }
    return nullptr;
}

} // namespace

class TestPrompterLayout : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { fonts::install(); }

    void rowsStackWithTheirSpacing()
    {
        const double fs = 20;
        const ColumnLayout layout
            = layoutColumn({section(0, QStringLiteral("Intro"), QStringLiteral("Hello")),
                               section(1, std::nullopt, QStringLiteral("World"))},
                1000, fs);
        QVERIFY(!layout.empty);
        QCOMPARE(layout.rows.size(), 2);

        const double heading = headingLine(fs);
        const double body = bodyLine(fs);
        QCOMPARE(layout.rows[0].y, 8.0);
        QVERIFY(qAbs(layout.rows[0].height - (heading + 0.3 * fs + body)) < 0.05);
        const double second = 8 + layout.rows[0].height + 0.7 * fs;
        QCOMPARE(layout.rows[1].y, second);
        QVERIFY(qAbs(layout.rows[1].height - body) < 0.05);

        // The body sits under its heading with the section spacing between them.
        const TextBlock *firstBody = blockAt(layout, TextBlock::Role::Body);
        QVERIFY(firstBody);
        QVERIFY(qAbs(firstBody->rect.top() - (8 + heading + 0.3 * fs)) < 0.05);

        QCOMPARE(layout.cueOffsets.size(), 2);
        QCOMPARE(layout.cueOffsets.value(0), 8.0);
        QCOMPARE(layout.cueOffsets.value(1), second);

        // END: one more row of the stack, padded 6 on top; the column ends with it.
        QVERIFY(layout.end);
        const double endRow = second + layout.rows[1].height + 0.7 * fs;
        QCOMPARE(layout.end->y, endRow);
        QVERIFY(qAbs(layout.contentHeight - (endRow + 6 + endLine())) < 0.05);
    }

    void bodyLinesGetExtraSpacing_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<int>("lines");
        QTest::newRow("one line") << QStringLiteral("Hello") << 1;
        QTest::newRow("line feeds") << QStringLiteral("a\nb\nc") << 3;
        QTest::newRow("blank line kept") << QStringLiteral("a\n\nb") << 3;
    }

    void bodyLinesGetExtraSpacing()
    {
        QFETCH(QString, body);
        QFETCH(int, lines);
        const double fs = 30;
        const ColumnLayout layout = layoutColumn({section(0, std::nullopt, body)}, 1000, fs);
        const TextBlock *block = blockAt(layout, TextBlock::Role::Body);
        QVERIFY(block);
        QCOMPARE(block->layout->lineCount(), lines);
        const double expected = lines * bodyLine(fs) + (lines - 1) * 0.28 * fs;
        QVERIFY2(qAbs(layout.rows[0].height - expected) < 0.1,
            qPrintable(QStringLiteral("%1 vs %2").arg(layout.rows[0].height).arg(expected)));
    }

    void bodyWrapsAtTheColumnWidth()
    {
        const QString words = QStringLiteral("one two three four five six seven eight nine ten "
                                             "eleven twelve thirteen fourteen fifteen sixteen");
        const ColumnLayout layout = layoutColumn({section(0, std::nullopt, words)}, 120, 19);
        const QTextLayout &text = *blockAt(layout, TextBlock::Role::Body)->layout;
        QVERIFY(text.lineCount() > 3);
        for (int i = 0; i < text.lineCount(); ++i)
            QVERIFY(text.lineAt(i).naturalTextWidth() <= 120.01);
        // Wrapped lines stack like explicit ones, with the extra spacing between them.
        QVERIFY(text.lineAt(1).y() - text.lineAt(0).y() > bodyLine(19) + 0.28 * 19 - 0.05);
    }

    void cueOnlyAndEmptyRows()
    {
        const double fs = 19;
        const ColumnLayout layout = layoutColumn(
            {section(0, QStringLiteral("Only cue"), QString()), section(1, std::nullopt, QString()),
                section(2, std::nullopt, QStringLiteral("x"))},
            1000, fs);
        QCOMPARE(layout.rows.size(), 3);
        QVERIFY(qAbs(layout.rows[0].height - headingLine(fs)) < 0.05);
        QVERIFY(!blockAt(layout, TextBlock::Role::Body, 1)); // only the third row has a body
        // The empty row has no height but still takes part in the spacing, on both sides.
        QCOMPARE(layout.rows[1].height, 0.0);
        QCOMPARE(layout.rows[1].y, layout.rows[0].y + layout.rows[0].height + 0.7 * fs);
        QCOMPARE(layout.rows[2].y, layout.rows[1].y + 0.7 * fs);
        QVERIFY(layout.cueOffsets.contains(1));
    }

    void cueHeadingIsUpperCase()
    {
        const ColumnLayout layout
            = layoutColumn({section(0, QStringLiteral("Straße ahead"), QString())}, 1000, 19);
        QCOMPARE(blockAt(layout, TextBlock::Role::Heading)->layout->text(),
            QStringLiteral("STRASSE AHEAD"));
    }

    // Tracking spaces the letters of a heading apart; letters that join keep together.
    void cueHeadingTrackingSparesJoinedLetters_data()
    {
        QTest::addColumn<QString>("cue");
        QTest::addColumn<bool>("tracked");
        QTest::newRow("Latin") << QStringLiteral("Intro") << true;
        QTest::newRow("Hebrew letters do not join") << QStringLiteral("פתיחה") << true;
        QTest::newRow("Arabic") << QStringLiteral("مقدمة") << false;
        QTest::newRow("Latin with an Arabic word") << QStringLiteral("Intro مقدمة") << false;
    }
    void cueHeadingTrackingSparesJoinedLetters()
    {
        QFETCH(QString, cue);
        QFETCH(bool, tracked);
        const ColumnLayout layout = layoutColumn({section(0, cue, QString())}, 1000, 19);
        const QFont font = blockAt(layout, TextBlock::Role::Heading)->layout->font();
        QCOMPARE(font.letterSpacing() > 0, tracked);
    }

    void cueHeadingSize_data()
    {
        QTest::addColumn<double>("fontSize");
        QTest::addColumn<double>("heading");
        QTest::newRow("floor") << 12.0 << 10.0;
        QTest::newRow("default") << 19.0 << 10.45;
        QTest::newRow("large") << 40.0 << 22.0;
    }

    void cueHeadingSize()
    {
        QFETCH(double, fontSize);
        QFETCH(double, heading);
        QVERIFY(qFuzzyCompare(qm::cueHeadingSize(fontSize), heading));
        // The laid-out heading really uses that size.
        const ColumnLayout layout
            = layoutColumn({section(0, QStringLiteral("Cue"), QString())}, 1000, fontSize);
        const QFont used = blockAt(layout, TextBlock::Role::Heading)->layout->font();
        QVERIFY(qAbs(QFontMetricsF(used).height()
                    - QFontMetricsF(fonts::rounded(heading, QFont::Bold)).height())
            < 0.05);
        QVERIFY(qAbs(used.letterSpacing() - 1.4) <= 1.0 / 64); // kept in 1/64 px
    }

    void widthNeverBelowTen()
    {
        const ColumnLayout layout
            = layoutColumn({section(0, std::nullopt, QStringLiteral("abc def"))}, 3, 19);
        QCOMPARE(layout.width, 10.0);
        const QTextLayout &text = *blockAt(layout, TextBlock::Role::Body)->layout;
        QCOMPARE(text.lineAt(0).width(), 10.0);
    }

    void emptyScriptShowsTheMessage()
    {
        const double fs = 24;
        const ColumnLayout layout = layoutColumn({}, 300, fs);
        QVERIFY(layout.empty);
        QVERIFY(layout.rows.isEmpty());
        QVERIFY(layout.cueOffsets.isEmpty());
        QVERIFY(!layout.end);
        QCOMPARE(layout.blocks.size(), 1);
        const TextBlock &message = layout.blocks.first();
        QCOMPARE(message.role, TextBlock::Role::EmptyMessage);
        QCOMPARE(message.layout->text(),
            QStringLiteral("Your script is empty. Add a few lines in Quillmere."));
        // Wrapped at 300 points it takes two lines; its height is what gets reported.
        QCOMPARE(message.layout->lineCount(), 2);
        QVERIFY(qAbs(layout.contentHeight - (8 + 2 * bodyLine(fs))) < 0.1);
    }

    // Laid out a section at a time, the column comes out exactly as in one go; part way, the
    // laid-out top is already final and the rest is estimated in order.
    void steppedLayoutMatchesTheWholeOne()
    {
        const QList<ScriptSection> sections = longScript(120);
        const ColumnLayout whole = layoutColumn(sections, 420, 22);
        QVERIFY(whole.complete);
        QCOMPARE(whole.exactUntil, whole.contentHeight);

        ColumnLayouter layouter(sections, 420, 22);
        QVERIFY(!layouter.advance(600));
        const ColumnLayout part = layouter.snapshot();
        QVERIFY(!part.complete);
        QVERIFY(!part.end);
        QVERIFY(part.exactUntil >= 600 && part.exactUntil < whole.contentHeight);
        QVERIFY(part.rows.size() < sections.size());
        for (qsizetype i = 0; i < part.rows.size(); ++i) {
            QCOMPARE(part.rows[i].y, whole.rows[i].y);
            QCOMPARE(part.rows[i].height, whole.rows[i].height);
        }
        QCOMPARE(part.cueOffsets.size(), whole.cueOffsets.size());
        double previous = -1;
        for (const ScriptSection &s : sections) {
            QVERIFY(part.cueOffsets.value(s.id) > previous);
            previous = part.cueOffsets.value(s.id);
        }
        // The estimate of the whole is in the right range.
        QVERIFY(part.contentHeight > 0.8 * whole.contentHeight);
        QVERIFY(part.contentHeight < 1.25 * whole.contentHeight);

        int steps = 0;
        while (!layouter.advance(std::numeric_limits<double>::infinity(), 0))
            ++steps;
        QVERIFY(steps > 10);
        const ColumnLayout stepped = layouter.snapshot();
        QVERIFY(stepped.complete && stepped.end);
        QCOMPARE(stepped.contentHeight, whole.contentHeight);
        QCOMPARE(stepped.cueOffsets, whole.cueOffsets);
        QCOMPARE(stepped.blocks.size(), whole.blocks.size());
        for (qsizetype i = 0; i < whole.blocks.size(); ++i) {
            QCOMPARE(stepped.blocks[i].rect, whole.blocks[i].rect);
            QCOMPARE(stepped.blocks[i].role, whole.blocks[i].role);
        }
    }

    // Drawing shapes a block again; it must wrap into the very lines that were measured.
    void shapedAgainGivesTheMeasuredLines()
    {
        const ColumnLayout layout = layoutColumn(longScript(30), 260, 19);
        int lines = 0;
        for (const TextBlock &block : layout.blocks) {
            const std::shared_ptr<QTextLayout> shaped = shapeBlock(block);
            QCOMPARE(shaped->lineCount(), block.layout->lineCount());
            for (int i = 0; i < shaped->lineCount(); ++i) {
                QCOMPARE(shaped->lineAt(i).textStart(), block.layout->lineAt(i).textStart());
                QCOMPARE(shaped->lineAt(i).textLength(), block.layout->lineAt(i).textLength());
                QCOMPARE(shaped->lineAt(i).y(), block.layout->lineAt(i).y());
                ++lines;
            }
        }
        QVERIFY(lines > 60);
    }

    // A line with no break in it is laid out a bounded piece at a time, and the pieces wrap
    // into exactly the lines the whole text has.
    void longUnbrokenLineIsLaidOutInPieces_data()
    {
        QTest::addColumn<QString>("body");
        QString surrogates;
        for (int i = 0; i < 3000; ++i)
            surrogates += i % 3 ? QString(QChar(0xD83D)) : QStringLiteral("\U0001F3A4");
        QTest::newRow("letters") << QStringLiteral("intro\n") + QString(9000, u'x')
                + QStringLiteral("\nend");
        QTest::newRow("lone and paired surrogates") << surrogates;
        QString prose;
        while (prose.size() < 7000)
            prose += QStringLiteral("a long paragraph of ordinary words ");
        QTest::newRow("one long paragraph of words") << prose + QStringLiteral("\n\n") + prose;
        QString arabic;
        while (arabic.size() < 7000)
            arabic += QStringLiteral("فقرة طويلة من كلمات عادية ");
        QTest::newRow("one long paragraph read from the right") << arabic;
    }
    void longUnbrokenLineIsLaidOutInPieces()
    {
        QFETCH(QString, body);
        const double fs = 19;
        const double width = 300;
        ColumnLayouter layouter({section(0, QStringLiteral("Cue"), body)}, width, fs);
        int steps = 0;
        while (!layouter.advance(std::numeric_limits<double>::infinity(), 0))
            ++steps;
        const ColumnLayout stepped = layouter.snapshot();
        QList<const TextBlock *> pieces;
        for (const TextBlock &b : stepped.blocks) {
            if (b.role == TextBlock::Role::Body)
                pieces.append(&b);
        }
        QVERIFY(pieces.size() > 2);
        QVERIFY(steps >= pieces.size() - 1);

        // The same body as one text, the way a short body is laid out.
        QString whole = body;
        whole.replace(u'\n', QChar::LineSeparator);
        QTextLayout one(whole, fonts::system(fs, QFont::Medium));
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        one.setTextOption(option);
        one.beginLayout();
        QStringList expected;
        for (QTextLine line = one.createLine(); line.isValid(); line = one.createLine()) {
            line.setLineWidth(width);
            expected.append(whole.mid(line.textStart(), line.textLength()));
        }
        one.endLayout();

        QStringList lines;
        double y = pieces.first()->rect.top();
        for (const TextBlock *piece : pieces) {
            QVERIFY(piece->layout->text().size() <= 2000);
            QVERIFY(qAbs(piece->rect.top() - y) < 1e-6);
            y = piece->rect.bottom() + 0.28 * fs;
            const QString text = piece->layout->text();
            for (int i = 0; i < piece->layout->lineCount(); ++i) {
                const QTextLine line = piece->layout->lineAt(i);
                QString t = text.mid(line.textStart(), line.textLength());
                // A piece ends where a line feed was; the whole text keeps it on that line.
                if (i == piece->layout->lineCount() - 1 && piece != pieces.last())
                    if (expected.value(lines.size()).endsWith(QChar::LineSeparator))
                        t += QChar::LineSeparator;
                lines.append(t);
            }
        }
        QCOMPARE(lines.size(), expected.size());
        QCOMPARE(lines, expected);
        QCOMPARE(stepped.rows.size(), 1);
        QVERIFY(
            qAbs(stepped.rows[0].y + stepped.rows[0].height - pieces.last()->rect.bottom()) < 1e-6);
    }

    // Each paragraph is read in its own direction and starts on that side: 'L' for a line
    // aligned left in a left-to-right layout, 'R' for one aligned right in a right-to-left one,
    // for every non-blank line of the cue headings and bodies, top to bottom.
    void paragraphsTakeTheirOwnDirection_data()
    {
        QTest::addColumn<QList<ScriptSection>>("sections");
        QTest::addColumn<QString>("sides");
        const auto body
            = [](const QString &text) { return QList {section(0, std::nullopt, text)}; };
        QTest::newRow("Latin") << body(QStringLiteral("Hello there")) << QStringLiteral("L");
        QTest::newRow("Arabic") << body(QStringLiteral("مرحبا بكم جميعا")) << QStringLiteral("R");
        QTest::newRow("Hebrew") << body(QStringLiteral("שלום לכולם")) << QStringLiteral("R");
        QTest::newRow("Persian and Urdu")
            << body(QStringLiteral("سلام دوستان\nآپ کیسے ہیں")) << QStringLiteral("RR");
        QTest::newRow("paragraphs of both directions")
            << body(QStringLiteral("Hello\nمرحبا\nShalom\nשלום\nagain")) << QStringLiteral("LRLRL");
        QTest::newRow("the first letter decides")
            << body(QStringLiteral("مرحبا Quillmere\nQuillmere مرحبا")) << QStringLiteral("RL");
        QTest::newRow("digits and blank lines go with the paragraph above")
            << body(QStringLiteral("שלום\n\n2024\nעולם\nEnglish\n42")) << QStringLiteral("RRRLL");
        QTest::newRow("digits at the top go with the paragraph below")
            << body(QStringLiteral("2024\n\nمرحبا")) << QStringLiteral("RR");
        QTest::newRow("cue headings follow their cue")
            << QList {section(0, QStringLiteral("مقدمة"), QStringLiteral("Intro text")),
                   section(1, QStringLiteral("Demo"), QStringLiteral("טקסט"))}
            << QStringLiteral("RLLR");
        QString latin;
        for (int i = 0; i < 200; ++i)
            latin += QStringLiteral("line %1 of the English part\n").arg(i);
        QTest::newRow("a turn far down a long body")
            << body(latin + QStringLiteral("الجزء العربي\nسطر آخر"))
            << QString(200, u'L') + QStringLiteral("RR");
    }
    void paragraphsTakeTheirOwnDirection()
    {
        QFETCH(QList<ScriptSection>, sections);
        QFETCH(QString, sides);
        const double width = 1200;
        const ColumnLayout layout = layoutColumn(sections, width, 19);
        QString got;
        for (const TextBlock &b : layout.blocks) {
            if (b.role != TextBlock::Role::Body && b.role != TextBlock::Role::Heading)
                continue;
            // Drawn from a fresh shaping, as the tiles draw it.
            const std::shared_ptr<QTextLayout> shaped = shapeBlock(b);
            const bool rtl = shaped->textOption().textDirection() == Qt::RightToLeft
                || (shaped->textOption().textDirection() == Qt::LayoutDirectionAuto
                    && shaped->text().isRightToLeft());
            for (int i = 0; i < shaped->lineCount(); ++i) {
                const QTextLine line = shaped->lineAt(i);
                if (line.naturalTextWidth() <= 0)
                    continue;
                const QRectF r = line.naturalTextRect();
                // Within two points: a heading's letter spacing reaches past its last glyph.
                if (r.left() < 2 && !rtl)
                    got += u'L';
                else if (qAbs(r.right() - width) < 2 && rtl)
                    got += u'R';
                else
                    got += u'?';
            }
        }
        QCOMPARE(got, sides);
    }

    // Paragraphs read the other way are laid out apart; a blank line between them keeps its
    // height.
    void blankLineBetweenDirectionsKeepsItsHeight()
    {
        const auto topOfLast = [](const QString &text) {
            const ColumnLayout layout = layoutColumn({section(0, std::nullopt, text)}, 600, 19);
            const TextBlock *last = nullptr;
            for (const TextBlock &b : layout.blocks) {
                if (b.role == TextBlock::Role::Body)
                    last = &b;
            }
            return last->origin.y() + last->layout->lineAt(last->layout->lineCount() - 1).y();
        };
        const double joined = topOfLast(QStringLiteral("שלום\nEnglish"));
        const double apart = topOfLast(QStringLiteral("שלום\n\nEnglish"));
        QVERIFY2(apart - joined > 0.9 * bodyLine(19),
            qPrintable(QStringLiteral("%1 vs %2").arg(apart).arg(joined)));
    }

    void endMarkerLinesShareTheWidth()
    {
        const ColumnLayout layout
            = layoutColumn({section(0, std::nullopt, QStringLiteral("x"))}, 340, 19);
        QVERIFY(layout.end);
        const EndMarker &end = *layout.end;
        QCOMPARE(end.leftLine.left(), 0.0);
        QVERIFY(qAbs(end.leftLine.width() - end.rightLine.width()) < 1e-9);
        QVERIFY(qAbs(end.rightLine.right() - 340) < 1e-9);
        QVERIFY(qAbs(end.text.left() - (end.leftLine.right() + 8)) < 1e-9);
        QVERIFY(qAbs(end.rightLine.left() - (end.text.right() + 8)) < 1e-9);
        QCOMPARE(end.leftLine.height(), 1.0);
        QVERIFY(qAbs(end.leftLine.center().y() - end.text.center().y()) < 1e-9);
        QCOMPARE(end.text.top(), end.y + 6);
    }
};

QTEST_MAIN(TestPrompterLayout)
#include "tst_prompter_layout.moc"
