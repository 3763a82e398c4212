// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/audio_input.h"
#include "platform/frame_clock.h"
#include "platform/speech_recognizer.h"
#include "prompter/follow_session.h"
#include "prompter/prompter_controller.h"
#include "prompter/prompter_window_host.h"
#include "prompter/scroll_state.h"
#include "prompter/voice_monitor.h"
#include "store/store.h"
#include "support/fake_audio_input.h"
#include "support/fake_frame_clock.h"
#include "support/fake_speech_recognizer.h"
#include "support/fake_window_host.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace qm;

namespace {

constexpr double kFrame = 1.0 / 60.0;
using CueOffsets = QHash<qint64, double>;

using FakeAudioInput = testing::FakeAudioInput;
using FakeHost = testing::FakeWindowHost;
using FakeFrameClock = testing::FakeFrameClock;
using QuietRecognizer = testing::FakeSpeechRecognizer;

struct Step {
    double delay;
    std::function<void()> run;
};

// One controller with its own store, a fake clock and a scheduler the test fires by hand.
struct Env {
    Env()
    {
        host.inset = 32;
        controller.setWindowHost(&host);
        controller.setScheduler([this](double delay, std::function<void()> run) {
            steps.append({delay, run});
        });
    }

    void settings(const std::function<void(Settings &)> &edit)
    {
        Settings s = store.settings();
        edit(s);
        store.setSettings(s);
    }
    void setText(const QString &text) { store.setScriptText(*store.selectedID(), text); }
    void tick(double dt = kFrame)
    {
        now += dt;
        controller.tick();
    }
    // The display refreshes `dt` from now; returns whether the prompter drew on it.
    bool refresh(double dt = kFrame)
    {
        now += dt;
        const int before = frames.count();
        display->refresh(now);
        return frames.count() > before;
    }
    // What the view reports after its layout.
    void layout(double content, double viewport, QHash<qint64, double> cues = {})
    {
        controller.setContentHeight(content);
        controller.setViewportHeight(viewport);
        controller.setCueOffsets(std::move(cues));
    }
    // Runs the steps scheduled so far, advancing the clock by their delays; steps they schedule
    // stay queued for the next call.
    void fireSteps()
    {
        const QList<Step> due = std::exchange(steps, {});
        for (const Step &s : due) {
            now += s.delay;
            s.run();
        }
    }
    double offset() const { return controller.scroll().offset(); }

    QTemporaryDir dir;
    Store store {dir.path()};
    double now = 1000;
    VoiceMonitor voice {std::make_unique<FakeAudioInput>(), [this] { return now; }};
    PrompterController controller {store, voice, [this] { return now; }};
    FakeHost host;
    QList<Step> steps;
    FakeFrameClock *display = [this] {
        auto clock = std::make_unique<FakeFrameClock>();
        FakeFrameClock *raw = clock.get();
        controller.setFrameClock(std::move(clock));
        return raw;
    }();
    QSignalSpy frames {&controller, &PrompterController::frame};
};

// A shown, playing prompter on a script that can scroll `content − viewport/2` points.
void startPlaying(Env &env, double content = 1000, double viewport = 200)
{
    env.settings([](Settings &s) { s.countdown = false; });
    env.setText(QStringLiteral("Some text to read."));
    env.controller.show();
    env.layout(content, viewport);
}

// Two cue sections (ids 0 and 1) whose lines the view reports at y 100 and 400.
void showWithCues(Env &env)
{
    env.settings([](Settings &s) { s.countdown = false; });
    env.setText(QStringLiteral("# One\nFirst.\n# Two\nSecond."));
    env.controller.show();
    env.controller.playPause(); // paused: only glides move the text
    env.layout(1000, 300, {{0, 100}, {1, 400}}); // the end at 900
}

} // namespace

class TestPrompterController final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void countdown_data();
    void countdown();
    void countdownCancelled_data();
    void countdownCancelled();
    void realTimersRunScheduledSteps();
    void advance_data();
    void advance();
    void stopsAtEnd();
    void playsToItsEnd_data();
    void playsToItsEnd();
    void playPauseResumesOrStartsOver();
    void gating_data();
    void gating();
    void glide();
    void cueNavigation_data();
    void cueNavigation();
    void currentCue_data();
    void currentCue();
    void scrollBy_data();
    void scrollBy();
    void nudgeSpeed_data();
    void nudgeSpeed();
    void remainingAndProgress_data();
    void remainingAndProgress();
    void jumpWhileHidden_data();
    void jumpWhileHidden();
    void editsReachVisiblePrompterOnly();
    void settingsReachVisiblePanelOnly_data();
    void settingsReachVisiblePanelOnly();
    void showAndHideDriveTheWindow();
    void voiceFollowsModeAndVisibility();
    void worksWithoutWindowHost();
    void refreshesMoveTheTextEvenly_data();
    void refreshesMoveTheTextEvenly();
    void framesOnlyWhileSomethingMoves_data();
    void framesOnlyWhileSomethingMoves();
    void followGlidesThenRests();
    void deadlineClockKeepsItsGrid();
};

