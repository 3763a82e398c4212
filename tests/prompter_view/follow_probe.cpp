// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the prompter engine in follow mode on the real recogniser and microphone backend, with
// the script laid out as the prompter lays it out, and prints what it does, for the follow
// end-to-end check and its benchmark.
//
//   follow_probe --script FILE [--seconds S] [--stop-file F] [--viewport H] [--width W]
//                [--font F]
//
// It quits after S seconds or once the file F exists, whichever comes first. With --mark-file M
// it prints "mark t=T" on the first frame that finds M. Lines of the layout are printed as
// "line token=K y=Y h=H"; "end" carries the resident memory (rss_kb) and CPU seconds used.
// Lines: "ready state=N unknown=U words=W lines=L" once started, "model t=T" when the model is
// loaded (speech may start then), "pos t=T word=I token=K" on every move of the reader, "frame
// t=T offset=O token=K line=Y state=N" every 100 ms, "usage t=T rss_kb=R cpu_s=C" every 5 s,
// "end t=T offset=O", "stopped stop_ms=M", and "heard t=T final=F words=W..." for each result of
// the recogniser, so a reading can be replayed offline (bench/follow_replay).
// T is wall seconds since start; Y is the column y of the line holding the reading line.
#include "prompter/follow_session.h"
#include "prompter/prompter_controller.h"
#include "prompter/scroll_state.h"
#include "prompter/voice_monitor.h"
#include "prompter_view/prompter_layout.h"
#include "prompter_view/word_lines.h"
#include "reading_line.h"
#include "store/store.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <ctime>
#include <functional>
#include <memory>

