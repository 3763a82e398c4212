// SPDX-License-Identifier: GPL-3.0-or-later
#include "application.h"

#include "hot_keys.h"
#include "main_window/content_view.h"
#include "main_window/editor.h"
#include "main_window/main_window.h"
#include "media_player.h"
#include "platform/capture_exclusion.h"
#include "menu_content.h"
#include "presenter_clicker.h"
#include "prompter/prompter_controller.h"
#include "prompter/voice_monitor.h"
#include "prompter_window/panel_host.h"
#include "prompter_window/prompter_panel.h" // panel_host.h holds a QPointer to it
#include "session_end.h"
#include "single_instance.h"
#include "snapshot.h"
#include "store/store.h"
#include "trace_hooks.h"
#include "ui/texts.h"
#include "ui/window_registry.h"

#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QPointer>
#include <QSessionManager>
#include <QTimer>

namespace qm {

Store::DesktopTraits desktopTraits()
{
    return {platform::captureExclusionSupport().enforced, texts::welcomePrivateLine()};
}

QString snapshotDirectory(const QStringList &arguments)
{
    const qsizetype i = arguments.indexOf(QStringLiteral("--snapshot"));
    if (i < 0 || i + 1 >= arguments.size())
        return {};
    return QDir::current().absoluteFilePath(arguments.at(i + 1));
}

Application::Application(
    Store &store, std::unique_ptr<SingleInstance> instance, HotKeys *hotKeys, QObject *parent)
    : QObject(parent)
    , m_store(store)
    , m_instance(std::move(instance))
    , m_hotKeys(hotKeys ? *hotKeys : HotKeys::shared())
    , m_voice(std::make_unique<VoiceMonitor>())
    , m_prompter(std::make_unique<PrompterController>(store, *m_voice))
    , m_panelHost(std::make_unique<PanelHost>(*m_prompter))
{
    PrompterController::setShared(m_prompter.get());
    m_prompter->setWindowHost(m_panelHost.get());
    m_panelHost->setOpenMainWindow([this] { presentMainWindow(); });

    m_sessionEnd = new SessionEnd(this);
    connect(m_sessionEnd, &SessionEnd::terminationRequested, this, [] { QApplication::quit(); });
    connect(qApp, &QCoreApplication::aboutToQuit, this, &Application::saveOnce);
    // The session manager may end the process right after asking; save while we still can.
    connect(qApp, &QGuiApplication::commitDataRequest, this,
        [this](QSessionManager &) { m_store.save(); });
    if (m_instance) {
        m_instance->setAnswer(
            [this](const QStringList &arguments) { return answerRemote(arguments); });
        connect(
            m_instance.get(), &SingleInstance::messageReceived, this, &Application::handleRemote);
    }
}

Application::~Application()
{
    // The panel goes before the controller; the controller must not call into it meanwhile.
    m_prompter->setWindowHost(nullptr);
    m_menu.reset();
    m_window.reset();
    m_panelHost.reset();
}

MainWindow *Application::mainWindow() const
{
    return m_window.get();
}

void Application::start(const QStringList &arguments)
{
    m_window = std::make_unique<MainWindow>(m_store, *m_prompter, nullptr);
    WindowRegistry::add(m_window.get());

    m_menu = std::make_unique<MenuContent>(*m_prompter, [this] { presentMainWindow(); });
    connect(m_menu.get(), &MenuContent::quitRequested, this, &Application::requestQuit);
    // Ctrl+Q from any of the program's windows, the same action the tray menu shows.
    m_window->addAction(m_menu->quitAction());
    installTraceHooks(m_store, m_window.get());
    m_window->present();
    m_menu->showInTray();

    registerPrompterHotKeys(m_hotKeys, *m_prompter);
    showRefusedShortcuts();
    connect(&m_hotKeys, &HotKeys::refusedChanged, this, &Application::showRefusedShortcuts);

    // Remotes: media keys, headsets, phones and playerctl through the session bus; a presenter
    // clicker's page keys through the system-wide shortcuts.
    m_mediaPlayer = std::make_unique<MediaPlayer>(m_store, *m_prompter);
    m_mediaPlayer->setRaise([this] { presentMainWindow(); });
    m_clicker = std::make_unique<PresenterClicker>(m_store, *m_prompter, m_hotKeys);
    connect(
        m_clicker.get(), &PresenterClicker::stateChanged, this, &Application::showClickerShortcut);
    connect(&m_store, &Store::settingsChanged, this, &Application::showClickerShortcut);
    showClickerShortcut();

    if (arguments.contains(QStringLiteral("--start"))) {
        QTimer::singleShot(kStartDelayMs, this, [this] { m_prompter->show(); });
    }
    const QString snapshotDir = snapshotDirectory(arguments);
    if (!snapshotDir.isEmpty())
        QTimer::singleShot(kSnapshotDelayMs, this, [snapshotDir] { snapshot(snapshotDir); });

    // Commands given to the first launch run once start-up is done, as if sent to it.
    const QList<Command> commands = commandsIn(arguments);
    if (!commands.isEmpty()) {
        QTimer::singleShot(0, this, [this, commands] {
            for (const Command c : commands)
                perform(c);
        });
    }
}

void Application::perform(Command command)
{
    if (command == Command::ShowWindow)
        presentMainWindow();
    else
        performOnPrompter(command, *m_prompter);
}

void Application::presentMainWindow()
{
    if (m_window)
        m_window->present();
}

void Application::handleRemote(const QStringList &arguments)
{
    bool acted = false;
    for (const Command c : commandsIn(arguments)) {
        perform(c);
        acted = true;
    }
    if (arguments.contains(QStringLiteral("--start"))) {
        if (!m_prompter->isVisible())
            m_prompter->show();
        acted = true;
    }
    // The sender made the path absolute: this process may run in another directory.
    const QString snapshotDir = snapshotDirectory(arguments);
    if (!snapshotDir.isEmpty()) {
        snapshot(snapshotDir);
        acted = true;
    }
    if (arguments.contains(QLatin1String(kListShortcuts)))
        acted = true;
    // A plain second launch means "I want the program": bring its window back.
    if (!acted)
        presentMainWindow();
}

QString Application::answerRemote(const QStringList &arguments) const
{
    if (arguments.contains(QLatin1String(kListShortcuts)))
        return shortcutReport(m_hotKeys);
    return {};
}

void Application::showRefusedShortcuts()
{
    // The shortcut sheet marks the rows whose keys another program holds.
    if (m_window)
        m_window->contentView()->editor()->setRefusedShortcutRows(
            refusedSheetRows(m_hotKeys.refusedIds()));
}

void Application::showClickerShortcut()
{
    // Listed while the setting is on, marked when the keys were refused the last time.
    if (!m_window || !m_clicker)
        return;
    const bool listed = m_store.settings().presenterClicker;
    m_window->contentView()->editor()->setClickerShortcut(
        listed, listed && m_clicker->refused().value_or(false));
void Application::setQuitQuestion(std::function<bool(const QString &)> question)
    m_quitQuestion = std::move(question);
}

void Application::requestQuit()
    if (m_asking)
    if (m_store.saveFailure()) {
        const SaveResult again = m_store.save();
        if (!again) {
            m_asking = true;
            const bool quit = m_quitQuestion ? m_quitQuestion(again.failure)
                                             : askToQuitUnsaved(again.failure);
            m_asking = false;
            if (!quit)
                return;
        }
    }
    QApplication::quit();
}

bool Application::askToQuitUnsaved(const QString &reason)
    QMessageBox box(m_window.get());
    box.setIcon(QMessageBox::Warning);
    box.setWindowTitle(QStringLiteral("Quillmere"));
    box.setText(QStringLiteral("Quillmere couldn't save your scripts."));
    box.setInformativeText(reason.at(0).toUpper() + reason.mid(1)
        + QStringLiteral(". If you quit now, the changes since the last save are lost."));
    QPushButton *quit = box.addButton(QStringLiteral("Quit Anyway"), QMessageBox::DestructiveRole);
    QPushButton *stay = box.addButton(QStringLiteral("Keep Quillmere Open"), QMessageBox::RejectRole);
    box.setDefaultButton(stay);
    box.exec();
    return box.clickedButton() == quit;
}

void Application::saveOnce()
{
    if (m_saved)
        return;
    m_saved = true;
    m_store.save();
}

} // namespace qm