void TestPrompterController::countdown_data()
{
    QTest::addColumn<bool>("countdownSetting");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("counts");

    QTest::newRow("on, script") << true << QStringLiteral("Hello") << true;
    QTest::newRow("on, empty script") << true << QString() << false;
    QTest::newRow("off") << false << QStringLiteral("Hello") << false;
}

void TestPrompterController::countdown()
{
    QFETCH(bool, countdownSetting);
    QFETCH(QString, text);
    QFETCH(bool, counts);

    Env env;
    env.settings([&](Settings &s) { s.countdown = countdownSetting; });
    env.setText(text);
    env.controller.show();

    if (!counts) {
        QVERIFY(env.controller.isPlaying());
        QCOMPARE(env.controller.countdown(), std::nullopt);
        QVERIFY(env.steps.isEmpty());
        return;
    }
    QSignalSpy playing(&env.controller, &PrompterController::isPlayingChanged);
    QList<std::optional<int>> shown {env.controller.countdown()};
    double elapsed = 0;
    while (!env.steps.isEmpty()) {
        QVERIFY(!env.controller.isPlaying());
        QCOMPARE(env.steps.size(), 1);
        elapsed += env.steps.first().delay;
        env.fireSteps();
        shown << env.controller.countdown();
    }
    QCOMPARE(shown, (QList<std::optional<int>> {3, 2, 1, std::nullopt}));
    QCOMPARE(elapsed, 2.55);
    QVERIFY(env.controller.isPlaying());
    QCOMPARE(playing.count(), 1);
}

void TestPrompterController::countdownCancelled_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<bool>("playing");
    QTest::addColumn<std::optional<int>>("countdown");

    QTest::newRow("playPause skips it")
        << QStringLiteral("playPause") << true << std::optional<int>();
    QTest::newRow("hide drops it") << QStringLiteral("hide") << false << std::optional<int>();
    // A second show starts a new countdown; the old steps must not shorten it.
    QTest::newRow("show restarts it") << QStringLiteral("show") << false << std::optional<int>(3);
    // Nor may they count over a show that plays at once.
    QTest::newRow("show without countdown")
        << QStringLiteral("showNoCountdown") << true << std::optional<int>();
}

void TestPrompterController::countdownCancelled()
{
    QFETCH(QString, action);
    QFETCH(bool, playing);
    QFETCH(std::optional<int>, countdown);

    Env env;
    env.setText(QStringLiteral("Hello"));
    env.controller.show();
    env.fireSteps(); // now at 2
    QCOMPARE(env.controller.countdown(), 2);
    const QList<Step> stale = env.steps;
    env.steps.clear();

    if (action == QLatin1String("playPause")) {
        env.controller.playPause();
    } else if (action == QLatin1String("hide")) {
        env.controller.hide();
    } else if (action == QLatin1String("show")) {
        env.controller.show();
    } else {
        env.settings([](Settings &s) { s.countdown = false; });
        env.controller.show();
    }
    QCOMPARE(env.controller.isPlaying(), playing);
    QCOMPARE(env.controller.countdown(), countdown);

    for (const Step &s : stale)
        s.run();
    QCOMPARE(env.controller.isPlaying(), playing);
    QCOMPARE(env.controller.countdown(), countdown);
}

void TestPrompterController::realTimersRunScheduledSteps()
{
    // Without a scheduler set the steps run on real timers: one countdown step (0.85 s) and
    // one delayed jump (0.35 s), about 1.2 s of waiting in all.
    QTemporaryDir dir;
    Store store(dir.path());
    VoiceMonitor voice(std::make_unique<FakeAudioInput>());
    PrompterController controller(store, voice);
    store.setScriptText(*store.selectedID(), QStringLiteral("Hello"));

    controller.show();
    QCOMPARE(controller.countdown(), 3);
    QTRY_COMPARE_WITH_TIMEOUT(controller.countdown(), std::optional<int>(2), 3000);
    controller.hide();

    store.setScriptText(*store.selectedID(), QStringLiteral("# One\nText"));
    controller.jump(0);
    QVERIFY(controller.isVisible());
    controller.setContentHeight(1000);
    controller.setViewportHeight(200);
    controller.setCueOffsets({{0, 250}});
    // The glide settles on the cue long before the countdown ends and playing moves on.
    QTRY_COMPARE_WITH_TIMEOUT(controller.scroll().offset(), 244.0, 3000);
}

void TestPrompterController::advance_data()
{
    QTest::addColumn<double>("speed");
    QTest::addColumn<double>("dt");
    QTest::addColumn<double>("moved");

    QTest::newRow("one frame at 36") << 36.0 << kFrame << 0.6;
    QTest::newRow("0.5 s late") << 36.0 << 0.5 << 3.6;
    QTest::newRow("stalled 10 s at 200") << 200.0 << 10.0 << 20.0;
    QTest::newRow("just under the cap") << 100.0 << 0.09 << 9.0;
}

void TestPrompterController::advance()
{
    QFETCH(double, speed);
    QFETCH(double, dt);
    QFETCH(double, moved);

    Env env;
    startPlaying(env);
    env.settings([&](Settings &s) { s.speed = speed; });
    env.tick(dt);
    QCOMPARE(env.offset(), moved);
    env.tick(dt);
    QCOMPARE(env.offset(), 2 * moved);
}