namespace {

// The platform's recogniser, with each result it gives printed on the way.
class HeardLog final : public qm::platform::SpeechRecognizer {
public:
    HeardLog(std::unique_ptr<SpeechRecognizer> inner, std::function<void(const QString &)> log)
        : m_inner(std::move(inner))
        , m_log(std::move(log))
    {
    }
    Availability availability() const override { return m_inner->availability(); }
    bool start(Handlers handlers) override
    {
        handlers.hypothesis = [log = m_log, next = std::move(handlers.hypothesis)](
                                  const QStringList &words, bool final) {
            log(QStringLiteral("final=%1 words=%2").arg(int(final)).arg(words.join(u' ')));
            next(words, final);
        };
        return m_inner->start(std::move(handlers));
    }
    void setModel(quint64 generation, ModelBuilder build) override
    {
        m_inner->setModel(generation, std::move(build));
    }
    void stop() override { m_inner->stop(); }

private:
    std::unique_ptr<SpeechRecognizer> m_inner;
    std::function<void(const QString &)> m_log;
};

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    QString scriptPath, stopFile, markFile;
    double seconds = 60, viewport = 150, width = 380, font = 19;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); i += 2) {
        const QString &a = args[i];
        if (a == QLatin1String("--script"))
            scriptPath = args[i + 1];
        else if (a == QLatin1String("--mark-file"))
            markFile = args[i + 1];
        else if (a == QLatin1String("--stop-file"))
            stopFile = args[i + 1];
        else if (a == QLatin1String("--seconds"))
            seconds = args[i + 1].toDouble();
        else if (a == QLatin1String("--viewport"))
            viewport = args[i + 1].toDouble();
        else if (a == QLatin1String("--width"))
            width = args[i + 1].toDouble();
        else if (a == QLatin1String("--font"))
            font = args[i + 1].toDouble();
    }
    QFile file(scriptPath);
    if (scriptPath.isEmpty() || !file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "usage: follow_probe --script FILE [--seconds S] [--viewport H]\n");
        return 2;
    }
    const QString text = QString::fromUtf8(file.readAll());

    QElapsedTimer wall;
    wall.start();
    auto now = [&] { return double(wall.nsecsElapsed()) / 1e9; };
    auto print = [](const QString &line) {
        std::printf("%s\n", qPrintable(line));
        std::fflush(stdout);
    };
    auto t = [&] { return QString::number(now(), 'f', 3); };

    QTemporaryDir dataDir;
    auto monitor = std::make_unique<qm::VoiceMonitor>();
    auto store = std::make_unique<qm::Store>(dataDir.path());
    qm::Script script(QStringLiteral("Probe"), text);
    store->setScripts({script});
    store->setSelectedID(script.id);
    qm::Settings settings = store->settings();
    settings.scrollMode = qm::ScrollMode::Follow;
    settings.countdown = false;
    settings.pauseOnHover = false;
    settings.fontSize = font;
    store->setSettings(settings);
    auto controller = std::make_unique<qm::PrompterController>(*store, *monitor);
    qm::FollowSession &follow = controller->follow();
    follow.setRecognizer(std::make_unique<HeardLog>(qm::platform::createSpeechRecognizer(),
        [&](const QString &heard) { print(QStringLiteral("heard t=%1 ").arg(t()) + heard); }));

    controller->show();
    const qm::ColumnLayout layout = qm::layoutColumn(controller->sections(), width, font);
    controller->setViewportHeight(viewport);
    controller->setContentHeight(layout.contentHeight);
    const QList<qm::WordLine> lines = qm::wordLines(layout);
    follow.setWordLines(lines);

    auto lineAt = [&](double y) { return qm::testing::lineTopAt(lines, y); };

    QObject::connect(&follow, &qm::FollowSession::modelReady, &app, [&] {
        print(QStringLiteral("model t=%1 unknown=%2")
                  .arg(t())
                  .arg(QStringList(follow.unknownWords().values()).join(QLatin1Char(','))));
    });
    QObject::connect(&follow, &qm::FollowSession::positionChanged, &app, [&](int word) {
        print(QStringLiteral("pos t=%1 word=%2 token=%3")
                  .arg(t())
                  .arg(word)
                  .arg(follow.tokenPosition()));
    });
    auto usage = [&]() -> QString {
        QFile status(QStringLiteral("/proc/self/status"));
        qint64 rss = 0;
        if (status.open(QIODevice::ReadOnly)) {
            for (const QByteArray &l : status.readAll().split('\n')) {
                if (l.startsWith("VmRSS:"))
                    rss = l.mid(6).trimmed().split(' ').value(0).toLongLong();
            }
        }
        timespec cpu {};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
        return QStringLiteral("rss_kb=%1 cpu_s=%2")
            .arg(rss)
            .arg(double(cpu.tv_sec) + double(cpu.tv_nsec) / 1e9, 0, 'f', 3);
    };
    auto endLine = [&]() -> QString {
        return QStringLiteral("end t=%1 offset=%2 ")
                   .arg(t())
                   .arg(controller->scroll().offset(), 0, 'f', 3)
            + usage();
    };
    QTimer frames;
    QObject::connect(&frames, &QTimer::timeout, &app, [&] {
        const double offset = controller->scroll().offset();
        print(QStringLiteral("frame t=%1 offset=%2 token=%3 line=%4 state=%5")
                  .arg(t())
                  .arg(offset, 0, 'f', 3)
                  .arg(follow.tokenPosition())
                  .arg(lineAt(offset + qm::FollowSession::kReadingLine * viewport), 0, 'f', 2)
                  .arg(int(follow.state())));
        if (!markFile.isEmpty() && QFile::exists(markFile)) {
            print(QStringLiteral("mark t=%1 ").arg(t()) + usage());
            markFile.clear();
        }
        if (!stopFile.isEmpty() && QFile::exists(stopFile)) {
            print(endLine());
            QCoreApplication::quit();
        }
    });
    frames.start(100);
    // Memory and CPU over a long run.
    QTimer usageTimer;
    QObject::connect(&usageTimer, &QTimer::timeout, &app,
        [&] { print(QStringLiteral("usage t=%1 ").arg(t()) + usage()); });
    usageTimer.start(5000);

    for (const qm::WordLine &l : lines)
        print(QStringLiteral("line token=%1 y=%2 h=%3").arg(l.firstToken).arg(l.y).arg(l.height));
    print(QStringLiteral("ready state=%1 words=%2 lines=%3")
              .arg(int(follow.state()))
              .arg(follow.words().spoken.size())
              .arg(lines.size()));
    QTimer::singleShot(qRound(seconds * 1000), &app, [&] {
        print(endLine());
        QCoreApplication::quit();
    });
    const int rc = QCoreApplication::exec();
    QElapsedTimer stopping;
    stopping.start();
    controller.reset();
    store.reset();
    monitor.reset();
    print(
        QStringLiteral("stopped stop_ms=%1").arg(double(stopping.nsecsElapsed()) / 1e6, 0, 'f', 2));
    return rc;
}
