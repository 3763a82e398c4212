// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/audio_input.h"
#include "prompter/voice_monitor.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <thread>
#include <vector>

using qm::VoiceMonitor;
using qm::platform::AudioInput;
using qm::platform::MicrophonePermission;

namespace {

// What the fake input saw; outlives the input, which the monitor owns.
struct InputLog {
    int starts = 0;
    int stops = 0;
    bool open = false;
};

// An input driven by hand: the test decides what start answers and when blocks arrive.
class FakeInput final : public AudioInput {
public:
    explicit FakeInput(std::shared_ptr<InputLog> log)
        : m_log(std::move(log))
    {
    }

    MicrophonePermission permission() const override { return permissionAnswer; }
    void requestPermission(std::function<void(bool)> answer) override
    {
        pendingAnswer = std::move(answer);
    }
    bool start(BlockHandler onBlock, FailureHandler onFailure) override
    {
        ++m_log->starts;
        if (!startSucceeds)
            return false;
        m_log->open = true;
        sessions.push_back({std::move(onBlock), std::move(onFailure)});
        return true;
    }
    void stop() override
    {
        ++m_log->stops;
        m_log->open = false;
    }

    void deliver(const std::vector<float> &block) const
    {
        if (m_log->open)
            sessions.back().onBlock(block);
    }

    MicrophonePermission permissionAnswer = MicrophonePermission::Granted;
    bool startSucceeds = true;
    std::function<void(bool)> pendingAnswer;
    struct Session {
        BlockHandler onBlock;
        FailureHandler onFailure;
    };
    std::vector<Session> sessions;

private:
    std::shared_ptr<InputLog> m_log;
};

std::vector<float> constantBlock(double amplitude, std::size_t frames = 1024)
{
    return std::vector<float>(frames, float(amplitude));
}

// A square wave of the given amplitude: its RMS equals the amplitude.
std::vector<float> squareBlock(double amplitude, std::size_t frames = 1024)
{
    std::vector<float> block(frames);
    for (std::size_t i = 0; i < frames; ++i)
        block[i] = float((i / 24) % 2 ? -amplitude : amplitude);
    return block;
}

std::vector<float> sineBlock(double amplitude, std::size_t frames = 1000)
{
    std::vector<float> block(frames);
    // 480 Hz at 48 kHz over whole periods, so the RMS is exactly peak / √2.
    for (std::size_t i = 0; i < frames; ++i)
        block[i] = float(amplitude * std::sin(2 * std::numbers::pi * double(i) / 100.0));
    return block;
}

double amplitudeAt(double dbfs)
{
    return std::pow(10.0, dbfs / 20.0);
}

void pump()
{
    QCoreApplication::sendPostedEvents();
}

} // namespace

Q_DECLARE_METATYPE(MicrophonePermission)

class TestVoiceMonitor : public QObject {
    Q_OBJECT

    std::shared_ptr<InputLog> log;
    FakeInput *input = nullptr;
    std::unique_ptr<VoiceMonitor> monitor;
    double now = 100;

    void block(const std::vector<float> &samples)
    {
        input->deliver(samples);
        pump();
    }
    void blockAt(double t, double amplitude)
    {
        now = t;
        block(constantBlock(amplitude));
    }

private Q_SLOTS:
    void init()
    {
        log = std::make_shared<InputLog>();
        auto fake = std::make_unique<FakeInput>(log);
        input = fake.get();
        now = 100;
        monitor = std::make_unique<VoiceMonitor>(std::move(fake), [this] { return now; });
    }
    void cleanup()
    {
        monitor.reset();
        input = nullptr;
        QCOMPARE(log->open, false);
    }

