// SPDX-License-Identifier: GPL-3.0-or-later
#include "controller_fixture.h"
#include "main_window/cue_chip.h"
#include "main_window/cue_strip.h"
#include "model/sections.h"
#include "prompter/scroll_state.h"
#include "ui/fonts.h"
#include "ui/palette.h"

#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

#include <algorithm>

using namespace qm;
using qm::testing::ControllerFixture;

namespace {

const QString kScript = QStringLiteral("Hello there.\n"
                                       "# Intro\nFirst words.\n"
                                       "# The demo\nSecond part.\n"
                                       "# Wrap up\nLast words.\n");

QList<CueChip *> chipsOf(CueStrip &strip)
{
    QList<CueChip *> chips = strip.findChildren<CueChip *>();
    std::sort(chips.begin(), chips.end(),
        [](CueChip *a, CueChip *b) { return a->number() < b->number(); });
    return chips;
}

QList<int> currentNumbers(CueStrip &strip)
{
    QList<int> numbers;
    for (CueChip *chip : chipsOf(strip)) {
        if (chip->isCurrent())
            numbers.append(chip->number());
    }
    return numbers;
}

class InkBackdrop final : public QWidget {
protected:
    void paintEvent(QPaintEvent *) override { QPainter(this).fillRect(rect(), palette::ink()); }
};

// Reports the three cues 400 apart, as the prompter view would after its layout.
void reportLayout(ControllerFixture &f, const QList<ScriptSection> &cues)
{
    QHash<qint64, double> offsets;
    for (qsizetype i = 0; i < cues.size(); ++i)
        offsets.insert(cues.at(i).id, 100 + 400 * double(i));
    f.controller.setCueOffsets(offsets);
    f.controller.setContentHeight(3000);
    f.controller.setViewportHeight(200);
}

} // namespace