void TestPrompterController::stopsAtEnd()
{
    Env env;
    startPlaying(env, 400, 300); // maxOffset 300
    env.controller.scrollBy(298.6);
    QSignalSpy atEnd(&env.controller, &PrompterController::atEndChanged);

    env.tick(); // 299.2
    QVERIFY(!env.controller.atEnd());
    env.tick(); // 299.8: within half a point
    QVERIFY(env.controller.atEnd());
    QVERIFY(env.controller.isPlaying());
    env.tick(); // clamped to 300
    QCOMPARE(env.offset(), 300.0);
    QVERIFY(env.controller.isPlaying());
    env.tick();
    QVERIFY(!env.controller.isPlaying());
    QCOMPARE(env.offset(), 300.0);
    QVERIFY(env.controller.atEnd());
    QCOMPARE(atEnd.count(), 1);
    QCOMPARE(env.controller.progress(), 1.0);
}

void TestPrompterController::playsToItsEnd_data()
{
    QTest::addColumn<double>("content");
    QTest::addColumn<double>("viewport");
    QTest::addColumn<double>("end");

    // The end of the column comes to rest on the reading line, a third down the area.
    QTest::newRow("long script") << 1000.0 << 300.0 << 900.0;
    QTest::newRow("exactly the area") << 300.0 << 300.0 << 200.0;
    // Shorter than the area: it still travels, measured against its own height.
    QTest::newRow("fits on the screen") << 240.0 << 720.0 << 160.0;
    QTest::newRow("one line") << 30.0 << 720.0 << 20.0;
    QTest::newRow("nothing laid out") << 0.0 << 720.0 << 0.0;
}

void TestPrompterController::playsToItsEnd()
{
    QFETCH(double, content);
    QFETCH(double, viewport);
    QFETCH(double, end);

    Env env;
    env.settings([](Settings &s) { s.speed = 120; });
    startPlaying(env, content, viewport);
    QVERIFY(env.controller.isPlaying());
    for (int i = 0; i < 10000 && env.controller.isPlaying(); ++i)
        env.tick();
    QVERIFY(!env.controller.isPlaying());
    QCOMPARE(env.offset(), end);
    QCOMPARE(env.controller.maxOffset(), end);
    QCOMPARE(env.controller.atEnd(), end > 0);
    QCOMPARE(env.controller.progress(), end > 0 ? 1.0 : 0.0);
    // Play again starts over and moves.
    env.controller.playPause();
    env.tick();
    QCOMPARE(env.offset() > 0, end > 0);
}

void TestPrompterController::playPauseResumesOrStartsOver()
{
    Env env;
    startPlaying(env, 400, 200);
    env.controller.scrollBy(120);
    env.controller.playPause();
    QVERIFY(!env.controller.isPlaying());
    env.tick();
    QCOMPARE(env.offset(), 120.0);
    env.controller.playPause();
    QVERIFY(env.controller.isPlaying());
    QCOMPARE(env.offset(), 120.0);

    env.controller.scrollBy(1000);
    env.tick(); // at the end: stops
    QVERIFY(!env.controller.isPlaying());
    env.controller.playPause();
    QVERIFY(env.controller.isPlaying());
    QCOMPARE(env.offset(), 0.0);
    env.tick();
    QCOMPARE(env.offset(), 0.6);
    QVERIFY(!env.controller.atEnd());
}

void TestPrompterController::gating_data()
{
    QTest::addColumn<bool>("pauseOnHover");
    QTest::addColumn<bool>("hovering");
    QTest::addColumn<bool>("voiceMode");
    QTest::addColumn<bool>("speaking");
    QTest::addColumn<bool>("gliding");
    QTest::addColumn<bool>("moves");

    QTest::newRow("hover pauses") << true << true << false << false << false << false;
    QTest::newRow("hover without the setting") << false << true << false << false << false << true;
    QTest::newRow("hover still glides") << true << true << false << false << true << true;
    QTest::newRow("voice mode, silent") << false << false << true << false << false << false;
    QTest::newRow("voice mode, speaking") << false << false << true << true << false << true;
    QTest::newRow("voice mode, silent, glides") << false << false << true << false << true << true;
}

void TestPrompterController::gating()
{
    QFETCH(bool, pauseOnHover);
    QFETCH(bool, hovering);
    QFETCH(bool, voiceMode);
    QFETCH(bool, speaking);
    QFETCH(bool, gliding);
    QFETCH(bool, moves);

    Env env;
    env.settings([&](Settings &s) {
        s.pauseOnHover = pauseOnHover;
        s.scrollMode = voiceMode ? ScrollMode::Voice : ScrollMode::Auto;
    });
    startPlaying(env);
    env.controller.setHovering(hovering);
    if (speaking)
        env.voice.ingest(1.0);
    QCOMPARE(env.voice.speaking(), speaking);
    if (gliding) {
        env.controller.setCueOffsets({{7, 306}});
        env.controller.jump(7);
        QCOMPARE(env.controller.target(), std::optional<double>(300));
    }
    env.tick();
    QCOMPARE(env.offset() > 0, moves);
}

