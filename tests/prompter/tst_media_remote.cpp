// SPDX-License-Identifier: GPL-3.0-or-later
#include "prompter/media_remote.h"

#include <QTest>

#include <limits>

using namespace qm;
using namespace qm::media;

Q_DECLARE_METATYPE(qm::media::PlaybackStatus)

class TestMediaRemote : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void status_data()
    {
        QTest::addColumn<bool>("visible");
        QTest::addColumn<bool>("playing");
        QTest::addColumn<QString>("name");
        QTest::newRow("shown, playing") << true << true << "Playing";
        QTest::newRow("shown, paused or counting down") << true << false << "Paused";
        QTest::newRow("hidden") << false << false << "Stopped";
        // Hiding clears the play state, but the bus may be told in between.
        QTest::newRow("hidden while still marked playing") << false << true << "Stopped";
    }
    void status()
    {
        QFETCH(bool, visible);
        QFETCH(bool, playing);
        QFETCH(QString, name);
        QCOMPARE(statusName(playbackStatus(visible, playing)), name);
    }

    // Offset ↔ position and seek, in both directions, at ordinary and degenerate speeds.
    void positionAndSeek_data()
    {
        const double nan = std::numeric_limits<double>::quiet_NaN();
        QTest::addColumn<double>("offset");
        QTest::addColumn<double>("speed");
        QTest::addColumn<qlonglong>("micros");
        QTest::newRow("top") << 0.0 << 36.0 << 0LL;
        QTest::newRow("one second at the default speed") << 36.0 << 36.0 << 1'000'000LL;
        QTest::newRow("fast") << 1000.0 << 200.0 << 5'000'000LL;
        QTest::newRow("fractional") << 10.0 << 8.0 << 1'250'000LL;
        // A speed of 0 or less (an edited settings file) reads as 1 point a second.
        QTest::newRow("zero speed") << 3.0 << 0.0 << 3'000'000LL;
        QTest::newRow("negative speed") << 3.0 << -20.0 << 3'000'000LL;
        QTest::newRow("speed not a number") << 3.0 << nan << 3'000'000LL;
    }
    void positionAndSeek()
    {
        QFETCH(double, offset);
        QFETCH(double, speed);
        QFETCH(qlonglong, micros);
        QCOMPARE(positionMicros(offset, speed), micros);
        QCOMPARE(offsetAtMicros(micros, speed), offset);
        QCOMPARE(scrollForSeek(micros, speed), offset);
        QCOMPARE(scrollForSeek(-micros, speed), -offset);
    }

    void positionNeverNegative()
    {
        QCOMPARE(positionMicros(-40, 36), 0);
        QCOMPARE(positionMicros(std::numeric_limits<double>::quiet_NaN(), 36), 0);
        QCOMPARE(offsetAtMicros(-5'000'000, 36), 0.0);
    }

    void rate_data()
    {
        QTest::addColumn<double>("rate");
        QTest::addColumn<double>("speed"); // -1: the rate is refused
        QTest::newRow("default") << 1.0 << 36.0;
        QTest::newRow("double") << 2.0 << 72.0;
        QTest::newRow("half") << 0.5 << 18.0;
        QTest::newRow("below the range") << 0.1 << limits::speed.minimum;
        QTest::newRow("above the range") << 10.0 << limits::speed.maximum;
        QTest::newRow("zero") << 0.0 << -1.0;
        QTest::newRow("negative") << -1.0 << -1.0;
        QTest::newRow("infinite") << std::numeric_limits<double>::infinity() << -1.0;
    }
    void rate()
    {
        QFETCH(double, rate);
        QFETCH(double, speed);
        const std::optional<double> got = speedForRate(rate, 36);
        if (speed < 0) {
            QVERIFY(!got);
            return;
        }
        QVERIFY(got);
        QCOMPARE(*got, speed);
        QCOMPARE(speedForRate(rateForSpeed(*got, 36), 36), got);
    }

    // What remotes hear as a seek: anything playing does not explain.
    void seekDetection_data()
    {
        QTest::addColumn<double>("before");
        QTest::addColumn<double>("after");
        QTest::addColumn<bool>("playing");
        QTest::addColumn<double>("seconds");
        QTest::addColumn<bool>("seek");
        QTest::newRow("still") << 100.0 << 100.0 << false << 0.016 << false;
        QTest::newRow("one frame of play") << 100.0 << 100.6 << true << 0.016 << false;
        QTest::newRow("a late frame of play") << 100.0 << 103.6 << true << 0.1 << false;
        QTest::newRow("moved while paused") << 100.0 << 100.6 << false << 0.016 << true;
        QTest::newRow("backwards while playing") << 100.0 << 90.0 << true << 0.016 << true;
        QTest::newRow("far ahead while playing") << 100.0 << 180.0 << true << 0.016 << true;
    }
    void seekDetection()
    {
        QFETCH(double, before);
        QFETCH(double, after);
        QFETCH(bool, playing);
        QFETCH(double, seconds);
        QFETCH(bool, seek);
        QCOMPARE(isSeek(before, after, playing, 36, seconds), seek);
    }

    void trackId_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("path");
        QTest::newRow("uuid")
            << "6f1c2a4e-0000-4000-8000-000000000001"
            << "/org/quillmere/Quillmere/script/s6f1c2a4e_0000_4000_8000_000000000001";
        QTest::newRow("braces dropped") << "{ab-cd}"
                                        << "/org/quillmere/Quillmere/script/sab_cd";
        QTest::newRow("none") << ""
                              << "/org/mpris/MediaPlayer2/TrackList/NoTrack";
        QTest::newRow("nothing usable") << "{}/."
                                        << "/org/mpris/MediaPlayer2/TrackList/NoTrack";
    }
    void trackId()
    {
        QFETCH(QString, id);
        QFETCH(QString, path);
        QCOMPARE(trackIdPath(id), path);
    }
};

QTEST_GUILESS_MAIN(TestMediaRemote)
#include "tst_media_remote.moc"
