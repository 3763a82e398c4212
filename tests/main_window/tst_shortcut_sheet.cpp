// SPDX-License-Identifier: GPL-3.0-or-later
#include "main_window/shortcut_sheet.h"
#include "ui/fonts.h"

#include <QApplication>
#include <QLabel>
#include <QTest>

using namespace qm;

namespace {

QWidget *rowWidget(ShortcutSheet &sheet, int i)
{
    return sheet.findChild<QWidget *>(QStringLiteral("shortcutRow%1").arg(i));
}

QList<int> markedRows(ShortcutSheet &sheet)
{
    QList<int> rows;
    for (int i = 0; i < 6; ++i) {
        auto *mark = rowWidget(sheet, i)->findChild<QLabel *>("refused");
        if (mark->isVisibleTo(&sheet) && mark->text() == QStringLiteral("In use by another app"))
            rows.append(i);
    }
    return rows;
}

} // namespace

class TstShortcutSheet final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { fonts::install(); }

    void listsTheSixShortcutsInOrder()
    {
        ShortcutSheet sheet;
        sheet.show();
        QVERIFY(QTest::qWaitForWindowExposed(&sheet));
        QCOMPARE(sheet.width(), 300);

        const QStringList keys {"Ctrl Enter", "Ctrl Alt P", "Ctrl Alt Space", "Ctrl Alt PgUp PgDn",
            QStringLiteral("Ctrl Alt + \u2212"), "Ctrl Alt R"};
        const QStringList descriptions {"Start or stop the prompter", "Show or hide, from any app",
            "Play or pause", "Previous or next cue", "Faster or slower", "Back to the top"};
        QVERIFY(!rowWidget(sheet, 6));
        int lastY = -1;
        for (int i = 0; i < 6; ++i) {
            QWidget *row = rowWidget(sheet, i);
            QVERIFY(row);
            QCOMPARE(row->findChild<QLabel *>("description")->text(), descriptions.at(i));
            QWidget *tag = row->findChild<QWidget *>("keys");
            QCOMPARE(tag->accessibleName(), keys.at(i));
            // Each keys tag ends at the sheet's trailing padding.
            QCOMPARE(tag->mapTo(&sheet, QPoint(tag->width(), 0)).x(), 300 - 16);
            QVERIFY(row->y() > lastY);
            lastY = row->y();
        }
        const QList<QLabel *> labels = sheet.findChildren<QLabel *>();
        QCOMPARE(labels.first()->text(), QStringLiteral("Shortcuts"));
        auto *footnote = sheet.findChild<QLabel *>("footnote");
        QCOMPARE(footnote->text(),
            QStringLiteral("Hover the prompter to pause. Scroll on it with two fingers to move."));
        QVERIFY(footnote->y() > lastY);
        QCOMPARE(footnote->geometry().bottom() + 1, sheet.height() - 16);
    }

    void marksTheChordsOtherAppsHold_data()
    {
        QTest::addColumn<QList<int>>("refused");
        QTest::addColumn<QList<int>>("marked");
        QTest::newRow("none") << QList<int> {} << QList<int> {};
        QTest::newRow("play and restart") << QList<int> {2, 5} << QList<int> {2, 5};
        QTest::newRow("all hot keys") << QList<int> {1, 2, 3, 4, 5} << QList<int> {1, 2, 3, 4, 5};
        // The window's own key and rows that do not exist are never marked.
        QTest::newRow("out of range") << QList<int> {0, 6, -1} << QList<int> {};
    }

    void marksTheChordsOtherAppsHold()
    {
        QFETCH(QList<int>, refused);
        QFETCH(QList<int>, marked);
        ShortcutSheet sheet;
        const int plainHeight = sheet.sizeHint().height();
        sheet.setRefused({1, 3});
        sheet.setRefused(refused);
        QCOMPARE(markedRows(sheet), marked);
        QCOMPARE(sheet.sizeHint().height() > plainHeight, !marked.isEmpty());
    }

    // The clicker's page keys: listed only while the setting is on, after the other rows and
    // above the footnote, marked when refused; turning it off takes the row away again.
    void listsTheClickerKeysWhileOn_data()
    {
        QTest::addColumn<bool>("listed");
        QTest::addColumn<bool>("refused");
        QTest::newRow("off") << false << false;
        QTest::newRow("off, refused earlier") << false << true;
        QTest::newRow("on") << true << false;
        QTest::newRow("on, refused") << true << true;
    }
    void listsTheClickerKeysWhileOn()
    {
        QFETCH(bool, listed);
        QFETCH(bool, refused);
        ShortcutSheet sheet;
        sheet.show();
        QVERIFY(QTest::qWaitForWindowExposed(&sheet));
        const int plainHeight = sheet.sizeHint().height();
        sheet.setClicker(true, true);
        sheet.setClicker(listed, refused);
        QApplication::processEvents();

        auto *row = sheet.findChild<QWidget *>("clickerRow");
        QVERIFY(row);
        QCOMPARE(row->isVisibleTo(&sheet), listed);
        QCOMPARE(row->findChild<QWidget *>("keys")->accessibleName(), QStringLiteral("PgUp PgDn"));
        QCOMPARE(row->findChild<QLabel *>("refused")->isVisibleTo(&sheet), listed && refused);
        QCOMPARE(sheet.sizeHint().height() > plainHeight, listed);
        if (listed) {
            QVERIFY(row->y() > rowWidget(sheet, 5)->y());
            QVERIFY(sheet.findChild<QLabel *>("footnote")->y() > row->geometry().bottom());
        }
        // The six rows are never marked for it.
        QVERIFY(markedRows(sheet).isEmpty());
    }
};

QTEST_MAIN(TstShortcutSheet)
#include "tst_shortcut_sheet.moc"
