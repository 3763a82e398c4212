// SPDX-License-Identifier: GPL-3.0-or-later
#include "application.h"
#include "hot_keys.h"
#include "menu_content.h"
#include "single_instance.h"
#include "store/store.h"
#include "ui/fonts.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QIcon>

#include <cstdio>

namespace {

const char *const kUsage
    = "Usage: quillmere [options]\n"
      "\n"
      "A teleprompter that sits under your webcam.\n"
      "\n"
      "Options:\n"
      "  --start            open the prompter shortly after launch\n"
      "  --snapshot DIR     6 seconds after launch, write a PNG of every\n"
      "                     window and windows.txt into DIR (must exist)\n"
      "  --help             show this help and exit\n"
      "  --version          show the version and exit\n"
      "\n"
      "Remote commands (act on the running Quillmere, or start it first):\n"
      "  --toggle           show or hide the prompter        (Ctrl+Alt+P)\n"
      "  --play-pause       play or pause                    (Ctrl+Alt+Space)\n"
      "  --restart          back to the top                  (Ctrl+Alt+R)\n"
      "  --faster           speed up by 4                    (Ctrl+Alt+Plus)\n"
      "  --slower           slow down by 4                   (Ctrl+Alt+Minus)\n"
      "  --next-cue         glide to the next cue            (Ctrl+Alt+PgDn)\n"
      "  --previous-cue     glide to the previous cue        (Ctrl+Alt+PgUp)\n"
      "  --show-window      bring the main window to the front\n"
      "  --list-shortcuts   print which system-wide shortcuts the running\n"
      "                     Quillmere holds (or, when none runs, which ones\n"
      "                     are free now) and exit\n"
      "\n"
      "Scripts and settings are kept in $XDG_DATA_HOME/Quillmere\n"
      "(~/.local/share/Quillmere by default).\n";

// The running instance may sit in another directory: hand it an absolute snapshot path.
QStringList forHandOver(QStringList arguments)
{
    const qsizetype i = arguments.indexOf(QStringLiteral("--snapshot"));
    if (i >= 0 && i + 1 < arguments.size())
        arguments[i + 1] = QDir::current().absoluteFilePath(arguments.at(i + 1));
    return arguments;
}

constexpr int kPortalWaitMs = 5000;

// With no instance running, says which of the chords this session would grant right now.
int probeShortcuts()
{
    qm::HotKeys &hotKeys = qm::HotKeys::shared();
    for (const qm::PrompterHotKey &key : qm::prompterHotKeys())
        hotKeys.registerHotKey(key.chord, {});
    // The desktop's shortcut portal answers over the bus; give it a moment.
    QElapsedTimer waited;
    waited.start();
    while (!hotKeys.settled() && waited.elapsed() < kPortalWaitMs)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    QStringList inGnome;
    if (qm::platform::GnomeShortcuts::isGnomeDesktop())
        inGnome = qm::platform::GnomeShortcuts().installed();
    std::fputs("Quillmere is not running; a start now would get:\n", stdout);
    std::fputs(qm::shortcutReport(hotKeys, qm::commandsNamed(inGnome)).toUtf8().constData(),
        stdout);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg(argv[i]);
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg == "--version") {
            std::printf("quillmere %s\n", QUILLMERE_VERSION);
            return 0;
        }
    }

    // On a Wayland session the panel can only be placed through XWayland.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")
        && !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("quillmere"));
    QApplication::setApplicationDisplayName(QStringLiteral("Quillmere"));
    QApplication::setApplicationVersion(QStringLiteral(QUILLMERE_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("org.quillmere.Quillmere"));
    QApplication::setQuitOnLastWindowClosed(false);

    const QStringList arguments = QApplication::arguments();
    const bool listShortcuts = arguments.contains(QLatin1String(qm::kListShortcuts));
    auto instance = std::make_unique<qm::SingleInstance>(qm::Store::defaultDirectory());
    if (!instance->acquire()) {
        QString answer;
        if (instance->sendToPrimary(forHandOver(arguments.mid(1)), 3000, &answer)) {
            std::fputs(answer.toUtf8().constData(), stdout);
            return 0;
        }
        // The holder did not answer; it may be exiting. Try once more for the lock.
        if (!instance->acquire()) {
            std::fputs(
                "quillmere: another instance holds the data folder and does not answer\n", stderr);
            return 1;
        }
    }
    if (listShortcuts)
        return probeShortcuts();
    instance->listen();

    qm::fonts::install();
    QApplication::setWindowIcon(qm::MenuContent::logoIcon());
    // Start-up order: the store (which reads both files), then the prompter controller, then
    // the hot keys.
    qm::Store::setDesktopTraits(qm::desktopTraits());
    qm::Store &store = qm::Store::shared();
    qm::Application application(store, std::move(instance));
    application.start(arguments);
    return QApplication::exec();
}
