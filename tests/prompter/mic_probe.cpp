// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the voice monitor on the system's real microphone backend and prints what it decides,
// one line per event, for the microphone end-to-end check.
//
//   mic_probe [--clock audio|wall] [--voice-mode] [--blocks N] [--seconds S]
//
// Lines: "ready running=R denied=D", "speaking V block=B t=T [offset=O]", "denied V block=B
// t=T ticks=K", "end blocks=B max_level=L running=R [offset=O]" and, once everything is torn
// down, "stopped stop_ms=M". B counts the blocks ingested so far; T is wall seconds since
// start; K counts the firings of a 50 ms timer on the main thread since start.
//
// --clock audio measures the monitor's hold in stream time (blocks × 1024 / 48000 s) instead
// of wall time, so that a busy machine cannot shift the result. --voice-mode drives a
// prompter engine in voice mode (without a window) that starts the monitor itself and reports
// its scroll offset. The probe quits after N blocks, after S seconds, or once denied is set,
// whichever comes first, and destroys everything while still listening: that is the way out
// it exercises.
#include "prompter/prompter_controller.h"
#include "prompter/scroll_state.h"
#include "prompter/voice_monitor.h"
#include "store/store.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <memory>

namespace {

constexpr double kBlockSeconds = 1024.0 / 48000.0;

struct Options {
    bool audioClock = false;
    bool voiceMode = false;
    long blocks = -1;
    double seconds = 30;
};

bool parse(const QStringList &args, Options &o)
{
    for (int i = 1; i < args.size(); ++i) {
        const QString &a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == QLatin1String("--voice-mode")) {
            o.voiceMode = true;
        } else if (a == QLatin1String("--clock") && hasValue) {
            const QString v = args[++i];
            if (v != QLatin1String("audio") && v != QLatin1String("wall"))
                return false;
            o.audioClock = v == QLatin1String("audio");
        } else if (a == QLatin1String("--blocks") && hasValue) {
            o.blocks = args[++i].toLong();
        } else if (a == QLatin1String("--seconds") && hasValue) {
            o.seconds = args[++i].toDouble();
        } else {
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    Options options;
    if (!parse(app.arguments(), options)) {
        std::fprintf(stderr,
            "usage: mic_probe [--clock audio|wall] [--voice-mode] [--blocks N] [--seconds S]\n");
        return 2;
    }

    QElapsedTimer wall;
    wall.start();
    long blocks = 0;
    double maxLevel = 0;

    qm::VoiceMonitor::Clock clock;
    if (options.audioClock)
        clock = [&blocks] { return double(blocks) * kBlockSeconds; };
    auto monitor = std::make_unique<qm::VoiceMonitor>(nullptr, clock);

    QTemporaryDir dataDir;
    std::unique_ptr<qm::Store> store;
    std::unique_ptr<qm::PrompterController> controller;
    if (options.voiceMode) {
        store = std::make_unique<qm::Store>(dataDir.path());
        qm::Settings settings = store->settings();
        settings.scrollMode = qm::ScrollMode::Voice;
        settings.countdown = false;
        settings.pauseOnHover = false;
        store->setSettings(settings);
        controller = std::make_unique<qm::PrompterController>(*store, *monitor);
    }

    auto offsetText = [&] {
        return controller
            ? QStringLiteral(" offset=%1").arg(controller->scroll().offset(), 0, 'f', 3)
            : QString();
    };
    auto print = [](const QString &line) {
        std::printf("%s\n", qPrintable(line));
        std::fflush(stdout);
    };
    auto seconds = [&] { return QString::number(double(wall.nsecsElapsed()) / 1e9, 'f', 3); };

    bool finished = false;
    auto finish = [&] {
        if (finished)
            return;
        finished = true;
        print(QStringLiteral("end blocks=%1 max_level=%2 running=%3")
                  .arg(blocks)
                  .arg(maxLevel, 0, 'f', 3)
                  .arg(int(monitor->running()))
            + offsetText());
        QCoreApplication::quit();
    };

    // Connected first, so that the count already includes the block whose level is being
    // ingested when the monitor reads its clock.
    QObject::connect(monitor.get(), &qm::VoiceMonitor::levelChanged, &app, [&](double level) {
        ++blocks;
        maxLevel = std::max(maxLevel, level);
        if (options.blocks >= 0 && blocks >= options.blocks)
            QTimer::singleShot(0, &app, finish);
    });
    QObject::connect(monitor.get(), &qm::VoiceMonitor::speakingChanged, &app, [&](bool v) {
        print(QStringLiteral("speaking %1 block=%2 t=%3").arg(int(v)).arg(blocks).arg(seconds())
            + offsetText());
    });
    // A 50 ms timer on the main thread: it fires only while nothing holds that thread up.
    int ticks = 0;
    QTimer ticker;
    ticker.setInterval(50);
    QObject::connect(&ticker, &QTimer::timeout, &app, [&ticks] { ++ticks; });
    ticker.start();

    QObject::connect(monitor.get(), &qm::VoiceMonitor::deniedChanged, &app, [&](bool v) {
        print(QStringLiteral("denied %1 block=%2 t=%3 ticks=%4")
                  .arg(int(v))
                  .arg(blocks)
                  .arg(seconds())
                  .arg(ticks));
        if (v)
            QTimer::singleShot(0, &app, finish);
    });

    if (controller) {
        controller->setViewportHeight(400);
        controller->setContentHeight(1e6);
        controller->show();
    } else {
        monitor->start();
    }
    print(QStringLiteral("ready running=%1 denied=%2")
              .arg(int(monitor->running()))
              .arg(int(monitor->denied())));
    QTimer::singleShot(qRound(options.seconds * 1000), &app, finish);

    const int rc = QCoreApplication::exec();
    // Torn down while still listening, as when the program quits with the prompter open. The
    // engine holds the monitor by reference: it goes first.
    QElapsedTimer stopping;
    stopping.start();
    controller.reset();
    store.reset();
    monitor.reset();
    print(
        QStringLiteral("stopped stop_ms=%1").arg(double(stopping.nsecsElapsed()) / 1e6, 0, 'f', 2));
    return rc;
}
