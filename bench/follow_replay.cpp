// SPDX-License-Identifier: GPL-3.0-or-later
// Replays what the recogniser heard in a follow_probe run through the follow session, without
// audio and as fast as it can, and prints what the probe would have printed: the same layout,
// the same "heard" results at the same times, and the moves and frames this tree makes of
// them. follow_matrix.py --from reads the output like a kept run, so a change to the matcher
// or the session is measured on a reading again in a second.
//
//   follow_replay --script FILE --in PROBE.out [--viewport H] [--width W] [--font F] [--trace]
//
// --trace adds "hear t=T final=F at=I words=..." before each result handed to the session,
// with the position before it.
#include "prompter/follow_session.h"
#include "prompter/prompter_controller.h"
#include "prompter/scroll_state.h"
#include "prompter_view/prompter_layout.h"
#include "prompter_view/reading_line.h"
#include "prompter_view/word_lines.h"
#include "support/fake_speech_recognizer.h"

#include <QFile>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QSet>

#include <cstdio>

namespace {

struct Heard {
    double t = 0;
    bool final = false;
    QStringList words;
};

} // namespace

int main(int argc, char **argv)
{
    // The layout measures text: fonts need a GUI application, and no screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QString scriptPath, inPath;
    double viewport = 150, width = 380, font = 19;
    bool trace = false;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        const QString &a = args[i];
        const QString v = args.value(i + 1);
        if (a == QLatin1String("--trace")) {
            trace = true;
            continue;
        }
        if (a == QLatin1String("--script"))
            scriptPath = v;
        else if (a == QLatin1String("--in"))
            inPath = v;
        else if (a == QLatin1String("--viewport"))
            viewport = v.toDouble();
        else if (a == QLatin1String("--width"))
            width = v.toDouble();
        else if (a == QLatin1String("--font"))
            font = v.toDouble();
        ++i;
    }
    QFile scriptFile(scriptPath), in(inPath);
    if (!scriptFile.open(QIODevice::ReadOnly) || !in.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "usage: follow_replay --script FILE --in PROBE.out [--trace]\n");
        return 2;
    }
    auto print = [](const QString &line) { std::printf("%s\n", qPrintable(line)); };

    // What the probe saw: its timeline and what was heard; its own moves and frames are left
    // out and made again.
    QList<Heard> heard;
    double modelAt = -1, endAt = -1;
    QSet<QString> unknown;
    const QRegularExpression heardLine(QStringLiteral("^heard t=(\\S+) final=(\\d) words=(.*)$"));
    for (const QByteArray &raw : in.readAll().split('\n')) {
        const QString line = QString::fromUtf8(raw);
        if (line.startsWith(QLatin1String("pos ")) || line.startsWith(QLatin1String("frame ")))
            continue;
        if (!line.isEmpty())
            print(line);
        if (const auto m = heardLine.match(line); m.hasMatch()) {
            heard.append({m.captured(1).toDouble(), m.captured(2) == QLatin1String("1"),
                m.captured(3).split(QLatin1Char(' '), Qt::SkipEmptyParts)});
        } else if (line.startsWith(QLatin1String("model t="))) {
            const QStringList parts = line.split(QLatin1Char(' '));
            modelAt = parts.value(1).mid(2).toDouble();
            const QString u = parts.value(2).mid(8);
            for (const QString &w : u.split(QLatin1Char(','), Qt::SkipEmptyParts))
                unknown.insert(w);
        } else if (line.startsWith(QLatin1String("end t="))) {
            endAt = line.split(QLatin1Char(' ')).value(1).mid(2).toDouble();
        }
    }
    if (modelAt < 0 || endAt < 0) {
        std::fprintf(stderr, "follow_replay: no model or end line in %s\n", qPrintable(inPath));
        return 1;
    }

    double now = 0;
    auto fake = std::make_unique<qm::testing::FakeSpeechRecognizer>();
    qm::testing::FakeSpeechRecognizer *recognizer = fake.get();
    qm::FollowSession follow([&] { return now; }, std::move(fake));
    const QList<qm::ScriptSection> sections
        = qm::parseSections(QString::fromUtf8(scriptFile.readAll()));
    follow.setSections(sections);
    const qm::ColumnLayout layout = qm::layoutColumn(sections, width, font);
    const QList<qm::WordLine> lines = qm::wordLines(layout);
    follow.setWordLines(lines);
    const double limit = qm::PrompterController::scrollLimit(layout.contentHeight, viewport);
    QObject::connect(&follow, &qm::FollowSession::positionChanged, &app, [&](int word) {
        print(QStringLiteral("pos t=%1 word=%2 token=%3")
                  .arg(now, 0, 'f', 3)
                  .arg(word)
                  .arg(follow.tokenPosition()));
    });
    follow.setActive(true);
    if (recognizer->model)
        recognizer->model([&](const QString &w) { return !unknown.contains(w); });
    follow.modelLoaded(recognizer->generation, true);

    auto lineAt = [&](double y) { return qm::testing::lineTopAt(lines, y); };
    qm::ScrollState scroll;
    constexpr double kFrame = 1.0 / 60;
    qsizetype next = 0;
    double nextPrint = modelAt;
    for (now = modelAt; now <= endAt; now += kFrame) {
        for (; next < heard.size() && heard[next].t <= now; ++next) {
            if (trace) {
                print(QStringLiteral("hear t=%1 final=%2 at=%3 words=%4")
                          .arg(heard[next].t, 0, 'f', 3)
                          .arg(int(heard[next].final))
                          .arg(follow.position())
                          .arg(heard[next].words.join(QLatin1Char(' '))));
            }
            follow.hear(heard[next].words, heard[next].final);
        }
        follow.step(kFrame, scroll, viewport, limit, 36);
        if (now >= nextPrint) {
            nextPrint += 0.1;
            print(QStringLiteral("frame t=%1 offset=%2 token=%3 line=%4 state=%5")
                      .arg(now, 0, 'f', 3)
                      .arg(scroll.offset(), 0, 'f', 3)
                      .arg(follow.tokenPosition())
                      .arg(lineAt(scroll.offset() + qm::FollowSession::kReadingLine * viewport), 0,
                          'f', 2)
                      .arg(int(follow.state())));
        }
    }
    return 0;
}