void TestPrompterController::glide()
{
    Env env;
    showWithCues(env);
    env.controller.playPause();
    QVERIFY(env.controller.isPlaying());
    env.controller.setCueOffsets({{1, 306}});
    env.controller.jump(1);
    QCOMPARE(env.controller.target(), std::optional<double>(300));

    env.tick();
    QCOMPARE(env.offset(), 55.0); // 11/60 of the way, and no advance on top
    // The remaining distance shrinks by 49/60 a frame: 300 · (49/60)^31 ≈ 0.56, ^32 ≈ 0.46.
    for (int i = 2; i <= 31; ++i)
        env.tick();
    QVERIFY(300 - env.offset() >= 0.5);
    QVERIFY(env.controller.target());
    env.tick();
    QCOMPARE(env.offset(), 300.0);
    QCOMPARE(env.controller.target(), std::nullopt);
    // Playing carries on from the cue.
    env.tick();
    QCOMPARE(env.offset(), 300.6);
    // A stalled frame lands on the destination instead of overshooting it.
    env.controller.restart();
    env.tick(0.5);
    QCOMPARE(env.offset(), 0.0);
}

void TestPrompterController::cueNavigation_data()
{
    QTest::addColumn<double>("offset");
    QTest::addColumn<QString>("presses");
    QTest::addColumn<std::optional<double>>("target");
    // Whether a cue then lies ahead of / behind where the text is going.
    QTest::addColumn<bool>("ahead");
    QTest::addColumn<bool>("behind");

    using T = std::optional<double>;
    QTest::newRow("next from 94") << 94.0 << QStringLiteral("n") << T(394) << false << true;
    QTest::newRow("next again during the glide")
        << 94.0 << QStringLiteral("nn") << T(394) << false << true;
    QTest::newRow("previous from 394") << 394.0 << QStringLiteral("p") << T(94) << true << false;
    QTest::newRow("previous from 94") << 94.0 << QStringLiteral("p") << T(0) << true << false;
    QTest::newRow("previous from the glide's destination")
        << 94.0 << QStringLiteral("np") << T(94) << true << false;
    QTest::newRow("next from the top") << 0.0 << QStringLiteral("n") << T(94) << true << false;
    QTest::newRow("next just short of a cue")
        << 92.5 << QStringLiteral("n") << T(394) << false << true;
    QTest::newRow("next past the last") << 500.0 << QStringLiteral("n") << T() << false << true;
    QTest::newRow("restart") << 500.0 << QStringLiteral("r") << T(0) << true << false;
    // Glides by a distance (g: 150 on, G: 150 back) start from where the text is going and
    // stay between the top and the end.
    QTest::newRow("glide on") << 94.0 << QStringLiteral("g") << T(244) << true << true;
    QTest::newRow("glide on from a cue glide")
        << 94.0 << QStringLiteral("ng") << T(544) << false << true;
    QTest::newRow("glide back past the top")
        << 94.0 << QStringLiteral("G") << T(0) << true << false;
    QTest::newRow("glide on past the end")
        << 500.0 << QStringLiteral("ggg") << T(900) << false << true;
}

void TestPrompterController::cueNavigation()
{
    QFETCH(double, offset);
    QFETCH(QString, presses);
    QFETCH(std::optional<double>, target);
    QFETCH(bool, ahead);
    QFETCH(bool, behind);

    Env env;
    showWithCues(env);
    env.controller.scrollBy(offset);
    QCOMPARE(env.offset(), offset);
    for (QChar c : presses) {
        if (c == u'n')
            env.controller.nextCue();
        else if (c == u'p')
            env.controller.previousCue();
        else if (c == u'g')
            env.controller.glideBy(150);
        else if (c == u'G')
            env.controller.glideBy(-150);
        else
            env.controller.restart();
    }
    QCOMPARE(env.controller.target(), target);
    QCOMPARE(env.controller.hasCueAhead(), ahead);
    QCOMPARE(env.controller.hasCueBehind(), behind);
}

void TestPrompterController::currentCue_data()
{
    QTest::addColumn<CueOffsets>("cues");
    QTest::addColumn<double>("offset");
    QTest::addColumn<std::optional<qint64>>("current");

    using C = std::optional<qint64>;
    const QHash<qint64, double> both {{0, 100}, {1, 400}};
    QTest::newRow("before the first cue") << both << 85.9 << C();
    QTest::newRow("within 14 points") << both << 86.0 << C(0);
    QTest::newRow("between") << both << 300.0 << C(0);
    QTest::newRow("second") << both << 386.0 << C(1);
    // The view may lay sections out in any order; positions decide.
    QTest::newRow("out of section order")
        << QHash<qint64, double> {{0, 400}, {1, 100}} << 390.0 << C(0);
    // A cue the view has not placed yet is left out.
    QTest::newRow("unplaced cue") << QHash<qint64, double> {{1, 400}} << 200.0 << C();
    // Equal positions keep the section order: the later section wins the backward walk.
    QTest::newRow("equal positions") << QHash<qint64, double> {{0, 100}, {1, 100}} << 100.0 << C(1);
}

