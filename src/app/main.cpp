// SPDX-License-Identifier: GPL-3.0-or-later
#include "application.h"
#include "single_instance.h"
#include "store/store.h"
#include "ui/fonts.h"

#include <QApplication>
#include <QTextStream>

#include <cstdio>

namespace {

const char *const kUsage = "Usage: quillmere [options]\n"
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
                           "Scripts and settings are kept in $XDG_DATA_HOME/Quillmere\n"
                           "(~/.local/share/Quillmere by default).\n";

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
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("quillmere"));
    QApplication::setApplicationDisplayName(QStringLiteral("Quillmere"));
    QApplication::setApplicationVersion(QStringLiteral(QUILLMERE_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("org.quillmere.Quillmere"));
    QApplication::setQuitOnLastWindowClosed(false);

    const QStringList arguments = QApplication::arguments();
    auto instance = std::make_unique<qm::SingleInstance>(qm::Store::defaultDirectory());
    if (!instance->acquire()) {
        if (instance->sendToPrimary(arguments.mid(1)))
            return 0;
        // The holder did not answer; it may be exiting. Try once more for the lock.
        if (!instance->acquire()) {
            std::fputs("quillmere: another instance holds the data folder and does not answer\n",
                stderr);
            return 1;
        }
    }
    instance->listen();

    qm::fonts::install();
    // Start-up order: the store (which reads both files) first, then everything that uses it.
    qm::Store &store = qm::Store::shared();
    qm::Application application(store, std::move(instance));
    application.start(arguments);
    return QApplication::exec();
}