    void rawLevel_data()
    {
        QTest::addColumn<std::vector<float>>("samples");
        QTest::addColumn<double>("expected");
        QTest::newRow("silence") << constantBlock(0) << 0.0;
        QTest::newRow("full-scale square") << squareBlock(1) << 1.0;
        QTest::newRow("above full scale clamps") << squareBlock(4) << 1.0;
        QTest::newRow("-30 dBFS") << squareBlock(amplitudeAt(-30)) << 0.5;
        QTest::newRow("-24 dBFS") << squareBlock(amplitudeAt(-24)) << 0.6;
        QTest::newRow("-42 dBFS") << constantBlock(amplitudeAt(-42)) << 0.3;
        QTest::newRow("-60 dBFS") << constantBlock(amplitudeAt(-60)) << 0.0;
        QTest::newRow("below -60 dBFS clamps") << constantBlock(amplitudeAt(-90)) << 0.0;
        // RMS, not peak: a sine of peak √2·A has the level of a square of A.
        QTest::newRow("sine at -30 dBFS RMS")
            << sineBlock(std::numbers::sqrt2 * amplitudeAt(-30)) << 0.5;
        // Lengths that are not a multiple of the unrolled loop still count every frame.
        QTest::newRow("1021 frames of -6 dBFS") << constantBlock(amplitudeAt(-6), 1021) << 0.9;
        std::vector<float> tail(1021, 0.0f);
        for (std::size_t i = 1016; i < tail.size(); ++i)
            tail[i] = 1.0f;
        QTest::newRow("loudness only in the tail")
            << tail << (20 * std::log10(std::sqrt(5.0 / 1021)) + 60) / 60;
        QTest::newRow("empty") << std::vector<float>() << 0.0;
        std::vector<float> broken = squareBlock(0.5);
        broken[7] = std::numeric_limits<float>::quiet_NaN();
        QTest::newRow("NaN sample") << broken << 0.0;
    }
    void rawLevel()
    {
        QFETCH(std::vector<float>, samples);
        QFETCH(double, expected);
        const double raw = VoiceMonitor::rawLevel(samples);
        QVERIFY2(std::abs(raw - expected) < 1e-4,
            qPrintable(QStringLiteral("%1 instead of %2").arg(raw).arg(expected)));
    }

    // Whole blocks at a loudness, through the reader, against the sensitivity's threshold.
    void speechThreshold_data()
    {
        QTest::addColumn<double>("sensitivity");
        QTest::addColumn<double>("dbfs");
        QTest::addColumn<bool>("speech");
        QTest::newRow("-30 dBFS at 0.5") << 0.5 << -30.0 << false;
        QTest::newRow("-24 dBFS at 0.5") << 0.5 << -24.0 << true;
        QTest::newRow("-41 dBFS at 1") << 1.0 << -41.0 << true;
        QTest::newRow("-43 dBFS at 1") << 1.0 << -43.0 << false;
        QTest::newRow("-11 dBFS at 0") << 0.0 << -11.0 << true;
        QTest::newRow("-13 dBFS at 0") << 0.0 << -13.0 << false;
        QTest::newRow("silence at 1") << 1.0 << -200.0 << false;
    }
    void speechThreshold()
    {
        QFETCH(double, sensitivity);
        QFETCH(double, dbfs);
        QFETCH(bool, speech);
        monitor->setSensitivity(sensitivity);
        monitor->start();
        block(squareBlock(amplitudeAt(dbfs)));
        QCOMPARE(monitor->speaking(), speech);
    }

    // The comparison is strict and uses the raw value, not the smoothed level.
    void strictThreshold_data()
    {
        QTest::addColumn<double>("sensitivity");
        QTest::addColumn<double>("raw");
        QTest::addColumn<bool>("speech");
        for (double s : {0.0, 0.5, 1.0}) {
            const double threshold = 0.8 - 0.5 * s;
            const QByteArray name = QByteArray::number(s);
            QTest::newRow(QByteArray(name + " at the threshold").constData())
                << s << threshold << false;
            QTest::newRow(QByteArray(name + " just above").constData())
                << s << threshold + 1e-9 << true;
            QTest::newRow(QByteArray(name + " just below").constData())
                << s << threshold - 1e-9 << false;
        }
    }
    void strictThreshold()
    {
        QFETCH(double, sensitivity);
        QFETCH(double, raw);
        QFETCH(bool, speech);
        monitor->setSensitivity(sensitivity);
        monitor->ingest(raw);
        QCOMPARE(monitor->speaking(), speech);
        // One loud block is above any threshold but leaves the smoothed level at 0.4, under
        // most of them: the raw value decides.
        monitor->setSensitivity(0);
        now += 1;
        monitor->ingest(0.9);
        QVERIFY(monitor->level() < 0.8);
        QVERIFY(monitor->speaking());
    }

    void smoothing()
    {
        monitor->start();
        QSignalSpy levels(monitor.get(), &VoiceMonitor::levelChanged);
        for (double expected : {0.4, 0.64, 0.784}) {
            block(squareBlock(1));
            QVERIFY(std::abs(monitor->level() - expected) < 1e-6);
        }
        block(constantBlock(0));
        QVERIFY(std::abs(monitor->level() - 0.784 * 0.6) < 1e-6);
        // Published once per block, for the glow.
        QCOMPARE(levels.count(), 4);
    }