void TestPrompterController::currentCue()
{
    QFETCH(CueOffsets, cues);
    QFETCH(double, offset);
    QFETCH(std::optional<qint64>, current);

    Env env;
    showWithCues(env);
    env.controller.setCueOffsets(cues);
    env.controller.scrollBy(offset);
    QSignalSpy changed(&env.controller, &PrompterController::currentCueIDChanged);
    env.tick();
    env.tick();
    env.tick();
    QCOMPARE(env.controller.currentCueID(), current);
    QCOMPARE(changed.count(), current ? 1 : 0);
}

void TestPrompterController::scrollBy_data()
{
    QTest::addColumn<double>("delta");
    QTest::addColumn<double>("offset");

    QTest::newRow("above the top") << -50.0 << 0.0;
    QTest::newRow("past the end") << 1000.0 << 900.0;
    QTest::newRow("inside") << 30.0 << 50.0;
}

void TestPrompterController::scrollBy()
{
    QFETCH(double, delta);
    QFETCH(double, offset);

    Env env;
    showWithCues(env);
    env.controller.scrollBy(20);
    env.controller.nextCue();
    QVERIFY(env.controller.target());
    env.controller.scrollBy(delta);
    QCOMPARE(env.offset(), offset);
    QCOMPARE(env.controller.target(), std::nullopt);
    env.tick();
    QCOMPARE(env.offset(), offset);
}

void TestPrompterController::nudgeSpeed_data()
{
    QTest::addColumn<double>("speed");
    QTest::addColumn<double>("delta");
    QTest::addColumn<double>("result");

    QTest::newRow("up to the ceiling") << 198.0 << 4.0 << 200.0;
    QTest::newRow("down to the floor") << 10.0 << -4.0 << 8.0;
    QTest::newRow("inside") << 36.0 << 4.0 << 40.0;
    QTest::newRow("stored out of range") << 500.0 << -4.0 << 200.0;
}

void TestPrompterController::nudgeSpeed()
{
    QFETCH(double, speed);
    QFETCH(double, delta);
    QFETCH(double, result);

    Env env;
    env.settings([&](Settings &s) { s.speed = speed; });
    QVERIFY(env.store.save());
    QVERIFY(!env.store.savePending());
    env.controller.nudgeSpeed(delta);
    QCOMPARE(env.store.settings().speed, result);
    QVERIFY(env.store.savePending());
}

void TestPrompterController::remainingAndProgress_data()
{
    QTest::addColumn<double>("content");
    QTest::addColumn<double>("viewport");
    QTest::addColumn<double>("offset");
    QTest::addColumn<double>("speed");
    QTest::addColumn<double>("remaining");
    QTest::addColumn<double>("progress");

    QTest::newRow("middle") << 700.0 << 300.0 << 200.0 << 40.0 << 10.0 << 1.0 / 3;
    QTest::newRow("speed 0 divides by 1") << 700.0 << 300.0 << 200.0 << 0.0 << 400.0 << 1.0 / 3;
    QTest::newRow("at the end") << 700.0 << 300.0 << 600.0 << 40.0 << 0.0 << 1.0;
    QTest::newRow("short script") << 90.0 << 300.0 << 0.0 << 40.0 << 1.5 << 0.0;
    QTest::newRow("short script, halfway") << 90.0 << 300.0 << 30.0 << 40.0 << 0.75 << 0.5;
    QTest::newRow("empty") << 0.0 << 300.0 << 0.0 << 40.0 << 0.0 << 0.0;
}

void TestPrompterController::remainingAndProgress()
{
    QFETCH(double, content);
    QFETCH(double, viewport);
    QFETCH(double, offset);
    QFETCH(double, speed);
    QFETCH(double, remaining);
    QFETCH(double, progress);

    Env env;
    env.settings([&](Settings &s) { s.speed = speed; });
    env.layout(content, viewport);
    env.controller.scrollBy(offset);
    QCOMPARE(env.controller.remaining(), remaining);
    QCOMPARE(env.controller.progress(), progress);

    // The measurements shrink under the offset (the script was shortened): still in range.
    env.layout(content / 2, viewport);
    QVERIFY(env.controller.remaining() >= 0);
    QVERIFY(env.controller.progress() >= 0 && env.controller.progress() <= 1);
}

void TestPrompterController::jumpWhileHidden_data()
{
    QTest::addColumn<bool>("hideFirst");
    QTest::newRow("glides after showing") << false;
    QTest::newRow("hidden again before the retry") << true;
}

