// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace qm::platform {

// GNOME's own keyboard shortcuts (Settings › Keyboard › Custom Shortcuts), for GNOME releases
// whose desktop portal has no global shortcuts: each of the program's chords becomes a custom
// shortcut that runs one of its remote commands. Entries of ours live under their own paths,
// so adding is idempotent and removing touches nothing else; a chord the user already has
// bound to something else is left alone and reported.
class GnomeShortcuts final {
public:
    struct Shortcut {
        QString name; // stable, "toggle"; part of the entry's path
        QString title; // as GNOME's settings list it
        QString binding; // a GTK accelerator, "<Control><Alt>p"
        QString command; // the command line it runs
    };

    // Runs the gsettings tool with `arguments`; returns its standard output, or sets `ok`
    // false when it failed.
    using Runner = std::function<QString(const QStringList &arguments, bool *ok)>;

    // Without a runner, the real gsettings tool.
    explicit GnomeShortcuts(Runner runner = {});

    // A GNOME desktop whose keyboard settings can be written.
    static bool isGnomeDesktop();
    bool available() const;

    struct Result {
        QStringList added; // names now set up (written now or already there)
        QStringList clashes; // names left out: the chord already does something else
        bool ok = true; // false when the settings could not be written
    };
    Result add(const QList<Shortcut> &shortcuts) const;
    // Takes every entry of ours away again; false when the settings could not be written.
    bool remove() const;
    // The names of our entries present now.
    QStringList installed() const;

    // The path an entry of ours lives under.
    static QString pathFor(const QString &name);
    // An accelerator reduced for comparison: modifiers by their canonical names, sorted, and
    // the key in lower case ("<Primary><Alt>P" and "<Alt><Control>p" are the same).
    static QString normalizedAccelerator(const QString &accelerator);
    // The strings of a GVariant text of a string or a string array ("@as []", "['a', 'b']").
    static QStringList parseStrings(const QString &text);
    // A string as GVariant text, quoted.
    static QString quoted(const QString &text);

private:
    QStringList customPaths(bool *ok) const;
    QString entry(const QString &path, const char *key) const;
    // Every accelerator GNOME already uses, other than ours, normalized.
    QStringList acceleratorsInUse(const QStringList &customPaths) const;

    Runner m_run;
};

} // namespace qm::platform
