// SPDX-License-Identifier: GPL-3.0-or-later
#include "application.h"
#include "command_line.h"
#include "hot_keys.h"
#include "menu_content.h"
#include "single_instance.h"
#include "store/store.h"
#include "ui/fonts.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QIcon>

#include <cstdio>

namespace {

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
    std::fputs(
        qm::shortcutReport(hotKeys, qm::commandsNamed(inGnome)).toUtf8().constData(), stdout);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    // Read before the application exists: help, the version and a mistyped switch need no
    // display.
    QStringList raw;
    for (int i = 0; i < argc; ++i)
        raw.append(QString::fromLocal8Bit(argv[i]));
    const qm::CommandLine line = qm::parseCommandLine(raw);
    if (line.help) {
        std::fputs(qm::commandLineHelp().toUtf8().constData(), stdout);
        return 0;
    }
    if (line.version) {
        std::printf("quillmere %s\n", QUILLMERE_VERSION);
        return 0;
    }
    if (!line.ok()) {
        std::fprintf(stderr, "quillmere: %s\nTry 'quillmere --help' for the options.\n",
            line.error.toLocal8Bit().constData());
        return 2;
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

    auto instance = std::make_unique<qm::SingleInstance>(qm::Store::defaultDirectory());
    if (!instance->acquire()) {
        QString answer;
        if (instance->sendToPrimary(line.forHandOver(), 3000, &answer)) {
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
    if (line.listShortcuts)
        return probeShortcuts();
    instance->listen();

    qm::fonts::install();
    QApplication::setWindowIcon(qm::MenuContent::logoIcon());
    // Start-up order: the store (which reads both files), then the prompter controller, then
    // the hot keys.
    qm::Store::setDesktopTraits(qm::desktopTraits());
    qm::Store &store = qm::Store::shared();
    qm::Application application(store, std::move(instance));
    application.start(line);
    return QApplication::exec();
}