    void hold_data()
    {
        QTest::addColumn<double>("quietAfter");
        QTest::addColumn<bool>("speaking");
        QTest::newRow("0.1 s") << 0.1 << true;
        QTest::newRow("0.49 s") << 0.49 << true;
        QTest::newRow("0.5 s") << 0.5 << false;
        QTest::newRow("2 s") << 2.0 << false;
    }
    void hold()
    {
        QFETCH(double, quietAfter);
        QFETCH(bool, speaking);
        monitor->start();
        QSignalSpy changes(monitor.get(), &VoiceMonitor::speakingChanged);
        blockAt(10.0, 0.5);
        QVERIFY(monitor->speaking());
        // Quiet blocks inside the hold keep it; only the first one at or past it ends it.
        for (double t = 10.1; t < 10 + std::min(quietAfter, 0.5) - 1e-9; t += 0.1) {
            blockAt(t, 0);
            QVERIFY(monitor->speaking());
        }
        blockAt(10.0 + quietAfter, 0);
        QCOMPARE(monitor->speaking(), speaking);
        // Assigned only on transitions.
        QCOMPARE(changes.count(), speaking ? 1 : 2);
    }

    // A clock that has only just begun must not read as "spoken a moment ago".
    void quietStartIsNotSpeech()
    {
        monitor->start();
        blockAt(0.0, 0);
        blockAt(0.1, 0);
        QVERIFY(!monitor->speaking());
    }

    void startTwiceOpensOneReader()
    {
        monitor->start();
        monitor->start();
        QCOMPARE(log->starts, 1);
        QVERIFY(monitor->running());
    }

    void stopResetsAtOnce()
    {
        monitor->start();
        blockAt(1.0, 1);
        QVERIFY(monitor->speaking());
        QVERIFY(monitor->level() > 0);
        QSignalSpy levels(monitor.get(), &VoiceMonitor::levelChanged);
        QSignalSpy speakings(monitor.get(), &VoiceMonitor::speakingChanged);
        // A block already on its way when stop is called must not bring the level back.
        input->deliver(squareBlock(1));
        monitor->stop();
        QCOMPARE(monitor->level(), 0.0);
        QVERIFY(!monitor->speaking());
        QVERIFY(!monitor->running());
        QCOMPARE(log->stops, 1);
        QCOMPARE(levels.count(), 1);
        QCOMPARE(speakings.count(), 1);
        pump();
        QCOMPARE(monitor->level(), 0.0);
        QCOMPARE(levels.count(), 1);
    }

    void stopOnIdleChangesNothing_data()
    {
        QTest::addColumn<bool>("denied");
        QTest::newRow("never started") << false;
        QTest::newRow("unavailable") << true;
    }
    void stopOnIdleChangesNothing()
    {
        QFETCH(bool, denied);
        if (denied) {
            input->startSucceeds = false;
            monitor->start();
        }
        QCOMPARE(monitor->denied(), denied);
        QSignalSpy deniedSpy(monitor.get(), &VoiceMonitor::deniedChanged);
        QSignalSpy levels(monitor.get(), &VoiceMonitor::levelChanged);
        QSignalSpy speakings(monitor.get(), &VoiceMonitor::speakingChanged);
        const int stops = log->stops;
        monitor->stop();
        QCOMPARE(monitor->denied(), denied);
        QCOMPARE(log->stops, stops);
        QCOMPARE(deniedSpy.count() + levels.count() + speakings.count(), 0);
    }

    void startFailureThenSuccess()
    {
        input->startSucceeds = false;
        QSignalSpy deniedSpy(monitor.get(), &VoiceMonitor::deniedChanged);
        monitor->start();
        QVERIFY(monitor->denied());
        QVERIFY(!monitor->running());
        // Unavailable is not running: a later start tries again.
        input->startSucceeds = true;
        monitor->start();
        QCOMPARE(log->starts, 2);
        QVERIFY(monitor->running());
        QVERIFY(!monitor->denied());
        QCOMPARE(deniedSpy.count(), 2);
        // The new session measures again.
        block(squareBlock(1));
        QVERIFY(monitor->speaking());
    }