void TestPrompterController::jumpWhileHidden()
{
    QFETCH(bool, hideFirst);

    Env env;
    env.setText(QStringLiteral("Intro\n# One\nFirst.\n# Two\nSecond."));
    env.controller.jump(2);
    QVERIFY(env.controller.isVisible());
    QCOMPARE(env.offset(), 0.0);
    QCOMPARE(env.controller.countdown(), 3);
    QCOMPARE(env.controller.target(), std::nullopt);
    QCOMPARE(env.host.calls.count(QStringLiteral("build")), 1);

    // The countdown step and the jump retry.
    QCOMPARE(env.steps.size(), 2);
    QCOMPARE(env.steps.at(1).delay, PrompterController::kJumpRetryDelay);
    const Step retry = env.steps.at(1);
    env.layout(1000, 200, {{1, 120}, {2, 506}});
    if (hideFirst)
        env.controller.hide();
    retry.run();
    if (hideFirst) {
        QVERIFY(!env.controller.isVisible());
        QCOMPARE(env.controller.target(), std::nullopt);
        QCOMPARE(env.host.calls.count(QStringLiteral("build")), 1);
    } else {
        QCOMPARE(env.controller.target(), std::optional<double>(500));
        env.tick();
        QVERIFY(env.offset() > 0); // glides during the countdown
    }
}

void TestPrompterController::editsReachVisiblePrompterOnly()
{
    Env env;
    env.setText(QStringLiteral("# A\nOne"));
    QSignalSpy changed(&env.controller, &PrompterController::sectionsChanged);

    env.setText(QStringLiteral("# B\nTwo"));
    QVERIFY(env.controller.sections().isEmpty());
    QCOMPARE(changed.count(), 0);

    env.controller.show();
    QCOMPARE(env.controller.sections().first().cue, QStringLiteral("B"));
    QCOMPARE(changed.count(), 1);

    env.setText(QStringLiteral("# C\nThree"));
    QCOMPARE(env.controller.sections().first().cue, QStringLiteral("C"));
    QCOMPARE(changed.count(), 2);

    // A change that splits to the same sections (trailing space) publishes nothing.
    env.setText(QStringLiteral("# C\nThree  "));
    QCOMPARE(changed.count(), 2);

    // Selection: another script, then none.
    env.store.addScript();
    env.store.setSelectedID(env.store.scripts().last().id);
    env.setText(QStringLiteral("Other"));
    QCOMPARE(env.controller.sections().first().body, QStringLiteral("Other"));
    env.store.setSelectedID(std::nullopt);
    QVERIFY(env.controller.sections().isEmpty());

    env.controller.hide();
    const int seen = changed.count();
    env.store.setSelectedID(env.store.scripts().first().id);
    QVERIFY(env.controller.sections().isEmpty());
    QCOMPARE(changed.count(), seen);
}

void TestPrompterController::settingsReachVisiblePanelOnly_data()
{
    QTest::addColumn<bool>("visible");
    QTest::addColumn<QString>("change");
    QTest::addColumn<QStringList>("calls");

    const QStringList none;
    QTest::newRow("mode, visible") << true << QStringLiteral("mode") << QStringList {"build"};
    QTest::newRow("sharing, visible")
        << true << QStringLiteral("sharing") << QStringList {"reapply"};
    QTest::newRow("equal value again") << true << QStringLiteral("same") << none;
    QTest::newRow("mode, hidden") << false << QStringLiteral("mode") << none;
    QTest::newRow("sharing, hidden") << false << QStringLiteral("sharing") << none;
}

void TestPrompterController::settingsReachVisiblePanelOnly()
{
    QFETCH(bool, visible);
    QFETCH(QString, change);
    QFETCH(QStringList, calls);

    Env env;
    env.controller.show();
    if (!visible)
        env.controller.hide();
    env.host.calls.clear();
    env.host.inset = 0;

    env.settings([&](Settings &s) {
        s.micSensitivity = 0.9;
        if (change == QLatin1String("mode"))
            s.mode = PrompterMode::Floating;
        else if (change == QLatin1String("sharing"))
            s.hideFromSharing = !s.hideFromSharing;
    });
    // The first write differs in the sensitivity; write the same value once more.
    if (change == QLatin1String("same")) {
        env.host.calls.clear();
        env.settings([](Settings &) {});
    }
    QCOMPARE(env.host.calls, calls);
    QCOMPARE(env.voice.sensitivity(), 0.9);
    if (calls == QStringList {"build"}) {
        QCOMPARE(env.host.built.mode, PrompterMode::Floating);
        QCOMPARE(env.controller.topInset(), 0.0);
        // Built for floating now: a further change there re-applies.
        env.settings([](Settings &s) { s.hideFromSharing = !s.hideFromSharing; });
        QCOMPARE(env.host.calls.last(), QStringLiteral("reapply"));
        QCOMPARE(env.host.reapplied.hideFromSharing, env.store.settings().hideFromSharing);
    }
    if (!visible) {
        // The next show applies whatever changed meanwhile.
        env.controller.show();
        QCOMPARE(env.host.calls, QStringList {"build"});
        QCOMPARE(env.host.built, env.store.settings());
    }
}

