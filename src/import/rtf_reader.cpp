// SPDX-License-Identifier: GPL-3.0-or-later
#include "rtf_reader.h"

#include "rich_text_reader.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QStringDecoder>

namespace qm {

namespace {

struct Converter {
    QString program;
    QStringList arguments;
};

std::optional<Converter> rtfConverter(const QString &path, const QString &searchPath)
{
    const QStringList paths = searchPath.isEmpty() ? QStringList() : searchPath.split(u':');
    if (const QString unrtf = QStandardPaths::findExecutable(QStringLiteral("unrtf"), paths);
        !unrtf.isEmpty())
        return Converter {unrtf, {QStringLiteral("--html"), path}};
    const QString pandoc = QStandardPaths::findExecutable(QStringLiteral("pandoc"), paths);
    if (pandoc.isEmpty())
        return std::nullopt;
    // Older pandoc writes RTF but cannot read it.
    QProcess probe;
    probe.start(pandoc, {QStringLiteral("--list-input-formats")});
    if (!probe.waitForFinished(3000)
        || !probe.readAllStandardOutput().split('\n').contains(QByteArray("rtf")))
        return std::nullopt;
    return Converter {pandoc,
        {QStringLiteral("--from=rtf"), QStringLiteral("--to=html"), QStringLiteral("--"), path}};
}

} // namespace

ReadResult readRtf(const QString &path, const ReadBudget &budget, const QString &searchPath)
{
    // Absolute, so a file named "-x.rtf" is never taken for a switch.
    const QString file = QFileInfo(path).absoluteFilePath();
    const std::optional<Converter> converter = rtfConverter(file, searchPath);
    if (!converter)
        return ReadResult::fail(QStringLiteral(
            "reading RTF needs the unrtf program; install the unrtf package (or pandoc 3.1.3 or "
            "later)"));

    QProcess process;
    process.setProgram(converter->program);
    process.setArguments(converter->arguments);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start();
    if (!process.waitForStarted(3000))
        return ReadResult::fail(QStringLiteral("%1 could not be started")
                                    .arg(QFileInfo(converter->program).fileName()));
    QByteArray html;
    while (process.state() != QProcess::NotRunning) {
        if (budget.exhausted() || html.size() > kMaxUnpackedBytes) {
            process.kill();
            process.waitForFinished(1000);
            return ReadResult::fail(budget.exhausted() ? reasons::tooSlow() : reasons::tooLarge());
        }
        process.waitForReadyRead(100);
        html += process.readAllStandardOutput();
    }
    html += process.readAllStandardOutput();
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return ReadResult::fail(QStringLiteral("%1 could not read it as RTF")
                                    .arg(QFileInfo(converter->program).fileName()));
    QStringDecoder decoder = QStringDecoder::decoderForHtml(html);
    return readHtml(decoder.decode(html));
}

} // namespace qm
