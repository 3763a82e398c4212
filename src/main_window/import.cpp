// SPDX-License-Identifier: GPL-3.0-or-later
#include "import.h"

#include "store/store.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

namespace qm {

QString scriptTitleForFile(const QString &path)
{
    const QString name = QFileInfo(path).fileName();
    const qsizetype dot = name.lastIndexOf(u'.');
    // A leading dot names a hidden file rather than starting an extension.
    if (dot <= 0)
        return name;
    return name.left(dot);
}

std::optional<Script> readScriptFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    // Read one byte past the limit rather than trusting the size reported before reading:
    // the file may grow, or be a device that reports none.
    const QByteArray bytes = file.read(kMaxImportBytes + 1);
    if (bytes.size() > kMaxImportBytes || file.error() != QFileDevice::NoError)
        return std::nullopt;
    // Stateless, so a sequence cut off at the end of the file is an error too rather than
    // state kept for a next call that never comes.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return Script(scriptTitleForFile(path), std::move(text));
}

bool importScriptFile(Store &store, const QString &path)
{
    std::optional<Script> script = readScriptFile(path);
    if (!script)
        return false;
    const QUuid id = script->id;
    QList<Script> scripts = store.scripts();
    scripts.prepend(std::move(*script));
    store.setScripts(std::move(scripts));
    store.setSelectedID(id);
    return true;
}

QString importFileFilter()
{
    return QStringLiteral("Text files (*.txt *.text *.md *.markdown *.rst *.org *.adoc *.asc "
                          "*.fountain *.srt *.vtt *.csv *.log);;All files (*)");
}

} // namespace qm