void TestPrompterController::showAndHideDriveTheWindow()
{
    Env env;
    env.settings([](Settings &s) { s.countdown = false; });
    env.setText(QStringLiteral("# One\nText"));
    QSignalSpy frames(&env.controller, &PrompterController::frame);

    env.controller.show();
    QCOMPARE(env.host.calls, (QStringList {"build", "wheel"}));
    QCOMPARE(env.controller.topInset(), 32.0);
    QVERIFY(env.controller.frameTimerActive());
    env.layout(1000, 200, {{0, 10}});
    env.tick();
    QCOMPARE(frames.count(), 1);
    env.controller.setHovering(true);
    QCOMPARE(env.controller.currentCueID(), std::optional<qint64>(0));

    env.controller.hide();
    QCOMPARE(env.host.calls.last(), QStringLiteral("close"));
    QVERIFY(!env.controller.frameTimerActive());
    QVERIFY(!env.controller.isVisible());
    QVERIFY(!env.controller.isPlaying());
    QVERIFY(!env.controller.hovering());
    QCOMPARE(env.controller.currentCueID(), std::nullopt);
    const double kept = env.offset();
    QVERIFY(kept > 0);
    env.tick();
    QCOMPARE(env.offset(), kept);
    QCOMPARE(frames.count(), 1);

    // A later show starts over from the top; the wheel monitor is installed once only.
    env.host.calls.clear();
    env.controller.toggle();
    QVERIFY(env.controller.isVisible());
    QCOMPARE(env.offset(), 0.0);
    QCOMPARE(env.host.calls, QStringList {"build"});
    env.controller.toggle();
    QVERIFY(!env.controller.isVisible());
}

void TestPrompterController::voiceFollowsModeAndVisibility()
{
    Env env;
    env.settings([](Settings &s) {
        s.scrollMode = ScrollMode::Voice;
        s.micSensitivity = 0.2;
    });
    QVERIFY(!env.voice.running()); // never while hidden
    QCOMPARE(env.voice.sensitivity(), 0.2);

    env.controller.show();
    QVERIFY(env.voice.running());
    env.settings([](Settings &s) { s.scrollMode = ScrollMode::Auto; });
    QVERIFY(!env.voice.running());
    env.settings([](Settings &s) { s.scrollMode = ScrollMode::Voice; });
    QVERIFY(env.voice.running());
    env.controller.hide();
    QVERIFY(!env.voice.running());
}

void TestPrompterController::worksWithoutWindowHost()
{
    QTemporaryDir dir;
    Store store(dir.path());
    VoiceMonitor voice(std::make_unique<FakeAudioInput>());
    double now = 5;
    PrompterController controller(store, voice, [&] { return now; });
    Settings s = store.settings();
    s.countdown = false;
    store.setSettings(s);

    controller.show();
    QVERIFY(controller.isVisible());
    QVERIFY(controller.isPlaying());
    s.mode = PrompterMode::Floating;
    store.setSettings(s);
    controller.setContentHeight(500);
    controller.setViewportHeight(100);
    now += 0.05;
    controller.tick();
    QCOMPARE(controller.scroll().offset(), 0.05 * s.speed);
    controller.hide();
    QVERIFY(!controller.isVisible());
}

void TestPrompterController::refreshesMoveTheTextEvenly_data()
{
    QTest::addColumn<double>("rate");
    // Refreshes after the first, in periods since the one before, and the expected movement of
    // each in points.
    QTest::addColumn<QList<double>>("gaps");
    QTest::addColumn<QList<double>>("moved");

    // 60 pt/s.
    QTest::newRow("60 Hz") << 60.0 << QList<double> {1, 1, 1, 1} << QList<double> {1, 1, 1, 1};
    QTest::newRow("144 Hz") << 144.0 << QList<double> {1, 1, 1}
                            << QList<double> {60 / 144.0, 60 / 144.0, 60 / 144.0};
    QTest::newRow("a skipped refresh catches up")
        << 60.0 << QList<double> {1, 2, 1} << QList<double> {1, 2, 1};
    QTest::newRow("a stall moves a tenth of a second at most")
        << 60.0 << QList<double> {1, 30, 1} << QList<double> {1, 6, 1};
}

void TestPrompterController::refreshesMoveTheTextEvenly()
{
    QFETCH(double, rate);
    QFETCH(QList<double>, gaps);
    QFETCH(QList<double>, moved);

    Env env;
    env.settings([](Settings &s) { s.speed = 60; });
    startPlaying(env, 100000);
    QVERIFY(env.refresh(1 / rate));
    for (qsizetype i = 0; i < gaps.size(); ++i) {
        const double before = env.offset();
        QVERIFY(env.refresh(gaps[i] / rate));
        QVERIFY2(qAbs(env.offset() - before - moved[i]) < 1e-9,
            qPrintable(QStringLiteral("refresh %1 moved %2").arg(i).arg(env.offset() - before)));
    }
}