    void stopThenStartAgain()
    {
        monitor->start();
        blockAt(1.0, 1);
        monitor->stop();
        monitor->start();
        QCOMPARE(log->starts, 2);
        QVERIFY(monitor->running());
        blockAt(5.0, 0.5);
        QVERIFY(monitor->level() > 0);
        QVERIFY(monitor->speaking());
    }

    void permission_data()
    {
        QTest::addColumn<MicrophonePermission>("status");
        QTest::addColumn<int>("answer"); // -1 none asked, 0 refused, 1 granted
        QTest::addColumn<bool>("stopWhileAsking");
        QTest::addColumn<bool>("running");
        QTest::addColumn<bool>("denied");
        QTest::newRow("granted") << MicrophonePermission::Granted << -1 << false << true << false;
        QTest::newRow("refused before")
            << MicrophonePermission::Denied << -1 << false << false << true;
        QTest::newRow("asked, granted")
            << MicrophonePermission::Undetermined << 1 << false << true << false;
        QTest::newRow("asked, refused")
            << MicrophonePermission::Undetermined << 0 << false << false << true;
        // The user's yes still counts after the prompter was closed meanwhile.
        QTest::newRow("asked, stopped, granted")
            << MicrophonePermission::Undetermined << 1 << true << true << false;
    }
    void permission()
    {
        QFETCH(MicrophonePermission, status);
        QFETCH(int, answer);
        QFETCH(bool, stopWhileAsking);
        QFETCH(bool, running);
        QFETCH(bool, denied);
        input->permissionAnswer = status;
        monitor->start();
        if (answer >= 0) {
            QVERIFY(input->pendingAnswer);
            QVERIFY(!monitor->running());
            if (stopWhileAsking)
                monitor->stop();
            // The answer may come from any thread.
            std::thread([&] { input->pendingAnswer(answer == 1); }).join();
            QVERIFY(!monitor->running()); // acted on in the main thread only
            pump();
        } else {
            QVERIFY(!input->pendingAnswer);
        }
        QCOMPARE(monitor->running(), running);
        QCOMPARE(monitor->denied(), denied);
        QCOMPARE(log->starts, running ? 1 : 0);
    }

    void failureWhileReading()
    {
        monitor->start();
        blockAt(1.0, 1);
        QSignalSpy deniedSpy(monitor.get(), &VoiceMonitor::deniedChanged);
        std::thread([&] { input->sessions.back().onFailure(); }).join();
        pump();
        QVERIFY(monitor->denied());
        QVERIFY(!monitor->running());
        QVERIFY(!monitor->speaking());
        QCOMPARE(monitor->level(), 0.0);
        QCOMPARE(log->stops, 1);
        QCOMPARE(deniedSpy.count(), 1);
        // A later start that works clears it.
        monitor->start();
        QVERIFY(monitor->running());
        QVERIFY(!monitor->denied());
    }

    // A failure or block queued by a stream that was since replaced belongs to nobody.
    void staleSessionIsIgnored()
    {
        monitor->start();
        const FakeInput::Session old = input->sessions.back();
        old.onBlock(squareBlock(1));
        monitor->stop();
        monitor->start();
        old.onFailure();
        pump();
        QVERIFY(monitor->running());
        QVERIFY(!monitor->denied());
        QCOMPARE(monitor->level(), 0.0);
    }

    void blocksFromReaderThread()
    {
        monitor->start();
        QThread *seenOn = nullptr;
        connect(monitor.get(), &VoiceMonitor::levelChanged, this,
            [&] { seenOn = QThread::currentThread(); });
        std::thread([&] {
            for (int i = 0; i < 3; ++i)
                input->deliver(squareBlock(1));
        }).join();
        QCOMPARE(monitor->level(), 0.0); // nothing applied off the main thread
        pump();
        QVERIFY(std::abs(monitor->level() - 0.784) < 1e-6);
        QCOMPARE(seenOn, QThread::currentThread());
    }

    void destroyWhileListeningClosesInput()
    {
        monitor->start();
        block(squareBlock(1));
        input->deliver(squareBlock(1)); // still queued when the monitor goes
        monitor.reset();
        pump();
        QCOMPARE(log->open, false);
        QCOMPARE(log->stops, 1);
    }
};

QTEST_GUILESS_MAIN(TestVoiceMonitor)
#include "tst_voice_monitor.moc"
