// SPDX-License-Identifier: GPL-3.0-or-later
#include "gnome_shortcuts.h"

#include <QProcess>
#include <QStandardPaths>

#include <algorithm>

namespace qm::platform {

namespace {

const QString kMediaKeys = QStringLiteral("org.gnome.settings-daemon.plugins.media-keys");
const QString kCustom
    = QStringLiteral("org.gnome.settings-daemon.plugins.media-keys.custom-keybinding");
const QString kListKey = QStringLiteral("custom-keybindings");
const QString kBase
    = QStringLiteral("/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/");
const QString kOurPrefix = kBase + QStringLiteral("quillmere-");

// The schemas whose keys hold the desktop's built-in shortcuts.
const QStringList kBuiltInSchemas {
    QStringLiteral("org.gnome.desktop.wm.keybindings"),
    QStringLiteral("org.gnome.shell.keybindings"),
    QStringLiteral("org.gnome.mutter.keybindings"),
    QStringLiteral("org.gnome.mutter.wayland.keybindings"),
    kMediaKeys,
};

QString runTool(const QStringList &arguments, bool *ok)
{
    QProcess process;
    process.start(QStringLiteral("gsettings"), arguments);
    const bool finished = process.waitForFinished(5000);
    if (ok)
        *ok = finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    return QString::fromUtf8(process.readAllStandardOutput());
}

QString listText(const QStringList &paths)
{
    if (paths.isEmpty())
        return QStringLiteral("@as []");
    QStringList items;
    for (const QString &p : paths)
        items.append(GnomeShortcuts::quoted(p));
    return u'[' + items.join(QStringLiteral(", ")) + u']';
}

} // namespace

GnomeShortcuts::GnomeShortcuts(Runner runner)
    : m_run(runner ? std::move(runner) : Runner(runTool))
{
}

bool GnomeShortcuts::isGnomeDesktop()
{
    const QStringList desktops
        = qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(u':', Qt::SkipEmptyParts);
    for (const QString &d : desktops) {
        if (d.compare(QLatin1String("GNOME"), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

bool GnomeShortcuts::available() const
{
    // The tool succeeds either way and prints whether the key can be written (not where an
    // administrator has locked it).
    bool ok = false;
    const QString answer = m_run({QStringLiteral("writable"), kMediaKeys, kListKey}, &ok);
    return ok && answer.trimmed() == QLatin1String("true");
}

QString GnomeShortcuts::pathFor(const QString &name)
{
    return kOurPrefix + name + u'/';
}

QString GnomeShortcuts::quoted(const QString &text)
{
    QString out = text;
    out.replace(u'\\', QStringLiteral("\\\\"));
    out.replace(u'\'', QStringLiteral("\\'"));
    return u'\'' + out + u'\'';
}

QStringList GnomeShortcuts::parseStrings(const QString &text)
{
    QStringList out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar quote = text.at(i);
        if (quote != u'\'' && quote != u'"')
            continue;
        QString item;
        for (++i; i < text.size() && text.at(i) != quote; ++i) {
            if (text.at(i) == u'\\' && i + 1 < text.size())
                ++i;
            item += text.at(i);
        }
        out.append(item);
    }
    return out;
}

QString GnomeShortcuts::normalizedAccelerator(const QString &accelerator)
{
    QStringList modifiers;
    QString rest = accelerator.trimmed();
    while (rest.startsWith(u'<')) {
        const qsizetype end = rest.indexOf(u'>');
        if (end < 0)
            break;
        QString m = rest.mid(1, end - 1).toLower();
        if (m == QLatin1String("primary") || m == QLatin1String("ctrl")
            || m == QLatin1String("ctl"))
            m = QStringLiteral("control");
        else if (m == QLatin1String("mod1"))
            m = QStringLiteral("alt");
        else if (m == QLatin1String("mod4"))
            m = QStringLiteral("super");
        if (!modifiers.contains(m))
            modifiers.append(m);
        rest = rest.mid(end + 1);
    }
    if (rest.isEmpty())
        return {};
    std::sort(modifiers.begin(), modifiers.end());
    QString out;
    for (const QString &m : modifiers)
        out += u'<' + m + u'>';
    return out + rest.toLower();
}

QStringList GnomeShortcuts::customPaths(bool *ok) const
{
    return parseStrings(m_run({QStringLiteral("get"), kMediaKeys, kListKey}, ok));
}

QString GnomeShortcuts::entry(const QString &path, const char *key) const
{
    bool ok = false;
    const QStringList values = parseStrings(
        m_run({QStringLiteral("get"), kCustom + u':' + path, QString::fromLatin1(key)}, &ok));
    return ok && !values.isEmpty() ? values.first() : QString();
}

QStringList GnomeShortcuts::acceleratorsInUse(const QStringList &customPaths) const
{
    QStringList out;
    for (const QString &path : customPaths) {
        if (path.startsWith(kOurPrefix))
            continue;
        const QString a = normalizedAccelerator(entry(path, "binding"));
        if (!a.isEmpty())
            out.append(a);
    }
    for (const QString &schema : kBuiltInSchemas) {
        bool ok = false;
        const QString listing = m_run({QStringLiteral("list-recursively"), schema}, &ok);
        if (!ok)
            continue;
        for (const QString &line : listing.split(u'\n', Qt::SkipEmptyParts)) {
            // "schema key value"; the value is what may hold accelerators.
            const qsizetype valueAt = line.indexOf(u' ', line.indexOf(u' ') + 1);
            if (valueAt < 0)
                continue;
            for (const QString &s : parseStrings(line.mid(valueAt + 1))) {
                if (!s.startsWith(u'<'))
                    continue;
                const QString a = normalizedAccelerator(s);
                if (!a.isEmpty())
                    out.append(a);
            }
        }
    }
    return out;
}

GnomeShortcuts::Result GnomeShortcuts::add(const QList<Shortcut> &shortcuts) const
{
    Result result;
    bool ok = false;
    QStringList paths = customPaths(&ok);
    if (!ok) {
        result.ok = false;
        return result;
    }
    const QStringList inUse = acceleratorsInUse(paths);
    const QStringList before = paths;
    for (const Shortcut &s : shortcuts) {
        const QString path = pathFor(s.name);
        if (inUse.contains(normalizedAccelerator(s.binding))) {
            result.clashes.append(s.name);
            continue;
        }
        const QString schema = kCustom + u':' + path;
        // Written again when present: the program may have moved since.
        for (const auto &[key, value] :
            {std::pair {"name", s.title}, {"command", s.command}, {"binding", s.binding}}) {
            bool written = false;
            m_run(
                {QStringLiteral("set"), schema, QString::fromLatin1(key), quoted(value)}, &written);
            result.ok = result.ok && written;
        }
        if (!paths.contains(path))
            paths.append(path);
        result.added.append(s.name);
    }
    if (paths != before) {
        bool written = false;
        m_run({QStringLiteral("set"), kMediaKeys, kListKey, listText(paths)}, &written);
        result.ok = result.ok && written;
    }
    return result;
}

bool GnomeShortcuts::remove() const
{
    bool ok = false;
    const QStringList paths = customPaths(&ok);
    if (!ok)
        return false;
    QStringList kept;
    QStringList ours;
    for (const QString &p : paths)
        (p.startsWith(kOurPrefix) ? ours : kept).append(p);
    if (ours.isEmpty())
        return true;
    bool written = false;
    m_run({QStringLiteral("set"), kMediaKeys, kListKey, listText(kept)}, &written);
    for (const QString &p : ours) {
        bool reset = false;
        m_run({QStringLiteral("reset-recursively"), kCustom + u':' + p}, &reset);
    }
    return written;
}

QStringList GnomeShortcuts::installed() const
{
    bool ok = false;
    QStringList out;
    for (const QString &p : customPaths(&ok)) {
        if (p.startsWith(kOurPrefix) && p.endsWith(u'/'))
            out.append(p.mid(kOurPrefix.size()).chopped(1));
    }
    return out;
}

} // namespace qm::platform