void TestPrompterController::framesOnlyWhileSomethingMoves_data()
{
    using Action = std::function<void(Env &)>;
    QTest::addColumn<Action>("state");
    QTest::addColumn<bool>("draws");
    // What changes the picture afterwards; it must bring the frames back.
    QTest::addColumn<Action>("wake");

    const Action nothing = [](Env &) {};
    const Action pause = [](Env &env) { env.controller.playPause(); };
    const Action hover = [](Env &env) { env.controller.setHovering(true); };
    QTest::newRow("playing") << nothing << true << nothing;
    QTest::newRow("paused, then played") << pause << false << pause;
    QTest::newRow("paused, then scrolled")
        << pause << false << Action([](Env &env) { env.controller.scrollBy(40); });
    QTest::newRow("paused, then a cue glide")
        << pause << false << Action([](Env &env) { env.controller.restart(); });
    QTest::newRow("paused, then a glide by a distance")
        << pause << false << Action([](Env &env) { env.controller.glideBy(60); });
    QTest::newRow("paused, then the settings change")
        << pause << false
        << Action([](Env &env) { env.settings([](Settings &s) { s.fontSize += 2; }); });
    QTest::newRow("paused, then the script changes")
        << pause << false << Action([](Env &env) { env.setText(QStringLiteral("Other words.")); });
    QTest::newRow("hovered with pause on hover, then left")
        << hover << false << Action([](Env &env) { env.controller.setHovering(false); });
    QTest::newRow("hovered without pause on hover") << Action([](Env &env) {
        env.settings([](Settings &s) { s.pauseOnHover = false; });
        env.controller.setHovering(true);
    }) << true << nothing;
    QTest::newRow("voice mode in silence, then speaking") << Action([](Env &env) {
        env.settings([](Settings &s) { s.scrollMode = ScrollMode::Voice; });
    }) << false << Action([](Env &env) { env.voice.ingest(1.0); });
    QTest::newRow("at the end, then played again")
        << Action([](Env &env) { env.controller.scrollBy(1e6); }) << false << pause;
    QTest::newRow("counting down, then the next number") << Action([](Env &env) {
        env.settings([](Settings &s) { s.countdown = true; });
        env.controller.hide();
        env.controller.show();
    }) << false << Action([](Env &env) { env.fireSteps(); });
}

void TestPrompterController::framesOnlyWhileSomethingMoves()
{
    using Action = std::function<void(Env &)>;
    QFETCH(Action, state);
    QFETCH(bool, draws);
    QFETCH(Action, wake);

    Env env;
    startPlaying(env);
    QVERIFY(env.refresh());
    state(env);
    env.layout(1000, 200);
    // Whatever the state changed is drawn once, then the refreshes go on only while it moves.
    for (int i = 0; i < 3; ++i)
        env.refresh();
    QCOMPARE(env.display->running(), draws);
    QCOMPARE(env.refresh(), draws);
    if (draws)
        return;
    const double still = env.offset();
    QVERIFY(!env.refresh(1.0));
    QCOMPARE(env.offset(), still);

    wake(env);
    QVERIFY(env.display->running());
    QVERIFY(env.refresh());
}

// Following moves the text only on its way to the word read: then the frames rest until the
// reader gets further.
void TestPrompterController::followGlidesThenRests()
{
    Env env;
    env.controller.follow().setRecognizer(std::make_unique<QuietRecognizer>());
    env.settings([](Settings &s) {
        s.countdown = false;
        s.scrollMode = ScrollMode::Follow;
    });
    env.setText(QStringLiteral("one two three four five six seven eight nine ten eleven twelve"));
    env.controller.show();
    env.layout(1000, 200);
    // Four words a line, 100 pt apart.
    env.controller.follow().setWordLines({{0, 0, 24}, {4, 100, 24}, {8, 200, 24}});
    for (int i = 0; i < 3; ++i)
        env.refresh();
    QVERIFY(!env.display->running());
    QCOMPARE(env.offset(), 0.0);

    env.controller.follow().hear(
        QStringLiteral("five six seven eight nine").split(QLatin1Char(' ')), true);
    QVERIFY(env.display->running());
    for (int i = 0; i < 60 * 10 && env.display->running(); ++i)
        env.refresh();
    QVERIFY(!env.display->running());
    QCOMPARE(env.offset(), *env.controller.follow().targetOffset(200, env.controller.maxOffset()));
    QVERIFY(env.offset() > 100);
}

void TestPrompterController::deadlineClockKeepsItsGrid()
{
    // Deadlines are multiples of the period from one origin, whenever the timer happens to run.
    double now = 10;
    auto clock = platform::makeDeadlineClock(144, [&] { return now; });
    QList<platform::Refresh> seen;
    clock->setCallback([&](const platform::Refresh &r) { seen << r; });
    clock->start();
    QVERIFY(clock->running());
    now += 0.5 / 144; // half-way to the first deadline: none yet
    QTRY_COMPARE_WITH_TIMEOUT(seen.size(), 0, 50);
    now += 0.5 / 144 + 0.003;
    QTRY_COMPARE(seen.size(), 1);
    QCOMPARE(seen[0].seconds, 10 + 1.0 / 144);
    now += 2.0 / 144; // late by two refreshes: the one due now, numbered on the same grid
    QTRY_COMPARE(seen.size(), 2);
    QCOMPARE(seen[1].msc, seen[0].msc + 2);
    QVERIFY(qAbs(seen[1].seconds - (10 + 3.0 / 144)) < 1e-9);
    clock->stop();
    now += 1;
    QTest::qWait(20);
    QCOMPARE(seen.size(), 2);
}

QTEST_GUILESS_MAIN(TestPrompterController)
#include "tst_prompter_controller.moc"