class TstCueStrip final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { fonts::install(); }

    void chipsAreNumberedWithTheirCues()
    {
        ControllerFixture f;
        CueStrip strip(f.controller);
        strip.setCues(scriptStats(kScript).cues);
        const QList<CueChip *> chips = chipsOf(strip);
        QCOMPARE(chips.size(), 3);
        const QStringList cues {"Intro", "The demo", "Wrap up"};
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(chips.at(i)->number(), i + 1);
            QCOMPARE(chips.at(i)->text(), cues.at(i));
            QCOMPARE(chips.at(i)->toolTip(),
                QStringLiteral("Jump the prompter to \u201C") + cues.at(i)
                    + QStringLiteral("\u201D"));
        }
        // Laid out left to right, 6 apart, on the background of whatever holds the strip.
        // The holder paints ink itself while its palette says white, as a parent with a
        // painted background does; a strip that filled its own background would show white.
        InkBackdrop host;
        QPalette pal = host.palette();
        pal.setColor(QPalette::Window, Qt::white);
        host.setPalette(pal);
        strip.setParent(&host);
        strip.setGeometry(0, 0, 800, strip.sizeHint().height());
        host.resize(800, strip.height());
        host.show();
        QVERIFY(QTest::qWaitForWindowExposed(&host));
        QCOMPARE(chips.at(1)->x(), chips.at(0)->geometry().right() + 1 + 6);
        QCOMPARE(chips.at(2)->x(), chips.at(1)->geometry().right() + 1 + 6);
        const QImage image = host.grab().toImage();
        const QPoint gap(chips.at(0)->geometry().right() + 4, strip.height() / 2);
        QCOMPARE(image.pixelColor(gap * image.devicePixelRatio()), palette::ink());
        strip.setParent(nullptr);
    }

    void chipsRenumberWhenTheCuesChange()
    {
        ControllerFixture f;
        CueStrip strip(f.controller);
        strip.setCues(scriptStats(kScript).cues);
        QList<ScriptSection> cues = scriptStats(QStringLiteral("# Only\ntext")).cues;
        // A section without cue text never comes from the model, but is shown all the same.
        cues.append(ScriptSection {7, std::nullopt, QStringLiteral("body")});
        strip.setCues(cues);
        const QList<CueChip *> chips = chipsOf(strip);
        QCOMPARE(chips.size(), 2);
        QCOMPARE(chips.at(0)->text(), QStringLiteral("Only"));
        QCOMPARE(chips.at(1)->number(), 2);
        QCOMPARE(chips.at(1)->text(), QString());
        QCOMPARE(chips.at(1)->toolTip(), QStringLiteral("Jump the prompter to \u201C\u201D"));
        f.controller.show();
        f.controller.setCueOffsets({{7, 300}});
        f.controller.setContentHeight(2000);
        f.controller.setViewportHeight(200);
        QTest::mouseClick(chips.at(1), Qt::LeftButton);
        QVERIFY(f.controller.target() && *f.controller.target() > 250);
        strip.setCues({});
        QVERIFY(chipsOf(strip).isEmpty());
    }

    void clickJumpsToThatCue_data()
    {
        QTest::addColumn<int>("chip");
        QTest::addColumn<bool>("shownFirst");
        for (int chip = 0; chip < 3; ++chip) {
            QTest::addRow("chip %d, prompter shown", chip + 1) << chip << true;
            QTest::addRow("chip %d, prompter hidden", chip + 1) << chip << false;
        }
    }

    void clickJumpsToThatCue()
    {
        QFETCH(int, chip);
        QFETCH(bool, shownFirst);
        ControllerFixture f;
        f.setText(kScript);
        const QList<ScriptSection> cues = scriptStats(kScript).cues;
        CueStrip strip(f.controller);
        strip.setCues(cues);
        if (shownFirst) {
            f.controller.show();
            reportLayout(f, cues);
        }
        QTest::mouseClick(chipsOf(strip).at(chip), Qt::LeftButton);
        QVERIFY(f.controller.isVisible());
        if (!shownFirst) {
            // The prompter opens first and glides once its view has reported the cues.
            reportLayout(f, cues);
            f.runPending();
        }
        QVERIFY(f.controller.target());
        // The destination is the clicked cue's place, not a neighbour's (they are 400 apart).
        const double y = 100 + 400 * chip;
        QVERIFY2(*f.controller.target() <= y && *f.controller.target() > y - 50,
            qPrintable(QString::number(*f.controller.target())));
    }

    void currentChipFollowsThePrompter()
    {
        ControllerFixture f;
        f.setText(kScript);
        const QList<ScriptSection> cues = scriptStats(kScript).cues;
        CueStrip strip(f.controller);
        strip.setCues(cues);
        QVERIFY(currentNumbers(strip).isEmpty());

        f.controller.show();
        reportLayout(f, cues);
        f.tick();
        QVERIFY(currentNumbers(strip).isEmpty());

        f.controller.scrollBy(500 - f.controller.scroll().offset());
        f.tick();
        QCOMPARE(f.controller.currentCueID(), std::optional<qint64>(cues.at(1).id));
        QCOMPARE(currentNumbers(strip), QList<int> {2});
        QCOMPARE(chipsOf(strip).at(1)->highlight(), 1.0);
        QCOMPARE(chipsOf(strip).at(0)->highlight(), 0.0);

        // Chips rebuilt from an edit keep showing where the prompter is.
        strip.setCues(cues);
        QCOMPARE(currentNumbers(strip), QList<int> {2});

        // A hidden prompter has no current chip.
        f.controller.hide();
        QVERIFY(currentNumbers(strip).isEmpty());
        QCOMPARE(chipsOf(strip).at(1)->highlight(), 0.0);
    }

    void highlightSpringsOnScreen()
    {
        ControllerFixture f;
        f.setText(kScript);
        const QList<ScriptSection> cues = scriptStats(kScript).cues;
        CueStrip strip(f.controller);
        strip.setCues(cues);
        strip.resize(600, strip.sizeHint().height());
        strip.show();
        QVERIFY(QTest::qWaitForWindowExposed(&strip));
        f.controller.show();
        reportLayout(f, cues);
        f.controller.scrollBy(900);
        f.tick();
        QCOMPARE(currentNumbers(strip), QList<int> {3});
        QTRY_COMPARE(chipsOf(strip).at(2)->highlight(), 1.0);
        f.controller.scrollBy(-400);
        f.tick();
        QCOMPARE(currentNumbers(strip), QList<int> {2});
        QTRY_COMPARE(chipsOf(strip).at(2)->highlight(), 0.0);
        QCOMPARE(chipsOf(strip).at(1)->highlight(), 1.0);
    }

    void manyCuesScrollSidewaysWithoutABar()
    {
        ControllerFixture f;
        QString text;
        for (int i = 1; i <= 30; ++i)
            text += QStringLiteral("# Cue number %1\nbody\n").arg(i);
        CueStrip strip(f.controller);
        strip.setCues(scriptStats(text).cues);
        strip.resize(300, strip.sizeHint().height());
        strip.show();
        QVERIFY(QTest::qWaitForWindowExposed(&strip));
        auto *area = strip.findChild<QScrollArea *>();
        QVERIFY(area);
        QScrollBar *bar = area->horizontalScrollBar();
        QVERIFY(bar->maximum() > 0);
        QVERIFY(!bar->isVisible());
        QCOMPARE(strip.height(), CueChip::chipHeight());

        // A mouse wheel turns vertically; over the strip it moves the chips sideways.
        const QPoint at(150, strip.height() / 2);
        QWheelEvent down(at, area->viewport()->mapToGlobal(at), QPoint(), QPoint(0, -120),
            Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(area->viewport(), &down);
        QVERIFY(bar->value() > 0);
        const int after = bar->value();
        QWheelEvent sideways(at, area->viewport()->mapToGlobal(at), QPoint(), QPoint(-120, 0),
            Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(area->viewport(), &sideways);
        QVERIFY(bar->value() > after);
    }
};

QTEST_MAIN(TstCueStrip)
#include "tst_cue_strip.moc"
