// SPDX-License-Identifier: GPL-3.0-or-later
#include "command_line.h"

#include <QCommandLineParser>
#include <QDir>

namespace qm {

namespace {

// Every switch of the program, as --help lists them. A command's switch is its remote
// command's; the others are read below by name.
struct Switch {
    const char *name;
    const char *value; // the value's name in the help, or null for a plain switch
    const char *help; // lines after the first are indented under it
};

constexpr Switch kOptions[] = {
    {"start", nullptr, "open the prompter shortly after launch"},
    {"snapshot", "DIR",
        "6 seconds after launch, write a PNG of every\n"
        "window and windows.txt into DIR (must exist)"},
    {"import", "FILE...",
        "import the files as scripts (text, .docx, .odt,\n"
        ".pptx notes, .pdf, .html, .md, .rtf), in the\n"
        "running Quillmere when there is one"},
    {"help", nullptr, "show this help and exit"},
    {"version", nullptr, "show the version and exit"},
};

constexpr Switch kRemote[] = {
    {"toggle", nullptr, "show or hide the prompter        (Ctrl+Alt+P)"},
    {"play-pause", nullptr, "play or pause                    (Ctrl+Alt+Space)"},
    {"restart", nullptr, "back to the top                  (Ctrl+Alt+R)"},
    {"faster", nullptr, "speed up by 4                    (Ctrl+Alt+Plus)"},
    {"slower", nullptr, "slow down by 4                   (Ctrl+Alt+Minus)"},
    {"next-cue", nullptr, "glide to the next cue            (Ctrl+Alt+PgDn)"},
    {"previous-cue", nullptr, "glide to the previous cue        (Ctrl+Alt+PgUp)"},
    {"show-window", nullptr, "bring the main window to the front"},
    {"list-shortcuts", nullptr,
        "print which system-wide shortcuts the running\n"
        "Quillmere holds (or, when none runs, which ones\n"
        "are free now) and exit"},
};

// Qt's own options, which QApplication takes out of the arguments itself (a session manager
// restarts the program with -session, for one).
constexpr const char *kQtWithValue[] = {"platform", "platformpluginpath", "platformtheme", "plugin",
    "qwindowgeometry", "qwindowicon", "qwindowtitle", "qmljsdebugger", "display", "geometry",
    "session", "style", "stylesheet", "name", "title"};
constexpr const char *kQtPlain[] = {"reverse", "sync", "nograb", "dograb", "widgetcount"};

// Where the descriptions start, after the two-space indent.
constexpr int kSwitchColumn = 19;

QString helpRows(const Switch *begin, const Switch *end)
{
    QString out;
    for (const Switch *s = begin; s != end; ++s) {
        QString left = QStringLiteral("--") + QLatin1String(s->name);
        if (s->value)
            left += u' ' + QLatin1String(s->value);
        const QStringList lines = QString::fromLatin1(s->help).split(u'\n');
        out += QStringLiteral("  ") + left.leftJustified(kSwitchColumn) + lines.first() + u'\n';
        for (qsizetype i = 1; i < lines.size(); ++i)
            out += QString(kSwitchColumn + 2, u' ') + lines.at(i) + u'\n';
    }
    return out;
}

void addSwitches(QCommandLineParser &parser, const Switch *begin, const Switch *end)
{
    for (const Switch *s = begin; s != end; ++s) {
        QStringList names {QLatin1String(s->name)};
        if (qstrcmp(s->name, "help") == 0)
            names.prepend(QStringLiteral("h"));
        parser.addOption(s->value ? QCommandLineOption(names, QString(), QLatin1String(s->value))
                                  : QCommandLineOption(names));
    }
}

} // namespace

CommandLine parseCommandLine(const QStringList &arguments)
{
    QCommandLineParser parser;
    // "-session id" as Qt writes it, and "--toggle" as the program does.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    addSwitches(parser, std::begin(kOptions), std::end(kOptions));
    addSwitches(parser, std::begin(kRemote), std::end(kRemote));
    for (const char *name : kQtWithValue) {
        QCommandLineOption option(QLatin1String(name), QString(), QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    for (const char *name : kQtPlain) {
        QCommandLineOption option {QString::fromLatin1(name)};
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }

    CommandLine line;
    // The program's name goes first; a list without even that has nothing to say.
    if (!parser.parse(arguments.isEmpty() ? QStringList {QString()} : arguments)) {
        line.error = parser.errorText();
    } else if (!parser.positionalArguments().isEmpty() && !parser.isSet(QStringLiteral("import"))) {
        line.error
            = QStringLiteral("Unexpected argument '%1'.").arg(parser.positionalArguments().first());
    }
    line.help = parser.isSet(QStringLiteral("help"));
    line.version = parser.isSet(QStringLiteral("version"));
    line.start = parser.isSet(QStringLiteral("start"));
    line.listShortcuts = parser.isSet(QStringLiteral("list-shortcuts"));
    const QStringList shots = parser.values(QStringLiteral("snapshot"));
    if (!shots.isEmpty())
        line.snapshotDir = QDir::current().absoluteFilePath(shots.first());
    // `--import a.docx b.pdf`: the files after the switch are the switch's too.
    if (line.ok() && parser.isSet(QStringLiteral("import"))) {
        const QStringList files
            = parser.values(QStringLiteral("import")) + parser.positionalArguments();
        for (const QString &file : files)
            line.importFiles.append(QDir::current().absoluteFilePath(file));
    }
    // In the order given, repeats included.
    for (const QString &name : parser.optionNames()) {
        if (const std::optional<Command> c = commandFromSwitch(QStringLiteral("--") + name))
            line.commands.append(*c);
    }
    return line;
}

QStringList CommandLine::forHandOver() const
{
    QStringList out;
    for (const Command c : commands)
        out.append(commandSwitch(c));
    if (start)
        out.append(QStringLiteral("--start"));
    if (!snapshotDir.isEmpty())
        out << QStringLiteral("--snapshot") << snapshotDir;
    if (listShortcuts)
        out.append(QLatin1String(kListShortcuts));
    for (const QString &file : importFiles)
        out << QStringLiteral("--import") << file;
    return out;
}

QString commandLineHelp()
{
    return QStringLiteral("Usage: quillmere [options]\n"
                          "\n"
                          "A teleprompter that sits under your webcam.\n"
                          "\n"
                          "Options:\n")
        + helpRows(std::begin(kOptions), std::end(kOptions))
        + QStringLiteral("\n"
                         "Remote commands (act on the running Quillmere, or start it first):\n")
        + helpRows(std::begin(kRemote), std::end(kRemote))
        + QStringLiteral("\n"
                         "Scripts and settings are kept in $XDG_DATA_HOME/Quillmere\n"
                         "(~/.local/share/Quillmere by default).\n");
}

} // namespace qm
