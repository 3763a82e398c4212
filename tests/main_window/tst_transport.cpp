// SPDX-License-Identifier: GPL-3.0-or-later
#include "controller_fixture.h"
#include "main_window/controls/capsule_button.h"
#include "main_window/controls/round_button.h"
#include "main_window/controls/start_button.h"
#include "main_window/transport.h"
#include "prompter/scroll_state.h"
#include "ui/fonts.h"
#include "ui/symbols.h"
#include "ui/texts.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

using namespace qm;
using qm::testing::ControllerFixture;

class TstTransport final : public QObject {
    Q_OBJECT

private:
    static StartButton *start(Transport &t) { return t.findChild<StartButton *>("start"); }
    static RoundButton *playPause(Transport &t) { return t.findChild<RoundButton *>("playPause"); }
    static RoundButton *restart(Transport &t) { return t.findChild<RoundButton *>("restart"); }
    static CapsuleButton *stop(Transport &t) { return t.findChild<CapsuleButton *>("stop"); }

    static bool showsStart(Transport &t)
    {
        return start(t)->isVisibleTo(&t) && !playPause(t)->isVisibleTo(&t)
            && !stop(t)->isVisibleTo(&t);
    }
    static bool showsRunning(Transport &t)
    {
        return !start(t)->isVisibleTo(&t) && playPause(t)->isVisibleTo(&t)
            && restart(t)->isVisibleTo(&t) && stop(t)->isVisibleTo(&t);
    }

private Q_SLOTS:
    void initTestCase() { fonts::install(); }

    void hiddenShowsOnlyStart()
    {
        ControllerFixture f;
        Transport t(f.controller);
        QVERIFY(start(t) && playPause(t) && restart(t) && stop(t));
        QVERIFY(showsStart(t));
        QCOMPARE(start(t)->text(), QStringLiteral("Start prompter"));
        QCOMPARE(t.sizeHint().height(), 38);
        QCOMPARE(t.sizeHint().width(), start(t)->sizeHint().width());
    }

    void startAndStopSwitchTheControls()
    {
        ControllerFixture f;
        Transport t(f.controller);
        QTest::mouseClick(start(t), Qt::LeftButton);
        QVERIFY(f.controller.isVisible());
        QVERIFY(showsRunning(t));
        QCOMPARE(stop(t)->toolTip(), QStringLiteral("Close the prompter (Ctrl+Enter)"));
        QCOMPARE(restart(t)->toolTip(), texts::restartTip());
        QCOMPARE(restart(t)->size(), QSize(36, 36));
        QCOMPARE(playPause(t)->size(), QSize(36, 36));
        // Both circles, the stop capsule and the gaps of 8 between them.
        QCOMPARE(t.sizeHint().width(), 36 + 8 + 36 + 8 + stop(t)->sizeHint().width());

        QTest::mouseClick(stop(t), Qt::LeftButton);
        QVERIFY(!f.controller.isVisible());
        QVERIFY(showsStart(t));
    }

    void switchAnimatesOnScreenAndOldControlsTakeNoClicks()
    {
        ControllerFixture f;
        QWidget window;
        auto *row = new QHBoxLayout(&window);
        row->addStretch(1);
        auto *t = new Transport(f.controller, &window);
        row->addWidget(t, 0, Qt::AlignTop);
        window.resize(400, 80);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        f.controller.show();
        // The running controls answer at once; the start button fades out without clicks.
        QVERIFY(playPause(*t)->isVisibleTo(t));
        QVERIFY(start(*t)->testAttribute(Qt::WA_TransparentForMouseEvents));
        QTRY_VERIFY(start(*t)->isHidden());
        QCOMPARE(playPause(*t)->opacity(), 1.0);
        QTRY_COMPARE(t->width(), t->sizeHint().width());
        // The controls hang from the transport's top right.
        QCOMPARE(stop(*t)->mapTo(t, QPoint(stop(*t)->width(), 0)), QPoint(t->width(), 0));

        f.controller.hide();
        QVERIFY(start(*t)->isVisibleTo(t));
        QVERIFY(!start(*t)->testAttribute(Qt::WA_TransparentForMouseEvents));
        QVERIFY(stop(*t)->parentWidget()->testAttribute(Qt::WA_TransparentForMouseEvents));
        QTRY_VERIFY(stop(*t)->parentWidget()->isHidden());
        QCOMPARE(start(*t)->opacity(), 1.0);
    }

    void playPauseFollowsThePlayState()
    {
        ControllerFixture f;
        Transport t(f.controller);
        f.controller.show();
        QVERIFY(f.controller.isPlaying());
        QCOMPARE(playPause(t)->symbol(), symbols::pause);
        QCOMPARE(playPause(t)->toolTip(), QStringLiteral("Pause (Ctrl+Alt+Space)"));

        QTest::mouseClick(playPause(t), Qt::LeftButton);
        QVERIFY(!f.controller.isPlaying());
        QCOMPARE(playPause(t)->symbol(), symbols::play);
        QCOMPARE(playPause(t)->toolTip(), QStringLiteral("Play (Ctrl+Alt+Space)"));

        QTest::mouseClick(playPause(t), Qt::LeftButton);
        QVERIFY(f.controller.isPlaying());
        QCOMPARE(playPause(t)->symbol(), symbols::pause);
    }

    void restartGlidesToTheTopKeepingThePlayState_data()
    {
        QTest::addColumn<bool>("playing");
        QTest::newRow("playing") << true;
        QTest::newRow("paused") << false;
    }

    void restartGlidesToTheTopKeepingThePlayState()
    {
        QFETCH(bool, playing);
        ControllerFixture f;
        Transport t(f.controller);
        f.controller.show();
        f.controller.setContentHeight(2000);
        f.controller.setViewportHeight(200);
        f.controller.scrollBy(600);
        if (!playing)
            f.controller.playPause();
        QCOMPARE(f.controller.isPlaying(), playing);

        QTest::mouseClick(restart(t), Qt::LeftButton);
        QCOMPARE(f.controller.target(), std::optional<double>(0.0));
        for (int i = 0; i < 120 && f.controller.target(); ++i)
            f.tick();
        QVERIFY(!f.controller.target());
        QCOMPARE(f.controller.isPlaying(), playing);
        QVERIFY(f.controller.scroll().offset() < 1.0);
    }

    void ctrlEnterStartsAndCloses_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::newRow("Ctrl+Return") << int(Qt::Key_Return) << int(Qt::ControlModifier);
        QTest::newRow("Ctrl+keypad Enter")
            << int(Qt::Key_Enter) << int(Qt::ControlModifier | Qt::KeypadModifier);
    }

    void ctrlEnterStartsAndCloses()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        ControllerFixture f;
        QWidget window;
        auto *layout = new QVBoxLayout(&window);
        auto *field = new QLineEdit(&window);
        layout->addWidget(field);
        layout->addWidget(new Transport(f.controller, &window));
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        field->setFocus();

        const auto mods = Qt::KeyboardModifiers(modifiers);
        QTest::keyClick(field, Qt::Key(key), mods);
        QVERIFY(f.controller.isVisible());
        QTest::keyClick(field, Qt::Key(key), mods);
        QVERIFY(!f.controller.isVisible());
        // Enter on its own belongs to whatever has the focus.
        QTest::keyClick(field, Qt::Key(key));
        QVERIFY(!f.controller.isVisible());
    }
};

QTEST_MAIN(TstTransport)
#include "tst_transport.moc"
